#pragma once

#include "model/Quote.h"
#include "model/WatchItem.h"
#include "platform/Clock.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <optional>

namespace virel {

class AppState;
class MarqueeTicker;
class StaleWatch;
class TimerEngine;

// The widths of the strip's three parts: left of the housing, over it, right of it.
struct StripParts
{
    double notchWidth = 12;
    double leftWidth = 190;
    double rightWidth = 190;
    bool operator==(const StripParts&) const = default;
};

// The black strip around the camera housing. Normally: the countdown (while one runs) and the first
// list entries left of the housing, and right of it the rotating symbol, cross-faded on every
// rotation step, or the flowing ticker. In focus mode: the countdown or "집중모드" on the left, the
// Korean and US session dots and a bell with the number of big movers on the right.
class NotchStripView : public QWidget
{
    Q_OBJECT
public:
    static constexpr double rowHeight = 24;
    static constexpr auto crossFade = std::chrono::milliseconds(250);
    // 30 frames a second, like the flowing ticker: smooth enough for a fade, half the work of 60.
    static constexpr auto fadeFrameInterval = std::chrono::milliseconds(33);

    NotchStripView(AppState& state, TimerEngine& timer, const Clock& clock, StripParts parts,
                   QWidget* parent = nullptr);

    StripParts parts() const { return m_parts; }
    void setParts(StripParts parts);
    // The flowing ticker of the right part; shown only with the notchRight placement outside focus mode.
    MarqueeTicker* ticker() const { return m_ticker; }
    bool isCrossFading() const { return m_fadeFrames.isActive(); }

    // How many quotes moved 5 % or more either way since the previous close.
    static int criticalCount(const QuoteMap& quotes);
    // A session dot is green only while the market of its quote is in its regular session.
    static bool sessionDotLit(const std::optional<Quote>& quote);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeTicker();
    void rotationChanged();
    void paintNormal(QPainter& painter, double centreY);
    void paintFocus(QPainter& painter, double centreY);
    bool countdownShown() const;

    AppState& m_state;
    TimerEngine& m_timer;
    const Clock& m_clock;
    StripParts m_parts;
    MarqueeTicker* m_ticker;
    StaleWatch* m_staleWatch;
    QTimer m_fadeFrames;
    QElapsedTimer m_fadeClock;
    std::optional<WatchItem> m_shownItem;  // the rotating entry now on screen
    std::optional<WatchItem> m_fadingItem; // the one fading out
};

} // namespace virel
