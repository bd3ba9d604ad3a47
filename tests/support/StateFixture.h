#pragma once

#include "FakeClock.h"
#include "FakeNotifier.h"
#include "TempSettings.h"
#include "fakemarket/FakeServer.h"
#include "market/YahooClient.h"
#include "state/AppState.h"

#include <QNetworkReply>
#include <QTest>
#include <memory>

namespace virel::test {

// A weekday at 10:00 in New York and midnight in Seoul: the US market is in its regular session,
// the Korean one closed.
inline QDateTime usMorning()
{
    return QDateTime::fromSecsSinceEpoch(1'699'974'000, Qt::UTC); // 2023-11-14 15:00 UTC
}

// An application state over a fresh settings store, polling the in-process fake market (never the
// internet). Given `now`, the clock and the market stand still there; without, the market runs on real
// time and the clock starts at the present. Polling and rotation are slowed down so only the test
// moves them.
struct StateFixture
{
    enum class Start { now, later };

    explicit StateFixture(Start when = Start::now, const std::optional<QDateTime>& now = std::nullopt)
        : clock(now.value_or(QDateTime::currentDateTimeUtc()))
    {
        if (now) {
            server.setNow(*now);
        }
        if (!server.listen()) {
            qFatal("the fake market could not listen");
        }
        yahoo = std::make_unique<YahooClient>(server.origin());
        if (when == Start::now) {
            start();
        }
    }

    // Requests still running end before the client goes: one cut off before it was sent would never
    // resume the task awaiting it.
    ~StateFixture()
    {
        state.reset();
        QTRY_VERIFY_WITH_TIMEOUT(yahoo->findChildren<QNetworkReply*>().isEmpty(), 5000);
    }

    // A fresh state over what the store holds now.
    AppState& start(AppState::Intervals intervals = {std::chrono::hours(1), std::chrono::hours(1),
                                                     std::chrono::seconds(1)})
    {
        state = std::make_unique<AppState>(*settings, *yahoo, notifier, clock, intervals);
        state->onWatchlistEdit = [this](const WatchlistChange& change) { edits.append(change); };
        return *state;
    }

    void useWatchlist(const QList<WatchItem>& list)
    {
        settings->setValue(QStringLiteral("displayMode"), QStringLiteral("watchlist"));
        settings->setValue(QStringLiteral("items.watchlist"), WatchItem::encodeList(list));
    }

    // Adds an alert above `threshold` and fires it with one quote at `price`.
    void fireAlert(const QString& symbol, const QString& name, double threshold, double price)
    {
        AlertRule rule;
        rule.symbol = symbol;
        rule.name = name;
        rule.threshold = threshold;
        state->alertEngine().add(rule);
        Quote quote;
        quote.symbol = symbol;
        quote.price = price;
        state->alertEngine().evaluate({{symbol, quote}});
    }

    // True once every entry of the active list has a quote.
    bool quoted() const { return state->quoteService().quotes().size() == state->items().size(); }

    fake::FakeServer server;
    TempSettings settings;
    FakeNotifier notifier;
    FakeClock clock;
    std::unique_ptr<YahooClient> yahoo;
    std::unique_ptr<AppState> state;
    QList<WatchlistChange> edits;
};

// The same with the clock and the market standing still on a weekday morning in New York.
struct MorningStateFixture : StateFixture
{
    MorningStateFixture() : StateFixture(Start::now, usMorning()) {}
};

} // namespace virel::test
