#pragma once

#include "notch/QuoteChip.h"
#include "platform/Clock.h"

#include <QList>
#include <QPixmap>
#include <QWidget>
#include <chrono>
#include <memory>

namespace virel {

class AppState;
class Presence;
class X11TickerSurface;

// The chips of a list flowing leftwards in an endless loop. The position follows the wall clock,
// so two tickers with the same content move in step and a late frame never makes the row stutter;
// when the shift wraps, the next copy stands exactly where the first began. The row is drawn once
// per content change into a cached picture that each frame only places at the new offset; on X11 that
// picture lives on the server and a frame is one copy there, sent by a thread of its own. Frames run only
// while the ticker can be seen and has something to move, all tickers on one timer, and only when the row
// moved a whole pixel.
class MarqueeTicker : public QWidget
{
    Q_OBJECT
public:
    static constexpr double defaultSpeed = 28; // points per second
    static constexpr double defaultGap = 28;   // between chips, and between the end and the repeat
    static constexpr std::chrono::milliseconds frameInterval{34}; // at most 30 frames a second

    explicit MarqueeTicker(const Clock& clock, double speed = defaultSpeed, double gap = defaultGap,
                           QWidget* parent = nullptr);
    ~MarqueeTicker() override;

    // Shows every entry of the state's list with its price, following list, quote and freshness
    // changes.
    void follow(AppState& state);
    void setChips(const QList<QuoteChip>& chips);
    // An opaque colour behind the row, so a parent that draws the same colour need not repaint
    // under every frame.
    void setBackdrop(const QColor& color);
    // Device pixels per point to draw the row at where the picture goes elsewhere than this
    // widget's window (a surface at its output's scale); 0 follows the window.
    void setPixelRatio(double ratio);

    double contentWidth() const { return m_contentWidth; }
    double cycle() const { return m_contentWidth + m_gap; }
    double currentShift() const;

    bool isAnimating() const { return m_animating; }
    // Every ticker stops while the screen is hidden and steps one chip at a time while nobody is at
    // the keyboard or the machine runs on battery (unless `smooth` on battery is chosen).
    static void followPresence(Presence& presence);
    static void setSmoothOnBattery(bool smooth);
    // Whether tickers flow smoothly now; other motion on the strip then animates too.
    static bool flowing();
    // No ticker draws while a full-screen window is active on the screen.
    static void setFullScreen(bool fullScreen);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    class FrameClock;
    void renderRow();
    void updateAnimation(bool visible);
    void nextFrame();
    double nowSeconds() const;
    void startStepping();
    void stopStepping();
    // Whether the next frame can be a copy on the X server; loads the strip there when it is stale.
    bool serverCopyReady();
    QImage strip(int width) const;
    // The shift rounded to whole device pixels, so the cached row is never resampled.
    double paintedShift() const;
    double pixelRatio() const;

    const Clock& m_clock;
    double m_speed;
    double m_gap;
    QColor m_backdrop;
    QList<QuoteChip> m_chips;
    QList<double> m_chipStarts; // left edges within one copy
    double m_contentWidth = 0;
    double m_pixelRatio = 0;
    double m_lead = 0; // seconds ahead of the wall clock, kept since the last resumed flow
    bool m_stepping = false;
    double m_stepFrom = 0;  // where the row stood when stepping began
    double m_stepStart = 0; // and when
    QPixmap m_row;
    bool m_rowStale = true; // rendered at the next paint, so a hidden ticker never renders
    bool m_stripStale = true;
    bool m_animating = false;
    bool m_timed = false; // on the shared frame timer, rather than the X11 frame thread
    double m_lastShift = -1;
    std::unique_ptr<X11TickerSurface> m_surface;
    bool m_surfaceTried = false;
};

} // namespace virel
