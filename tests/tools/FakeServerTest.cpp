#include "fakemarket/FakeServer.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

using namespace Qt::StringLiterals;
using virel::fake::FakeServer;
using virel::fake::Fault;

Q_DECLARE_METATYPE(virel::fake::Fault)

namespace {

struct Reply
{
    int status = 0;
    QByteArray body;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;

    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
};

// Wednesday 15 May 2024, 11:00 in Seoul: KRX in its regular session, New York in the night.
const QDateTime wednesday(QDate(2024, 5, 15), QTime(2, 0), QTimeZone::utc());

QJsonObject firstResult(const QJsonObject& answer)
{
    return answer[u"chart"_s][u"result"_s][0].toObject();
}

} // namespace

class FakeServerTest : public QObject
{
    Q_OBJECT

private:
    FakeServer* m_server = nullptr;
    QNetworkAccessManager* m_network = nullptr;

    Reply get(const QString& pathAndQuery, int transferTimeoutMs = 5000)
    {
        return get(m_server->origin(), pathAndQuery, transferTimeoutMs);
    }

    Reply get(const QUrl& origin, const QString& pathAndQuery, int transferTimeoutMs = 5000)
    {
        QNetworkRequest request(QUrl(origin.toString() + pathAndQuery, QUrl::StrictMode));
        request.setTransferTimeout(transferTimeoutMs);
        QNetworkReply* reply = m_network->get(request);
        QSignalSpy finished(reply, &QNetworkReply::finished);
        if (!finished.wait(10'000))
            qFatal("no answer");
        Reply r{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(),
                reply->isOpen() ? reply->readAll() : QByteArray(), reply->error()};
        reply->deleteLater();
        return r;
    }

    QJsonObject chart(const QString& symbolSegment, const QString& query = u"range=1d&interval=5m"_s)
    {
        const Reply r = get(u"/v8/finance/chart/"_s + symbolSegment + u"?"_s + query);
        if (r.status != 200)
            qWarning("chart %s gave %d", qPrintable(symbolSegment), r.status);
        return firstResult(r.json());
    }

private slots:
    void init()
    {
        m_server = new FakeServer(this);
        QVERIFY(m_server->listen());
        m_server->setNow(wednesday);
        m_network = new QNetworkAccessManager(this);
    }

    void cleanup()
    {
        delete m_network;
        delete m_server;
    }

    void chartHasTheRealShape_data()
    {
        QTest::addColumn<QString>("segment");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("currency");
        QTest::newRow("index, percent-encoded") << u"%5EKS11"_s << u"^KS11"_s << u"KRW"_s;
        QTest::newRow("currency pair") << u"KRW=X"_s << u"KRW=X"_s << u"KRW"_s;
        QTest::newRow("dashed share") << u"BRK-B"_s << u"BRK-B"_s << u"USD"_s;
        QTest::newRow("korean share") << u"005930.KS"_s << u"005930.KS"_s << u"KRW"_s;
    }

    void chartHasTheRealShape()
    {
        QFETCH(QString, segment);
        QFETCH(QString, symbol);
        QFETCH(QString, currency);
        const QJsonObject result = chart(segment);
        const QJsonObject meta = result[u"meta"_s].toObject();
        QCOMPARE(meta[u"symbol"_s].toString(), symbol);
        QCOMPARE(meta[u"currency"_s].toString(), currency);
        QVERIFY(meta[u"regularMarketPrice"_s].isDouble());
        QVERIFY(meta[u"chartPreviousClose"_s].isDouble());
        QVERIFY(meta[u"previousClose"_s].isDouble());
        QVERIFY(!meta.contains(u"marketState"_s));
        QVERIFY(!result.contains(u"events"_s));

        const QJsonObject periods = meta[u"currentTradingPeriod"_s].toObject();
        qint64 previousEnd = 0;
        for (const QString& name : {u"pre"_s, u"regular"_s, u"post"_s}) {
            const QJsonObject p = periods[name].toObject();
            QVERIFY2(p[u"start"_s].isDouble() && p[u"end"_s].isDouble(), qPrintable(name));
            QVERIFY(p[u"timezone"_s].isString() && p[u"gmtoffset"_s].isDouble());
            QVERIFY(p[u"start"_s].toInteger() >= previousEnd);
            QVERIFY(p[u"end"_s].toInteger() >= p[u"start"_s].toInteger());
            previousEnd = p[u"end"_s].toInteger();
        }
        QVERIFY(periods[u"regular"_s][u"end"_s].toInteger() > periods[u"regular"_s][u"start"_s].toInteger());

        const QJsonArray timestamps = result[u"timestamp"_s].toArray();
        const QJsonObject quote = result[u"indicators"_s][u"quote"_s][0].toObject();
        QVERIFY(timestamps.size() > 10);
        for (const QString& field : {u"open"_s, u"high"_s, u"low"_s, u"close"_s, u"volume"_s})
            QCOMPARE(quote[field].toArray().size(), timestamps.size());
        const QJsonArray closes = quote[u"close"_s].toArray();
        QVERIFY(std::any_of(closes.begin(), closes.end(), [](const QJsonValue& v) { return v.isNull(); }));
        QVERIFY(closes.last().isDouble());
    }

    void eventsOnlyForThreeMonthsAndLonger_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("range");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("detail");
        QTest::newRow("samsung 1mo") << u"005930.KS"_s << u"1mo"_s << QString() << QString();
        QTest::newRow("samsung 3mo") << u"005930.KS"_s << u"3mo"_s << u"dividends"_s << u"361"_s;
        QTest::newRow("nvidia 3mo") << u"NVDA"_s << u"3mo"_s << u"splits"_s << u"10:1"_s;
        QTest::newRow("no corporate actions") << u"TSLA"_s << u"1y"_s << QString() << QString();
    }

    void eventsOnlyForThreeMonthsAndLonger()
    {
        QFETCH(QString, symbol);
        QFETCH(QString, range);
        QFETCH(QString, kind);
        QFETCH(QString, detail);
        const QString interval = range == u"1d" ? u"5m"_s : range == u"5y" ? u"1wk"_s : u"1d"_s;
        const QJsonObject result =
            chart(symbol, u"range=%1&interval=%2&events=div%2Csplits"_s.arg(range, interval));
        QVERIFY(!result.isEmpty());
        if (kind.isEmpty()) {
            QVERIFY(!result.contains(u"events"_s));
            return;
        }
        const QJsonObject events = result[u"events"_s][kind].toObject();
        QVERIFY(!events.isEmpty());
        const qint64 first = result[u"timestamp"_s].toArray().first().toInteger();
        for (auto it = events.begin(); it != events.end(); ++it) {
            const QJsonObject e = it.value().toObject();
            QCOMPARE(it.key(), QString::number(e[u"date"_s].toInteger()));
            QVERIFY(e[u"date"_s].toInteger() >= first &&
                    e[u"date"_s].toInteger() <= wednesday.toSecsSinceEpoch());
            const QString value = kind == u"splits" ? e[u"splitRatio"_s].toString()
                                                    : QString::number(e[u"amount"_s].toDouble());
            QCOMPARE(value, detail);
        }
    }

    void errorsHaveTheEndpointsShape_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::newRow("unknown symbol")
            << u"/v8/finance/chart/NOPE?range=1d&interval=5m"_s << 404 << u"Not Found"_s;
        QTest::newRow("bad interval")
            << u"/v8/finance/chart/NVDA?range=1d&interval=7m"_s << 422 << u"Unprocessable Entity"_s;
        QTest::newRow("intraday too long")
            << u"/v8/finance/chart/NVDA?range=1y&interval=5m"_s << 422 << u"Unprocessable Entity"_s;
    }

    void errorsHaveTheEndpointsShape()
    {
        QFETCH(QString, path);
        QFETCH(int, status);
        QFETCH(QString, code);
        const Reply r = get(path);
        QCOMPARE(r.status, status);
        const QJsonObject answer = r.json()[u"chart"_s].toObject();
        QVERIFY(answer[u"result"_s].isNull());
        QCOMPARE(answer[u"error"_s][u"code"_s].toString(), code);
        QVERIFY(!answer[u"error"_s][u"description"_s].toString().isEmpty());
    }

    void searchFindsSecurities_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("firstSymbol");
        QTest::addColumn<int>("minHits");
        QTest::newRow("korean name") << u"삼성"_s << u"005930.KS"_s << 5;
        QTest::newRow("kosdaq long name") << u"셀트리온헬스케어"_s << u"091990.KQ"_s << 1;
        QTest::newRow("nothing") << u"zzzz"_s << QString() << 0;
    }

    void searchFindsSecurities()
    {
        QFETCH(QString, query);
        QFETCH(QString, firstSymbol);
        QFETCH(int, minHits);
        const Reply r = get(u"/v1/finance/search?q="_s + QString::fromLatin1(QUrl::toPercentEncoding(query)) +
                            u"&lang=ko-KR&region=KR"_s);
        QCOMPARE(r.status, 200);
        const QJsonArray quotes = r.json()[u"quotes"_s].toArray();
        QVERIFY(quotes.size() >= minHits);
        QVERIFY(quotes.size() <= 10);
        QVERIFY(r.json()[u"news"_s].toArray().isEmpty());
        if (firstSymbol.isEmpty())
            return;
        const QJsonObject hit = quotes.first().toObject();
        QCOMPARE(hit[u"symbol"_s].toString(), firstSymbol);
        for (const QString& key : {u"exchange"_s, u"exchDisp"_s, u"quoteType"_s, u"typeDisp"_s})
            QVERIFY2(hit[key].isString(), qPrintable(key));
    }

    void searchHonoursCounts()
    {
        const QJsonObject answer = get(u"/v1/finance/search?q=a&quotesCount=3&newsCount=2"_s).json();
        QCOMPARE(answer[u"quotes"_s].toArray().size(), 3);
        QCOMPARE(answer[u"news"_s].toArray().size(), 2);
        QCOMPARE(get(u"/v1/finance/search"_s).status, 400);
    }

    void newsHasTheRealShape()
    {
        // Stories without a link or a publisher occur in real answers; the fake must serve both.
        bool withoutLink = false;
        bool withoutPublisher = false;
        for (const QString& symbol : {u"005930.KS"_s, u"NVDA"_s, u"AAPL"_s}) {
            const QJsonArray news =
                get(u"/v1/finance/search?q="_s + symbol + u"&quotesCount=0&newsCount=12"_s)
                    .json()[u"news"_s]
                    .toArray();
            QVERIFY(!news.isEmpty());
            for (const QJsonValue& item : news) {
                QCOMPARE(item[u"type"_s].toString(), u"STORY"_s);
                QVERIFY(item[u"uuid"_s].isString() && item[u"title"_s].isString());
                QVERIFY(item[u"providerPublishTime"_s].toInteger() <= wednesday.toSecsSinceEpoch());
                withoutLink |= !item.toObject().contains(u"link"_s);
                withoutPublisher |= !item.toObject().contains(u"publisher"_s);
            }
        }
        QVERIFY(withoutLink && withoutPublisher);
    }

    void statusFaults()
    {
        const QString nvda = u"/v8/finance/chart/NVDA?range=1d&interval=5m"_s;
        m_server->faults().add(u"/v8/finance/chart/NVDA"_s, Fault::withStatus(500).times(2));
        QCOMPARE(get(nvda).status, 500);
        QCOMPARE(get(u"/v8/finance/chart/005930.KS?range=1d&interval=5m"_s).status, 200);
        QCOMPARE(get(nvda).status, 500);
        QCOMPARE(get(nvda).status, 200);
        QCOMPARE(m_server->requestCount(u"/v8/finance/chart/NVDA"_s), 3);
        QCOMPARE(m_server->requestCount(u"/v8/finance/chart/"_s), 4);

        // Without a count the fault, with its body, stays until cleared; the decoded prefix matches.
        const QString index = u"/v8/finance/chart/%5EKS11?range=1d&interval=5m"_s;
        m_server->faults().add(u"/v8/finance/chart/^KS11"_s, Fault::withStatus(429, "Too Many Requests"));
        for (int i = 0; i < 2; ++i) {
            const Reply r = get(index);
            QCOMPARE(r.status, 429);
            QCOMPARE(r.body, QByteArray("Too Many Requests"));
        }
        m_server->faults().clear(u"/v8/finance/chart/^KS11"_s);
        QCOMPARE(get(index).status, 200);
    }

    void delayFaultHoldsTheAnswer()
    {
        m_server->faults().add(u"/v1/finance/search"_s,
                               Fault::delayed(std::chrono::milliseconds(150)).times(1));
        QElapsedTimer timer;
        timer.start();
        const Reply r = get(u"/v1/finance/search?q=NVDA"_s);
        QVERIFY(timer.elapsed() >= 150);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.json()[u"quotes"_s][0][u"symbol"_s].toString(), u"NVDA"_s);
        // A client that gives up first gets nothing, and the server survives it.
        m_server->faults().add(u"/v1/finance/search"_s,
                               Fault::delayed(std::chrono::milliseconds(200)).times(1));
        QCOMPARE(get(u"/v1/finance/search?q=NVDA"_s, 50).error, QNetworkReply::OperationCanceledError);
        QTest::qWait(250);
        QCOMPARE(get(u"/v1/finance/search?q=NVDA"_s).status, 200);
    }

    void damagingFaults_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("damagedMember"); // what a wrong-type fault alters by default
        const QString chartPath = u"/v8/finance/chart/NVDA?range=1d&interval=5m"_s;
        const QString price = u"chart.result.0.meta.regularMarketPrice"_s;
        QTest::newRow("truncate") << Fault::truncated() << chartPath << price;
        QTest::newRow("wrong type, chart") << Fault::wrongType() << chartPath << price;
        QTest::newRow("wrong type, search")
            << Fault::wrongType() << u"/v1/finance/search?q=a"_s << u"quotes"_s;
        QTest::newRow("huge") << Fault::huge() << chartPath << price;
    }

    void damagingFaults()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, path);
        QFETCH(QString, damagedMember);
        const QByteArray normal = get(path).body;
        m_server->faults().add(path.section(u'?', 0, 0), fault.times(1));
        const Reply r = get(path);
        QCOMPARE(r.status, 200);
        QCOMPARE(r.error, QNetworkReply::NoError);
        QCOMPARE(r.body, fault.applyTo(normal, damagedMember));
        QVERIFY(r.body != normal);
        QCOMPARE(get(path).body, normal);
    }

    void hangFaultNeverAnswers()
    {
        m_server->faults().add(u"/v8/finance/chart/NVDA"_s, Fault::hanging());
        const Reply r = get(u"/v8/finance/chart/NVDA?range=1d&interval=5m"_s, 200);
        QCOMPARE(r.error, QNetworkReply::OperationCanceledError);
        QCOMPARE(m_server->heldCount(), 1);
        QCOMPARE(get(u"/v8/finance/chart/BRK-B?range=1d&interval=5m"_s).status, 200);
        m_server->releaseHeld();
        QCOMPARE(m_server->heldCount(), 0);
    }

    void addedRoutesPassThroughFaults()
    {
        int handled = 0;
        m_server->addRoute(u"/api/mac/watchlist"_s, QHttpServerRequest::Method::Get,
                           [&](const QHttpServerRequest&) {
                               ++handled;
                               return QHttpServerResponse(QJsonObject{{u"items"_s, QJsonArray{}}});
                           });
        QCOMPARE(get(u"/api/mac/watchlist"_s).json()[u"items"_s].isArray(), true);
        m_server->faults().add(u"/api/mac/"_s, Fault::withStatus(503).times(1));
        QCOMPARE(get(u"/api/mac/watchlist"_s).status, 503);
        QCOMPARE(handled, 1); // a status fault never runs the handler
        m_server->faults().add(u"/api/mac/"_s, Fault::wrongType().times(1));
        QVERIFY(get(u"/api/mac/watchlist"_s).json()[u"items"_s].isObject());
        QCOMPARE(m_server->requestCount(u"/api/mac/watchlist"_s), 3);
    }

    void standaloneServerTakesFaultsFromTheCommandLine()
    {
        const QString program = QCoreApplication::applicationDirPath() + u"/virel-fake-server"_s;
        if (!QFileInfo::exists(program))
            QSKIP("virel-fake-server is not built");
        QProcess process;
        process.start(program,
                      {u"--port"_s, u"0"_s, u"--fault"_s, u"/v8/finance/chart/KRW=X=status:429,count:1"_s});
        QTRY_VERIFY_WITH_TIMEOUT(process.canReadLine(), 5000);
        const QString line = QString::fromUtf8(process.readLine()).trimmed();
        const QRegularExpressionMatch match =
            QRegularExpression(u"^virel-fake-server listening on (http://127\\.0\\.0\\.1:\\d+)$"_s)
                .match(line);
        QVERIFY2(match.hasMatch(), qPrintable(line));
        const QUrl origin(match.captured(1));
        QCOMPARE(get(origin, u"/v8/finance/chart/KRW=X?range=1d&interval=5m"_s).status, 429);
        QCOMPARE(get(origin, u"/v8/finance/chart/KRW=X?range=1d&interval=5m"_s).status, 200);
        process.kill();
        process.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(FakeServerTest)
#include "FakeServerTest.moc"
