// poll_pass: how long one quote polling pass over 200 symbols takes against the local fake market.
// The market runs on a thread of its own, as a remote host would, so its work is not counted as the
// client's.

#include "MarketThread.h"
#include "fakemarket/Catalogue.h"
#include "fakemarket/FakeServer.h"
#include "market/QuoteService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <memory>

using namespace virel;
using virel::bench::MarketThread;
using namespace std::chrono_literals;

namespace {

constexpr int kSymbols = 200;
constexpr int kPasses = 20;

// Known listings of the fake market, repeated until there are enough.
QList<WatchItem> watchItems()
{
    const auto& securities = fake::Catalogue::securities();
    QList<WatchItem> items;
    for (int i = 0; i < kSymbols; ++i) {
        const auto& security = securities.at(i % securities.size());
        items.append({security.symbol, security.shortName});
    }
    return items;
}

double percentile(QList<double> values, double fraction)
{
    std::sort(values.begin(), values.end());
    const auto index = static_cast<qsizetype>(fraction * static_cast<double>(values.size() - 1) + 0.5);
    return values.at(index);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    MarketThread market;
    const QUrl origin = market.origin();
    if (origin.isEmpty()) {
        std::fputs("poll_pass: cannot start the fake market\n", stderr);
        return 1;
    }

    YahooClient yahoo(origin);
    QuoteService service(yahoo);
    service.start(watchItems(), 1h);
    QCoro::waitFor(service.refreshAll()); // warm-up: connections open

    QList<double> millis;
    for (int pass = 0; pass < kPasses; ++pass) {
        QElapsedTimer timer;
        timer.start();
        QCoro::waitFor(service.refreshAll());
        millis.append(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    int requests = 0;
    market.withServer(
        [&](fake::FakeServer& server) { requests = server.requestCount(fake::FakeServer::chartPath); });
    if (requests < kSymbols * (kPasses + 1)) {
        std::fputs("poll_pass: not every request reached the fake market\n", stderr);
        return 1;
    }
    std::printf("poll_pass symbols=%d median_ms=%.1f p95_ms=%.1f\n", kSymbols, percentile(millis, 0.5),
                percentile(millis, 0.95));
    return 0;
}
