#include "market/HistoryService.h"

#include "fakemarket/FakeServer.h"

#include <QTest>
#include <memory>

using namespace virel;
using fake::FakeServer;
using fake::Fault;

class HistoryServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.listen());
        m_yahoo = std::make_unique<YahooClient>(m_server.origin());
    }

    void cleanupTestCase() { m_yahoo.reset(); }

    void requestOfEachRange_data()
    {
        QTest::addColumn<ChartRange>("range");
        QTest::addColumn<QString>("query");
        QTest::newRow("1d") << ChartRange::oneDay << u"range=1d&interval=5m"_qs;
        QTest::newRow("5d") << ChartRange::fiveDays << u"range=5d&interval=15m"_qs;
        QTest::newRow("1mo") << ChartRange::oneMonth << u"range=1mo&interval=1h"_qs;
        QTest::newRow("3mo") << ChartRange::threeMonths << u"range=3mo&interval=1d&events=div%2Csplits"_qs;
        QTest::newRow("6mo") << ChartRange::sixMonths << u"range=6mo&interval=1d&events=div%2Csplits"_qs;
        QTest::newRow("1y") << ChartRange::oneYear << u"range=1y&interval=1d&events=div%2Csplits"_qs;
        QTest::newRow("5y") << ChartRange::fiveYears << u"range=5y&interval=1wk&events=div%2Csplits"_qs;
    }

    void requestOfEachRange()
    {
        QFETCH(ChartRange, range);
        QFETCH(QString, query);
        const History history = QCoro::waitFor(HistoryService::fetch(*m_yahoo, u"^KS11"_qs, range));
        QVERIFY(!history.candles.isEmpty());
        const QUrl request = m_server.requests().last();
        QCOMPARE(request.path(QUrl::FullyEncoded), u"/v8/finance/chart/%5EKS11"_qs);
        QCOMPARE(request.query(QUrl::FullyEncoded), query);
    }

    void barsAndEvents()
    {
        const History history =
            QCoro::waitFor(HistoryService::fetch(*m_yahoo, u"NVDA"_qs, ChartRange::oneYear));
        QVERIFY(!history.candles.isEmpty());
        QVERIFY(std::is_sorted(history.candles.cbegin(), history.candles.cend(),
                               [](const Candle& a, const Candle& b) { return a.date < b.date; }));
        QVERIFY(!history.events.isEmpty());
        QVERIFY(
            std::is_sorted(history.events.cbegin(), history.events.cend(),
                           [](const CorporateEvent& a, const CorporateEvent& b) { return a.date > b.date; }));
        const bool hasSplit =
            std::any_of(history.events.cbegin(), history.events.cend(), [](const auto& event) {
                return event.kind == CorporateEvent::Kind::split && event.detail == u"10:1";
            });
        QVERIFY(hasSplit);
    }

    void failuresGiveEmptyHistory_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<std::optional<Fault>>("fault");
        QTest::newRow("unknown symbol") << u"NOSUCH1"_qs << std::optional<Fault>();
        QTest::newRow("rate limited") << u"NVDA"_qs << std::optional(Fault::withStatus(429));
        QTest::newRow("wrong type") << u"NVDA"_qs
                                    << std::optional(Fault::wrongType(u"chart.result.0.timestamp"_qs));
        QTest::newRow("truncated") << u"NVDA"_qs << std::optional(Fault::truncated());
    }

    void failuresGiveEmptyHistory()
    {
        QFETCH(QString, symbol);
        QFETCH(std::optional<Fault>, fault);
        if (fault) {
            m_server.faults().add(FakeServer::chartPath, fault->times(1));
        }
        QCOMPARE(QCoro::waitFor(HistoryService::fetch(*m_yahoo, symbol, ChartRange::threeMonths)), History());
    }

private:
    FakeServer m_server;
    std::unique_ptr<YahooClient> m_yahoo;
};

QTEST_GUILESS_MAIN(HistoryServiceTest)
#include "HistoryServiceTest.moc"
