#include "app/DemoServer.h"
#include "app/SingleInstance.h"

#include <QFile>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace virel;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::optional<QStringList>)
Q_DECLARE_METATYPE(std::optional<QUrl>)

// How a launch finds the running instance, and what "--demo" takes from its server's first line.
class LaunchTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    std::unique_ptr<SingleInstance> instance() const
    {
        return std::make_unique<SingleInstance>(u"virel-test"_qs, m_dir.path(), 5ms);
    }

private slots:
    void secondLaunch_handsItsSwitchesOver()
    {
        auto running = instance();
        QVERIFY(running->claim());
        auto first = instance();
        QVERIFY(!first->claim());
        QSignalSpy firstDone(first.get(), &SingleInstance::handedOver);
        first->sendToRunning({u"--detail"_qs, u"nvda"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(firstDone.size(), 1, 2000);
        auto second = instance();
        QSignalSpy secondDone(second.get(), &SingleInstance::handedOver);
        second->sendToRunning({u"--glance"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(secondDone.size(), 1, 2000);
        QTest::qWait(20);

        // What arrived before the handler was set is delivered to it, in order; later ones at once.
        QList<QStringList> received;
        running->setHandler([&](const QStringList& arguments) { received.append(arguments); });
        QCOMPARE(received, (QList<QStringList>{{u"--detail"_qs, u"nvda"_qs}, {u"--glance"_qs}}));
        auto third = instance();
        third->sendToRunning({u"--edit"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 3, 2000);
    }

    void handOver_nobodyListening_fails()
    {
        auto lonely = instance();
        QSignalSpy failed(lonely.get(), &SingleInstance::handOverFailed);
        lonely->sendToRunning({u"--edit"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(failed.size(), 1, 2000);
        QVERIFY2(lonely->claim(), "the running one quit: the next launch is the running one");
    }

    void claim_leftoversOfACrash_areCleanedUp()
    {
        QTemporaryDir dir;
        // A lock of a process that no longer exists, and its socket file.
        QFile lock(dir.filePath(u"virel.lock"_qs));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("2147483646\nvirel\n" + QSysInfo::machineHostName().toUtf8() + '\n');
        lock.close();
        QFile socket(dir.filePath(u"virel.sock"_qs));
        QVERIFY(socket.open(QIODevice::WriteOnly));
        socket.close();

        SingleInstance running(u"virel"_qs, dir.path(), 5ms);
        QVERIFY(running.claim());
        QList<QStringList> received;
        running.setHandler([&](const QStringList& arguments) { received.append(arguments); });
        SingleInstance later(u"virel"_qs, dir.path(), 5ms);
        later.sendToRunning({u"--glance"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, 2000);
    }

    void decode_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<std::optional<QStringList>>("expected");
        QTest::newRow("switches") << SingleInstance::encode({u"--detail"_qs, u"삼성"_qs})
                                  << std::optional(QStringList{u"--detail"_qs, u"삼성"_qs});
        QTest::newRow("line break inside a switch")
            << SingleInstance::encode({u"a\nb"_qs}) << std::optional(QStringList{u"a\nb"_qs});
        QTest::newRow("none") << SingleInstance::encode({}) << std::optional(QStringList());
        QTest::newRow("not an array") << QByteArray("{\"a\":1}\n") << std::optional<QStringList>();
        QTest::newRow("not strings") << QByteArray("[\"--edit\", 3]\n") << std::optional<QStringList>();
        QTest::newRow("garbage") << QByteArray("--edit\n") << std::optional<QStringList>();
    }
    void decode()
    {
        QFETCH(QByteArray, message);
        QCOMPARE(message.count('\n'), 1);
        QTEST(SingleInstance::decode(message), "expected");
    }

    void demoOrigin_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<std::optional<QUrl>>("origin");
        const std::optional<QUrl> none;
        QTest::newRow("announced") << QByteArray("virel-fake-server listening on http://127.0.0.1:40123\n")
                                   << std::optional(QUrl(u"http://127.0.0.1:40123"_qs));
        QTest::newRow("other line") << QByteArray("starting\n") << none;
        QTest::newRow("remote https refused")
            << QByteArray("virel-fake-server listening on https://example.com\n") << none;
        QTest::newRow("no address") << QByteArray("virel-fake-server listening on \n") << none;
    }
    void demoOrigin()
    {
        QFETCH(QByteArray, line);
        QTEST(DemoServer::originFromLine(line), "origin");
    }
};

QTEST_GUILESS_MAIN(LaunchTest)
#include "LaunchTest.moc"
