#include "market/YahooClient.h"

#include "fakemarket/FakeServer.h"

#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QTest>
#include <qcoro/qcorotask.h>

using namespace virel;
using namespace std::chrono_literals;
using fake::FakeServer;
using fake::Fault;

class YahooClientTest : public QObject
{
    Q_OBJECT

    // The path and query of `url` as the host receives them, not only as QUrl prints them.
    QString sent(const QUrl& url)
    {
        QCoro::waitFor(m_yahoo.get(url, 2s));
        const QUrl received = m_server.requests().last();
        return received.path(QUrl::FullyEncoded) + u'?' + received.query(QUrl::FullyEncoded);
    }

private slots:
    void initTestCase() { QVERIFY(m_listening); }

    void chartUrl_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("events");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const QString& symbol, bool events, const QString& path) {
            QTest::newRow(name) << symbol << events
                                << u"/v8/finance/chart/"_qs + path + u"?range=1d&interval=5m" +
                                       (events ? u"&events=div%2Csplits" : u"");
        };
        row("plain", u"NVDA"_qs, false, u"NVDA"_qs);
        row("Korean listing", u"005930.KS"_qs, false, u"005930.KS"_qs);
        row("share class", u"BRK-B"_qs, false, u"BRK-B"_qs);
        row("index", u"^KS11"_qs, false, u"%5EKS11"_qs);
        row("currency pair", u"KRW=X"_qs, false, u"KRW=X"_qs);
        // A typed delimiter stays inside the one path segment.
        row("delimiters", u"A/B?C#D%E"_qs, false, u"A%2FB%3FC%23D%25E"_qs);
        row("query characters", u"A&range=5y"_qs, false, u"A%26range=5y"_qs);
        row("space and Hangul", u"삼성 A"_qs, false, u"%EC%82%BC%EC%84%B1%20A"_qs);
        row("with events", u"NVDA"_qs, true, u"NVDA"_qs);
    }

    void chartUrl()
    {
        QFETCH(QString, symbol);
        QFETCH(bool, events);
        QFETCH(QString, expected);
        QCOMPARE(sent(m_yahoo.chartUrl(symbol, u"1d"_qs, u"5m"_qs, events)), expected);
    }

    void searchUrl()
    {
        QCOMPARE(sent(m_yahoo.searchUrl(u"AT&T 삼성#1"_qs, 10, 0, true)),
                 u"/v1/finance/search?q=AT%26T%20%EC%82%BC%EC%84%B1%231&quotesCount=10&newsCount=0"
                 u"&lang=ko-KR&region=KR"_qs);
    }

    // Who asks, and that a body beyond 4 MiB is refused.
    void agentAndBodyLimit()
    {
        QByteArray userAgent;
        m_server.addRoute(u"/agent"_qs, QHttpServerRequest::Method::Get,
                          [&](const QHttpServerRequest& request) {
                              userAgent = request.value(QByteArrayLiteral("User-Agent"));
                              return QHttpServerResponse(QByteArray(4 * 1024 * 1024 + 1, 'x'));
                          });
        QVERIFY(!QCoro::waitFor(m_yahoo.get(m_server.origin().resolved(QUrl(u"/agent"_qs)), 2s)).isOk());
        QCOMPARE(userAgent, QByteArrayLiteral("Mozilla/5.0 (Macintosh) virel-for-mac/0.1"));
    }

    // Requests beyond six wait for a free connection instead of reaching the host.
    void atMostSixRequestsAtOnce()
    {
        FakeServer server;
        QVERIFY(server.listen());
        server.faults().add(FakeServer::chartPath, Fault::hanging().times(6));
        YahooClient yahoo(server.origin());
        int finished = 0;
        for (int i = 0; i < 8; ++i) {
            // A waiting request's idle time-out runs already, so the last two may wait longer.
            const auto idle = i < 6 ? 300ms : 3000ms;
            QCoro::connect(yahoo.get(yahoo.chartUrl(u"NVDA"_qs, u"1d"_qs, u"5m"_qs, false), idle), this,
                           [&finished](const HttpResponse&) { ++finished; });
        }
        QTRY_COMPARE_WITH_TIMEOUT(server.heldCount(), 6, 2000);
        QTest::qWait(100);
        QCOMPARE(server.requestCount(), 6);
        // The held six time out; the last two then get their answers.
        QTRY_COMPARE_WITH_TIMEOUT(finished, 8, 3000);
        QCOMPARE(server.requestCount(), 8);
        server.releaseHeld();
    }

private:
    FakeServer m_server;
    bool m_listening = m_server.listen();
    YahooClient m_yahoo{m_server.origin()};
};

QTEST_GUILESS_MAIN(YahooClientTest)
#include "YahooClientTest.moc"
