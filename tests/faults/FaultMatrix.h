#pragma once

// The faults every remote path of the application is tried with, and a probe that runs one market
// path against the local fake market. Shared by the fault matrix tests.

#include "FakeClock.h"
#include "fakemarket/FakeServer.h"
#include "market/HistoryService.h"
#include "market/NewsService.h"
#include "market/QuoteService.h"
#include "market/SearchService.h"
#include "market/YahooClient.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

namespace virel::test {

// One way an answer goes wrong. `status` is the HTTP status the client sees; nothing when no usable
// answer arrives at all (a damaged body counts as usable HTTP but fails to decode).
struct FaultCase
{
    QString name;
    fake::Fault fault;
    std::optional<int> status;
    bool answered = true; // false: the client gives up waiting
};

// Faults that answer at once: statuses and damaged bodies. `wrongTypePath` names the member the
// wrong-type fault retypes (empty: the route's usual suspect).
inline QList<FaultCase> answerFaults(const QString& wrongTypePath = {})
{
    return {
        {QStringLiteral("429"), fake::Fault::withStatus(429), 429},
        {QStringLiteral("500"), fake::Fault::withStatus(500), 500},
        {QStringLiteral("401"), fake::Fault::withStatus(401, R"({"error":"unauthorized"})"), 401},
        {QStringLiteral("truncated JSON"), fake::Fault::truncated(), std::nullopt},
        {QStringLiteral("wrong JSON types"), fake::Fault::wrongType(wrongTypePath), std::nullopt},
        {QStringLiteral("10 MB body"), fake::Fault::huge(), std::nullopt},
    };
}

// Faults the client only ends by its own time limit `idleLimit`: an answer that comes much too late,
// and a server that accepts the request and never answers.
inline QList<FaultCase> silentFaults(std::chrono::milliseconds idleLimit)
{
    return {
        {QStringLiteral("time-out"), fake::Fault::delayed(idleLimit * 4), std::nullopt, false},
        {QStringLiteral("never answers"), fake::Fault::hanging(), std::nullopt, false},
    };
}

// The four market paths. Quotes and history share the chart endpoint, search and news the search
// endpoint; each path uses its own symbol so a fault on one leaves the others alone.
enum class MarketPath { chart, history, search, news };

// Where a fault on `path` is set, and the member a wrong-type fault retypes there: one the decoder of
// that path reads (empty: the route's usual suspect).
struct MarketPathInfo
{
    const char* name;
    QString prefix;
    QString wrongTypePath;
};

inline MarketPathInfo marketPath(MarketPath path)
{
    switch (path) {
    case MarketPath::chart:
        return {"chart", fake::FakeServer::chartPath + QStringLiteral("NVDA"), {}};
    case MarketPath::history:
        return {"history", fake::FakeServer::chartPath + QStringLiteral("AAPL"),
                QStringLiteral("chart.result.0.timestamp")};
    case MarketPath::search:
        return {"search", fake::FakeServer::searchPath, {}};
    case MarketPath::news:
        return {"news", fake::FakeServer::searchPath, QStringLiteral("news")};
    }
    return {};
}

// A fake market with a client and a quote service polling NVDA (no timer: passes run when asked).
class MarketProbe
{
public:
    static inline const WatchItem polled{QStringLiteral("NVDA"), QStringLiteral("엔비디아")};

    MarketProbe()
    {
        // A fixed market time: the same answers every time, so only `receivedAt` tells passes apart.
        server.setNow(QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC));
        listening = server.listen();
        yahoo = std::make_unique<YahooClient>(server.origin());
        quotes = std::make_unique<QuoteService>(*yahoo, clock);
    }

    ~MarketProbe()
    {
        // The service first, then the client: a request still running is aborted, its task resumes.
        quotes.reset();
        yahoo.reset();
    }

    // Starts polling (one pass at once); the caller waits for `hasQuote()`.
    void startPolling() { quotes->start({polled}, std::chrono::hours(1)); }
    bool hasQuote() const { return quotes->quotes().contains(polled.symbol); }
    Quote quote() const { return quotes->quotes().value(polled.symbol); }

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
            co_return !(co_await HistoryService::fetch(*yahoo, QStringLiteral("AAPL"), ChartRange::oneMonth))
                .isEmpty();
        case MarketPath::search:
            co_return !(co_await SearchService::search(*yahoo, QStringLiteral("NVIDIA"))).isEmpty();
        case MarketPath::news:
            co_return !(co_await NewsService::fetch(*yahoo, QStringLiteral("NVDA"))).isEmpty();
        }
        co_return false;
    }

    int requestCount(MarketPath path) const { return server.requestCount(marketPath(path).prefix); }

    fake::FakeServer server;
    bool listening = false;
    FakeClock clock;
    std::unique_ptr<YahooClient> yahoo;
    std::unique_ptr<QuoteService> quotes;
};

} // namespace virel::test

Q_DECLARE_METATYPE(virel::test::MarketPath)
