#pragma once

#include "FakeClock.h"
#include "FakeNotifier.h"
#include "TempSettings.h"
#include "fakemarket/FakeServer.h"
#include "market/YahooClient.h"
#include "state/AppState.h"

#include <QtTest>
#include <memory>

namespace virel::test {

// An application state over a fresh settings store, polling the in-process fake market (never the
// internet). Polling and rotation are slowed down so only the test moves them.
struct StateFixture
{
    StateFixture()
    {
        if (!server.listen()) {
            qFatal("the fake market could not listen");
        }
        yahoo = std::make_unique<YahooClient>(server.origin());
        state = std::make_unique<AppState>(
            *settings, *yahoo, notifier, clock,
            AppState::Intervals{std::chrono::hours(1), std::chrono::hours(1), std::chrono::seconds(1)});
        state->onWatchlistEdit = [this](const WatchlistChange& change) { edits.append(change); };
    }

    fake::FakeServer server;
    TempSettings settings;
    FakeNotifier notifier;
    FakeClock clock{QDateTime::currentDateTimeUtc()};
    std::unique_ptr<YahooClient> yahoo;
    std::unique_ptr<AppState> state;
    QList<WatchlistChange> edits;
};

} // namespace virel::test
