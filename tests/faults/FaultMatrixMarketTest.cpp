// Every market path against every fault: the call gives nothing, the last good quote stays, nothing
// is retried sooner than the next call (after a 429, not even then), and the path works again as soon
// as the fault is gone.

#include "AwaitTask.h"
#include "FakeClock.h"
#include "FaultMatrix.h"
#include "market/HistoryService.h"
#include "market/NewsService.h"
#include "market/QuoteService.h"
#include "market/SearchService.h"

#include <QPointer>
#include <QTest>
#include <vector>

using namespace virel;
using namespace virel::test;
using fake::FakeServer;

namespace {

// Quotes and history share the chart endpoint, search and news the search endpoint; each path uses
// its own symbol so a fault on one leaves the others alone.
enum class MarketPath { chart, history, search, news };
constexpr MarketPath kPaths[] = {MarketPath::chart, MarketPath::history, MarketPath::search,
                                 MarketPath::news};

// Where a fault on a path is set, and the member a wrong-type fault retypes (empty: the usual suspect).
struct MarketPathInfo
{
    const char* name;
    QString prefix;
    QString wrongTypePath;
};

const MarketPathInfo& info(MarketPath path)
{
    static const MarketPathInfo paths[] = {
        {"chart", FakeServer::chartPath + u"NVDA"_qs, {}},
        {"history", FakeServer::chartPath + u"AAPL"_qs, u"chart.result.0.timestamp"_qs},
        {"search", FakeServer::searchPath, {}},
        {"news", FakeServer::searchPath, u"news"_qs}};
    return paths[static_cast<int>(path)];
}

// A fake market with a client and a quote service polling NVDA (no timer: passes run when asked).
class MarketProbe
{
public:
    MarketProbe()
    {
        // A fixed market time: the same answers every time, so only `receivedAt` tells passes apart.
        server.setNow(QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC));
        listening = server.listen();
        yahoo = std::make_unique<YahooClient>(server.origin());
        quotes = std::make_unique<QuoteService>(*yahoo, clock);
        quotes->start({{u"NVDA"_qs, u"엔비디아"_qs}}, std::chrono::hours(1));
    }

    Quote quote() const { return quotes->quotes().value(u"NVDA"_qs); }
    int requestCount(MarketPath path) const { return server.requestCount(info(path).prefix); }

    // Runs `path` once; true when it brought a usable answer (for the chart: a fresh quote).
    QCoro::Task<bool> run(MarketPath path)
    {
        switch (path) {
        case MarketPath::chart: {
            clock.advance(1);
            const QDateTime asked = clock.now();
            QPointer<QuoteService> service(quotes.get());
            co_await quotes->refreshAll();
            co_return service&& quote().receivedAt == asked;
        }
        case MarketPath::history:
            co_return !(co_await HistoryService::fetch(*yahoo, u"AAPL"_qs, ChartRange::oneMonth)).isEmpty();
        case MarketPath::search:
            co_return !(co_await SearchService::search(*yahoo, u"NVIDIA"_qs)).isEmpty();
        case MarketPath::news:
            co_return !(co_await NewsService::fetch(*yahoo, u"NVDA"_qs)).isEmpty();
        }
        co_return false;
    }

    FakeServer server;
    bool listening = false;
    FakeClock clock;
    // The service goes before the client: a request still running is aborted, its task resumes.
    std::unique_ptr<YahooClient> yahoo;
    std::unique_ptr<QuoteService> quotes;
};

} // namespace

class FaultMatrixMarketTest : public QObject
{
    Q_OBJECT

private slots:
    // All paths × faults side by side, each on its own market: a late or silent host ends a call only by
    // the requests' own limits (10 s for charts, 8 s for search), so the test waits for them once.
    void failureKeepsTheLastGoodAnswer()
    {
        struct Case
        {
            MarketPath path;
            FaultCase fault;
            bool silent;
            std::unique_ptr<MarketProbe> probe = std::make_unique<MarketProbe>();
            Quote good{};
            std::optional<bool> answered{};
        };
        std::vector<Case> cases;
        for (MarketPath path : kPaths) {
            for (const FaultCase& fault : answerFaults(info(path).wrongTypePath)) {
                cases.push_back({path, fault, false});
            }
            for (const FaultCase& fault : silentFaults(YahooClient::chartTimeout)) {
                cases.push_back({path, fault, true});
            }
        }
        for (Case& c : cases) {
            QVERIFY(c.probe->listening);
            QTRY_VERIFY(c.probe->quote().price > 0);
            QVERIFY(awaitTask(c.probe->run(c.path)));
            c.good = c.probe->quote();
            c.probe->server.faults().add(info(c.path).prefix, c.fault.fault);
            c.probe->server.clearRequests();
            QCoro::connect(c.probe->run(c.path), this, [&c](bool answered) { c.answered = answered; });
        }
        // Each ends by its own time limit; the wait only bounds a client that would never give up.
        QTRY_VERIFY_WITH_TIMEOUT(
            std::all_of(cases.begin(), cases.end(), [](const Case& c) { return c.answered.has_value(); }),
            3 * static_cast<int>(YahooClient::chartTimeout.count()));
        for (Case& c : cases) {
            const QByteArray label = QByteArray(info(c.path).name) + ", " + c.fault.name.toUtf8();
            QVERIFY2(!*c.answered && c.probe->requestCount(c.path) == 1 && c.probe->quote() == c.good, label);
            // One request per call, never a retry of its own; after a 429 the next pass sends nothing.
            if (!c.silent) {
                const bool backsOff = c.path == MarketPath::chart && c.fault.status == 429;
                QVERIFY2(!awaitTask(c.probe->run(c.path)), label);
                QVERIFY2(c.probe->requestCount(c.path) == (backsOff ? 1 : 2) && c.probe->quote() == c.good,
                         label);
            }
            // The client is free again: the next call gets its answer.
            c.probe->server.faults().clearAll();
            c.probe->server.releaseHeld();
            c.probe->clock.advance(std::chrono::duration<double>(QuoteService::maxBackoff).count());
            QVERIFY2(awaitTask(c.probe->run(c.path)), label);
        }
    }
};

QTEST_GUILESS_MAIN(FaultMatrixMarketTest)
#include "FaultMatrixMarketTest.moc"
