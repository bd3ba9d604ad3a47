#pragma once

#include "engine/AlertEngine.h"
#include "engine/TimerEngine.h"
#include "market/QuoteService.h"
#include "model/DisplayMode.h"
#include "model/WatchItem.h"
#include "model/WatchlistChange.h"
#include "platform/Clock.h"

#include <QList>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>
#include <qcoro/qcorotask.h>

namespace virel {

class Notifier;
class Settings;
class YahooClient;

// The periods of the state's timers; tests shorten them.
struct AppStateIntervals
{
    std::chrono::milliseconds poll{20'000};    // quote polling
    std::chrono::milliseconds rotation{6'000}; // the rotating symbol
    std::chrono::milliseconds tick{1'000};     // the countdown display
};

// What the whole application shows: the active symbol list, the rotating symbol, the display
// preferences and the engines working on the list. Every edit of a list writes the stored list and
// then restarts, so `items` is always what `storedItems(mode)` gave at the last restart.
class AppState : public QObject
{
    Q_OBJECT
    Q_PROPERTY(virel::DisplayMode mode READ mode WRITE setMode NOTIFY modeChanged)
    Q_PROPERTY(QList<virel::WatchItem> items READ items NOTIFY itemsChanged)
    Q_PROPERTY(int rotationIndex READ rotationIndex NOTIFY rotationIndexChanged)
    Q_PROPERTY(bool expanded READ expanded WRITE setExpanded NOTIFY expandedChanged)
    Q_PROPERTY(bool focusMode READ focusMode WRITE setFocusMode NOTIFY focusModeChanged)
    Q_PROPERTY(virel::TickerPlacement tickerPlacement READ tickerPlacement WRITE setTickerPlacement NOTIFY
                   tickerPlacementChanged)
    Q_PROPERTY(
        bool smoothOnBattery READ smoothOnBattery WRITE setSmoothOnBattery NOTIFY smoothOnBatteryChanged)
public:
    using Intervals = AppStateIntervals;

    AppState(Settings& settings, YahooClient& yahoo, Notifier& notifier, const Clock& clock = Clock::system(),
             Intervals intervals = {}, QObject* parent = nullptr);

    DisplayMode mode() const { return m_mode; }
    // A new mode is stored and the list restarts.
    void setMode(DisplayMode mode);
    const QList<WatchItem>& items() const { return m_items; }
    int rotationIndex() const { return m_rotationIndex; }
    // True while the glance panel is open.
    bool expanded() const { return m_expanded; }
    void setExpanded(bool expanded);
    bool focusMode() const { return m_focusMode; }
    void setFocusMode(bool focusMode);
    TickerPlacement tickerPlacement() const { return m_tickerPlacement; }
    void setTickerPlacement(TickerPlacement placement);
    // The ticker flows on battery too instead of stepping one chip at a time.
    bool smoothOnBattery() const { return m_smoothOnBattery; }
    void setSmoothOnBattery(bool smooth);

    QuoteService& quoteService() { return m_quoteService; }
    AlertEngine& alertEngine() { return m_alertEngine; }
    TimerEngine& timerEngine() { return m_timerEngine; }

    static QList<WatchItem> defaultItems(DisplayMode mode);
    // The stored list of `mode`, or its default list when none is stored or it cannot be read.
    QList<WatchItem> storedItems(DisplayMode mode) const;
    void store(const QList<WatchItem>& list, DisplayMode mode);
    // Reloads `items` from the store, rewinds the rotation and restarts quote polling.
    void restart();

    // Appends a symbol (trimmed, upper case; ignored when blank or already listed) and reports it
    // when the watchlist is active.
    void addSymbol(const QString& symbol, const std::optional<QString>& name = std::nullopt);
    // Removes every entry of exactly `symbol`; reported when the watchlist is active, even if absent.
    void removeSymbol(const QString& symbol);

    void rotate();
    std::optional<WatchItem> rotatingItem() const;
    // The first two entries, drawn left of the notch.
    QList<WatchItem> leftItems() const;
    // The watchlist whatever the active mode.
    QList<WatchItem> watchlistItems() const;

    // Takes the account's watchlist: with the same members only the names change (local order
    // kept); any other membership replaces the local list wholesale. Never reported back.
    void applyServerWatchlist(const QList<WatchItem>& list);

    // Gives Korean listings named in Latin letters their Korean names, one lookup at a time. Edits
    // made meanwhile are kept: names are applied to the list as stored when the pass writes.
    QCoro::Task<> localizeKoreanNames();

    std::function<void(const WatchlistChange&)> onWatchlistEdit;
    std::function<void(const WatchItem&)> openDetail;

signals:
    void modeChanged();
    void itemsChanged();
    void rotationIndexChanged();
    void expandedChanged();
    void focusModeChanged();
    void smoothOnBatteryChanged();
    void tickerPlacementChanged();

private:
    void setItems(const QList<WatchItem>& items);
    void setRotationIndex(int index);
    void reportEdit(const WatchlistChange& change) const;

    Settings& m_settings;
    YahooClient& m_yahoo;
    Intervals m_intervals;
    QuoteService m_quoteService;
    AlertEngine m_alertEngine;
    TimerEngine m_timerEngine;
    QTimer m_rotationTimer;

    DisplayMode m_mode = DisplayMode::market;
    QList<WatchItem> m_items;
    int m_rotationIndex = 0;
    bool m_expanded = false;
    bool m_focusMode = false;
    bool m_smoothOnBattery = false;
    TickerPlacement m_tickerPlacement = TickerPlacement::belowMenuBar;
};

} // namespace virel
