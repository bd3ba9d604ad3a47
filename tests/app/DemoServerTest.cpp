#include "app/DemoServer.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace virel;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::optional<QUrl>)

class DemoServerTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // A stand-in for the fake server: a shell script with the given body.
    QString script(const QString& name, const QByteArray& body)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) {
            qFatal("cannot write the script");
        }
        file.write("#!/bin/sh\n" + body + '\n');
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

private slots:
    void originFromLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<std::optional<QUrl>>("origin");
        QTest::newRow("announced") << QByteArray("virel-fake-server listening on http://127.0.0.1:40123\n")
                                   << std::optional(QUrl(u"http://127.0.0.1:40123"_qs));
        QTest::newRow("other line") << QByteArray("starting\n") << std::optional<QUrl>();
        QTest::newRow("remote http refused")
            << QByteArray("virel-fake-server listening on http://example.com:80\n") << std::optional<QUrl>();
        QTest::newRow("remote https refused")
            << QByteArray("virel-fake-server listening on https://example.com\n") << std::optional<QUrl>();
        QTest::newRow("no address") << QByteArray("virel-fake-server listening on \n")
                                    << std::optional<QUrl>();
    }
    void originFromLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(std::optional<QUrl>, origin);
        QCOMPARE(DemoServer::originFromLine(line), origin);
    }

    void start_serverAnnouncesItself_readyThenStopped()
    {
        DemoServer server(script(u"announces"_qs,
                                 "echo 'virel-fake-server listening on http://127.0.0.1:4321'\n"
                                 "exec sleep 30"),
                          5s);
        QSignalSpy ready(&server, &DemoServer::ready);
        QSignalSpy stopped(&server, &DemoServer::stopped);
        server.start();
        QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 1, 3000);
        QCOMPARE(ready.at(0).at(0).toUrl(), QUrl(u"http://127.0.0.1:4321"_qs));
        server.stop();
        QTRY_COMPARE_WITH_TIMEOUT(stopped.size(), 1, 3000);
    }

    void start_serverExitsEarly_fails()
    {
        DemoServer server(script(u"exits"_qs, "echo 'port taken' >&2; exit 1"), 5s);
        QSignalSpy failed(&server, &DemoServer::failed);
        QSignalSpy ready(&server, &DemoServer::ready);
        server.start();
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 3000);
        QCOMPARE(ready.size(), 0);
    }

    void start_serverSilent_failsAfterTheLimitAndIsStopped()
    {
        DemoServer server(script(u"silent"_qs, "exec sleep 30"), 100ms);
        QSignalSpy failed(&server, &DemoServer::failed);
        QSignalSpy stopped(&server, &DemoServer::stopped);
        server.start();
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(stopped.size(), 1, 3000);
    }

    void start_missingProgram_fails()
    {
        DemoServer server(m_dir.filePath(u"no-such-server"_qs), 5s);
        QSignalSpy failed(&server, &DemoServer::failed);
        server.start();
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 3000);
    }

    void stop_notRunning_reportsStoppedAtOnce()
    {
        DemoServer server(m_dir.filePath(u"unused"_qs), 5s);
        QSignalSpy stopped(&server, &DemoServer::stopped);
        server.stop();
        QCOMPARE(stopped.size(), 1);
    }

    void useOrigin_pointsEveryRemoteAtTheServer()
    {
        const QByteArray saved[] = {qgetenv("VIREL_YAHOO_ORIGIN"), qgetenv("VIREL_SERVICE_ORIGIN"),
                                    qgetenv("VIREL_APPCAST_URL")};
        DemoServer::useOrigin(QUrl(u"http://127.0.0.1:4321"_qs));
        QCOMPARE(qgetenv("VIREL_YAHOO_ORIGIN"), QByteArray("http://127.0.0.1:4321"));
        QCOMPARE(qgetenv("VIREL_SERVICE_ORIGIN"), QByteArray("http://127.0.0.1:4321"));
        QCOMPARE(qgetenv("VIREL_APPCAST_URL"), QByteArray("http://127.0.0.1:4321/appcast.xml"));
        qputenv("VIREL_YAHOO_ORIGIN", saved[0]);
        qputenv("VIREL_SERVICE_ORIGIN", saved[1]);
        qputenv("VIREL_APPCAST_URL", saved[2]);
    }
};

QTEST_GUILESS_MAIN(DemoServerTest)
#include "DemoServerTest.moc"
