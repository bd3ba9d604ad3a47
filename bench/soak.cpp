// soak: whether days of polling make the process grow. The real state, quote service, alert engine,
// timeline store, strip and ticker views (offscreen) run over the local fake market with the clock
// moved 20 s per pass, so every pass brings new prices, as about 55 hours of use would for the
// default 10,000 passes. RSS and heap in use are taken after a warm-up and at the end.
//
//   soak [PASSES]        last line: soak passes=N rss_growth_kb=X heap_growth_kb=Y (goal: ≤ 1024 each)

#include "MarketThread.h"
#include "engine/AlertEngine.h"
#include "fakemarket/FakeServer.h"
#include "notch/NotchStripView.h"
#include "notch/TickerBarView.h"
#include "platform/Notifier.h"
#include "platform/Settings.h"
#include "state/AppState.h"
#include "state/TimelineStore.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <unistd.h>

using namespace virel;
using virel::bench::MarketThread;
using namespace std::chrono_literals;

namespace {

constexpr int kDefaultPasses = 10'000;
constexpr int kWarmUpPasses = 300;
constexpr qint64 kPollSeconds = 20;
constexpr int kTimelineEvery = 30; // the timeline rebuilt every ten minutes, as if opened that often

// Read from the market's thread too.
class SoakClock final : public Clock
{
public:
    QDateTime now() const override { return QDateTime::fromMSecsSinceEpoch(m_msecs.load(), Qt::UTC); }
    void advance(qint64 seconds) { m_msecs += seconds * 1000; }

private:
    std::atomic<qint64> m_msecs{QDateTime(QDate(2026, 3, 2), QTime(1, 0), Qt::UTC).toMSecsSinceEpoch()};
};

class SilentNotifier final : public Notifier
{
public:
    bool available() const override { return true; }
    void post(const QString&, const QString&, const QString&) override {}
    void beep() override {}
};

struct Memory
{
    qint64 rssKb = 0;
    qint64 heapKb = 0;
};

Memory measure()
{
    Memory memory;
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (statm.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> fields = statm.readAll().split(' ');
        memory.rssKb = fields.value(1).toLongLong() * ::sysconf(_SC_PAGESIZE) / 1024;
    }
    memory.heapKb = static_cast<qint64>(::mallinfo2().uordblks / 1024);
    return memory;
}

} // namespace

int main(int argc, char* argv[])
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int passes = argc > 1 ? QByteArray(argv[1]).toInt() : kDefaultPasses;
    SoakClock clock;

    // The market on a thread of its own, as a remote host; its request log is emptied every pass.
    MarketThread market(
        [&clock](fake::FakeServer& server) { server.setTimeSource([&clock] { return clock.now(); }); });
    const QUrl origin = market.origin();
    if (origin.isEmpty()) {
        std::fputs("soak: cannot start the fake market\n", stderr);
        return 1;
    }

    QTemporaryDir home;
    Settings settings(home.filePath(QStringLiteral("virel.conf")));
    SilentNotifier notifier;
    YahooClient yahoo(origin);
    // Polling is driven below, one pass per step of the clock; rotation and countdown run fast.
    AppState state(settings, yahoo, notifier, clock,
                   AppState::Intervals{.poll = 24h, .rotation = 5ms, .tick = 5ms});
    TimelineStore timeline(state, yahoo, clock);
    NotchStripView strip(state, state.timerEngine(), clock, StripParts{});
    TickerBarView ticker(state, clock);
    strip.show();
    ticker.resize(1920, 22);
    ticker.show();
    for (const WatchItem& item : state.items()) {
        state.alertEngine().add(AlertRule{.symbol = item.symbol, .name = item.name, .threshold = 0});
    }
    state.timerEngine().start(25);

    qint64 changes = 0;
    QObject::connect(&state.quoteService(), &QuoteService::quotesChanged, [&changes] { ++changes; });

    Memory start;
    for (int pass = 0; pass < kWarmUpPasses + passes; ++pass) {
        if (pass == kWarmUpPasses) {
            start = measure();
        }
        clock.advance(kPollSeconds);
        QCoro::waitFor(state.quoteService().refreshAll());
        if (pass % kTimelineEvery == 0) {
            QCoro::waitFor(timeline.refresh());
        }
        QCoreApplication::processEvents();
        market.withServer([](fake::FakeServer& server) { server.clearRequests(); });
        if (pass % 1000 == 999) {
            const Memory now = measure();
            std::printf("soak: pass %d rss_kb=%lld heap_kb=%lld\n", pass + 1,
                        static_cast<long long>(now.rssKb), static_cast<long long>(now.heapKb));
            std::fflush(stdout);
        }
    }
    const Memory end = measure();
    std::printf("soak: %lld quote changes over %d passes of %lld symbols\n", static_cast<long long>(changes),
                kWarmUpPasses + passes, static_cast<long long>(state.items().size()));
    std::printf("soak passes=%d rss_growth_kb=%lld heap_growth_kb=%lld\n", passes,
                static_cast<long long>(end.rssKb - start.rssKb),
                static_cast<long long>(end.heapKb - start.heapKb));
    return 0;
}
