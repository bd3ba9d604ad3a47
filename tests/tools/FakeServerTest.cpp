#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;

// The demo server as a developer starts it: it says where it listens and applies the faults given
// on its command line.
class FakeServerTest : public QObject
{
    Q_OBJECT

private slots:
    void standaloneServerTakesFaultsFromTheCommandLine()
    {
        const QString program = QCoreApplication::applicationDirPath() + u"/virel-fake-server"_s;
        if (!QFileInfo::exists(program)) {
            QSKIP("virel-fake-server is not built");
        }
        QProcess process;
        process.start(program,
                      {u"--port"_s, u"0"_s, u"--fault"_s, u"/v8/finance/chart/KRW=X=status:429,count:1"_s,
                       u"--fault"_s, u"/x=status:99"_s});
        QVERIFY(process.waitForFinished());
        QVERIFY(process.exitCode() != 0); // a fault it cannot read is refused, not ignored
        process.start(program,
                      {u"--port"_s, u"0"_s, u"--fault"_s, u"/v8/finance/chart/KRW=X=status:429,count:1"_s});
        QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 5000);
        const QString line = QString::fromUtf8(process.readLine()).trimmed();
        const auto match =
            QRegularExpression(u"^virel-fake-server listening on (http://127\\.0\\.0\\.1:\\d+)$"_s)
                .match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        QNetworkAccessManager network;
        for (const int status : {429, 200}) {
            QNetworkReply* reply = network.get(
                QNetworkRequest(QUrl(match.captured(1) + u"/v8/finance/chart/KRW=X?range=1d&interval=5m"_s)));
            QVERIFY(QSignalSpy(reply, &QNetworkReply::finished).wait(5000));
            QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), status);
            reply->deleteLater();
        }
        process.kill();
        process.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(FakeServerTest)
#include "FakeServerTest.moc"
