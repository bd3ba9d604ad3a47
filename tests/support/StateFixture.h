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

// An application state over a fresh store and the in-process fake market. Given `now`, clock and market
// stand still there; else the market runs in real time, the clock from now. Polling waits for the test.
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

    bool quoted() const { return state->quoteService().quotes().size() == state->items().size(); }

    fake::FakeServer server;
    TempSettings settings;
    FakeNotifier notifier;
    FakeClock clock;
    std::unique_ptr<YahooClient> yahoo;
    std::unique_ptr<AppState> state;
    QList<WatchlistChange> edits;
};

} // namespace virel::test
