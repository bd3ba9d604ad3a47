#pragma once

#include "FakeClock.h"
#include "FakeNotifier.h"
#include "TempSettings.h"
#include "fakemarket/FakeServer.h"
#include "market/YahooClient.h"
#include "state/AppState.h"
#include "platform/ScreenFacts.h"
#include "platform/StatusItemScan.h"

#include <QTest>
#include <memory>

namespace virel::test {

// A weekday at 10:00 in New York and midnight in Seoul: the US market is in its regular session,
// the Korean one closed.
inline QDateTime usMorning()
{
    return QDateTime::fromSecsSinceEpoch(1'699'974'000, Qt::UTC); // 2023-11-14 15:00 UTC
}

// The application state against the local fake market, with the clock standing still.
struct NotchFixture
{
    TempSettings settings;
    FakeNotifier notifier;
    FakeClock clock{usMorning()};
    std::unique_ptr<fake::FakeServer> server;
    std::unique_ptr<YahooClient> yahoo;
    std::unique_ptr<AppState> state;

    NotchFixture()
    {
        server = std::make_unique<fake::FakeServer>();
        server->setNow(usMorning());
        if (!server->listen()) {
            qFatal("the fake market cannot listen");
        }
        yahoo = std::make_unique<YahooClient>(server->origin());
        state = std::make_unique<AppState>(*settings, *yahoo, notifier, clock);
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
};

// Screens as a test sets them.
class FakeScreenFacts final : public ScreenFacts
{
public:
    std::optional<ScreenInfo> main;
    QList<ScreenInfo> all;

    explicit FakeScreenFacts(double width = 1440, double height = 900, double topPanel = 0)
    {
        setScreen(width, height, topPanel);
    }
    void setScreen(double width, double height, double topPanel = 0)
    {
        ScreenInfo screen;
        screen.frame = {0, 0, width, height};
        screen.visibleFrame = {0, 0, width, height - topPanel};
        main = screen;
        all = {screen};
    }

    std::optional<ScreenInfo> mainScreen() const override { return main; }
    QList<ScreenInfo> screens() const override { return all; }
    QRectF primaryGeometry() const override
    {
        return all.isEmpty() ? QRectF() : QRectF(0, 0, all[0].frame.width, all[0].frame.height);
    }
};

// A window list as a test sets it.
class FakeStatusItemScan final : public StatusItemScan
{
public:
    std::optional<QList<ForeignWindow>> list;
    std::optional<QList<ForeignWindow>> windows() const override { return list; }
    qint64 ownProcessId() const override { return 1000; }
};

} // namespace virel::test
