#include "fakemarket/FakeServer.h"
#include "fakemarket/FakeService.h"
#include "fakemarket/FaultInjector.h"

#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using virel::fake::Fault;
using virel::fake::FaultSpec;

namespace {

// What a parsed fault does, one word per setting; empty when the text is refused.
QString described(const QString& text)
{
    QString error;
    const auto parsed = FaultSpec::parse(text, &error);
    if (!parsed) {
        return error.contains(text) ? QString() : u"error without the text: "_s + error;
    }
    const Fault& f = parsed->fault;
    QStringList words{parsed->pathPrefix};
    if (f.status) {
        words << u"status:%1"_s.arg(*f.status);
    }
    if (!f.body.isEmpty()) {
        words << u"body:"_s + QString::fromUtf8(f.body);
    }
    if (f.delay.count() != 0) {
        words << u"delay:%1"_s.arg(f.delay.count());
    }
    switch (f.damage) {
    case Fault::Damage::none:
        break;
    case Fault::Damage::truncate:
        words << u"truncate"_s;
        break;
    case Fault::Damage::wrongType:
        words << u"wrongtype:"_s + f.wrongTypePath;
        break;
    case Fault::Damage::huge:
        words << u"huge"_s;
        break;
    }
    if (f.hang) {
        words << u"hang"_s;
    }
    if (f.count) {
        words << u"count:%1"_s.arg(*f.count);
    }
    return words.join(u' ');
}

int statusOf(QNetworkAccessManager& network, const QUrl& url)
{
    QNetworkReply* reply = network.get(QNetworkRequest(url));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    finished.wait(5000);
    reply->deleteLater();
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

} // namespace

class FakeServerTest : public QObject
{
    Q_OBJECT

private slots:
    void parsesSpecs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected"); // empty: refused
        QTest::newRow("status, count") << u"/c/NVDA=status:500,count:3"_s << u"/c/NVDA status:500 count:3"_s;
        QTest::newRow("delay") << u"/v1/finance/search=delay:3000"_s << u"/v1/finance/search delay:3000"_s;
        QTest::newRow("'=' in path, ',' in body")
            << u"/c/KRW=X=status:429,body:A, b"_s << u"/c/KRW=X status:429 body:A, b"_s;
        QTest::newRow("wrong type with path")
            << u"/s=wrongtype:quotes,count:1"_s << u"/s wrongtype:quotes count:1"_s;
        QTest::newRow("truncate after a delay") << u"/w=delay:200,truncate"_s << u"/w delay:200 truncate"_s;
        QTest::newRow("huge") << u"/x=huge"_s << u"/x huge"_s;
        QTest::newRow("hang") << u"/x=hang,count:2"_s << u"/x hang count:2"_s;
        QTest::newRow("no path") << u"status:500"_s << QString();
        QTest::newRow("no kind") << u"/v8/finance/chart"_s << QString();
        QTest::newRow("unknown kind") << u"/x=explode"_s << QString();
        QTest::newRow("status not a number") << u"/x=status:abc"_s << QString();
        QTest::newRow("status out of range") << u"/x=status:99"_s << QString();
        QTest::newRow("zero count") << u"/x=status:500,count:0"_s << QString();
        QTest::newRow("negative delay") << u"/x=delay:-5"_s << QString();
        QTest::newRow("value on a flag") << u"/x=truncate:5"_s << QString();
        QTest::newRow("body without status") << u"/x=body:oops"_s << QString();
    }

    void parsesSpecs()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(described(text), expected);
    }

    void keptAccounts_areKnownToTheNextServer()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(u"demo/accounts.json"_s);
        virel::fake::FakeServer server;
        virel::fake::FakeService service(server);
        service.keepAccountsIn(file);
        const QString token = service.issueToken(u"kim@example.com"_s);
        service.setWatchlist(token, {*virel::fake::FakeService::catalogueEntry(u"NVDA"_s)});

        virel::fake::FakeServer nextServer;
        virel::fake::FakeService next(nextServer);
        next.keepAccountsIn(file);
        QVERIFY(next.isTokenValid(token));
        QCOMPARE(next.watchlist(token), service.watchlist(token));
    }

    void standaloneServerTakesFaultsFromTheCommandLine()
    {
        const QString program = QCoreApplication::applicationDirPath() + u"/virel-fake-server"_s;
        if (!QFileInfo::exists(program)) {
            QSKIP("virel-fake-server is not built");
        }
        QProcess process;
        process.start(program,
                      {u"--port"_s, u"0"_s, u"--fault"_s, u"/v8/finance/chart/KRW=X=status:429,count:1"_s});
        QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 5000);
        const QString line = QString::fromUtf8(process.readLine()).trimmed();
        const auto match =
            QRegularExpression(u"^virel-fake-server listening on (http://127\\.0\\.0\\.1:\\d+)$"_s)
                .match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        const QUrl chart(match.captured(1) + u"/v8/finance/chart/KRW=X?range=1d&interval=5m"_s);
        QNetworkAccessManager network;
        QCOMPARE(statusOf(network, chart), 429);
        QCOMPARE(statusOf(network, chart), 200);
        process.kill();
        process.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(FakeServerTest)
#include "FakeServerTest.moc"
