#pragma once

#include "model/NotchLayout.h"
#include "platform/Clock.h"

#include <QObject>
#include <QTimer>
#include <chrono>
#include <memory>
#include <optional>

class QWidget;

namespace virel {

class AppState;
class GlanceView;
class NotchLayers;
class NotchStripView;
class ScreenFacts;
class StatusItemScan;
class TickerBarView;
class WaylandSession;

// Owns the three floating surfaces at the top of the main screen: the strip around the camera
// housing, the glance card that drops down while the pointer rests on the strip, and the ticker bar
// under the desktop's top panel. They are frameless windows outside the window manager's care, so
// they sit at exact coordinates on every workspace, never take the keyboard focus and never show in
// a task bar; the ticker bar lets clicks through. The glance follows the pointer's entering and
// leaving the strip and the card, as the windowing system reports them for every kind of window the
// pointer goes to; the card's clear edges take the pointer too. Where the window manager reserves
// the bands of docks, the ticker bar is a dock instead, so maximised windows start below it. All three
// step aside while the active window on the screen is full-screen. On a compositor with the layer
// shell all three are its surfaces instead, placed, stacked and hidden by the compositor.
class NotchWindowController : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds widthCheckInterval{10'000};
    // Crossing from the strip to the card leaves one before entering the other: the card waits this
    // long before it closes.
    static constexpr std::chrono::milliseconds leaveGrace{150};

    NotchWindowController(AppState& state, ScreenFacts& screens, StatusItemScan& scan,
                          const Clock& clock = Clock::system(), WaylandSession* wayland = nullptr,
                          QObject* parent = nullptr);
    ~NotchWindowController() override;

    // Recomputes the geometry and creates, moves or removes the strip and the ticker bar; after
    // changes of the display mode, the focus mode or the ticker placement.
    void layout();
    // Opens the glance card for `seconds`: it closes early only when the pointer comes to the strip
    // or the card and leaves again, and stays when the pointer is on them at the end. A card opened
    // here hangs `drop` points lower than hovering opens it, beneath what the desktop shows there.
    void flashGlance(double seconds, double drop = 0);

    QWidget* stripWidget() const;
    QWidget* tickerBarWidget() const; // none while the ticker bar is not shown
    QWidget* glanceWidget() const;    // none while the glance card is closed
    // The geometry of the last layout, in desk coordinates.
    const NotchLayout::Geometry& geometry() const { return m_geometry; }
    bool isFullScreenAbove() const { return m_fullScreen; }

    void setWidthCheckInterval(std::chrono::milliseconds interval);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutTickerBar();
    void keepStripBand();
    void relayoutIfWidthChanged();
    void pointerCrossed();
    bool pointerOnSurfaces() const { return m_onStrip || m_onGlance; }
    void showGlance();
    void hideGlance();
    void placeGlance();
    void followFullScreen();
    void place(QWidget& panel, const QRect& frame) const;

    AppState& m_state;
    ScreenFacts& m_screens;
    StatusItemScan& m_scan;
    const Clock& m_clock;
    std::unique_ptr<NotchLayers> m_layers; // before the surfaces, which it draws
    std::unique_ptr<NotchStripView> m_strip;
    std::unique_ptr<TickerBarView> m_tickerBar;
    bool m_tickerBarDocked = false;       // a dock reserving its band, not an unmanaged panel
    std::unique_ptr<QWidget> m_stripBand; // without the bar, an unseen dock keeping the strip's band
    std::unique_ptr<GlanceView> m_glance; // one window, shown and hidden
    NotchLayout::Geometry m_geometry;
    bool m_onStrip = false;
    bool m_onGlance = false;
    double m_glanceDrop = 0;
    bool m_fullScreen = false;
    QTimer m_flash;
    bool m_pointerCame = false; // to the strip or the card since the last flash began
    QTimer m_leaveGrace;
    QTimer m_widthCheck;
    QTimer m_relayout;
};

} // namespace virel
