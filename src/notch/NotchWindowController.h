#pragma once

#include "model/NotchLayout.h"
#include "platform/Clock.h"

#include <QObject>
#include <QPoint>
#include <QTimer>
#include <chrono>
#include <functional>
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
// a task bar; the ticker bar lets clicks through. The pointer is not polled while the glance is
// closed and the pointer is away: entering the strip starts a short poll that runs while the glance
// is open or the pointer stays near the strip. Where the window manager reserves the bands of docks,
// the ticker bar is a dock instead, so maximised windows start below it. On a compositor with the
// layer shell all three are its surfaces instead, and it places them and tells where the pointer is.
class NotchWindowController : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds widthCheckInterval{10'000};
    static constexpr std::chrono::milliseconds hoverPollInterval{50};
    // How close to the strip the pointer keeps the poll running with the glance closed.
    static constexpr double hoverProximity = 40;

    NotchWindowController(AppState& state, ScreenFacts& screens, StatusItemScan& scan,
                          const Clock& clock = Clock::system(), WaylandSession* wayland = nullptr,
                          QObject* parent = nullptr);
    ~NotchWindowController() override;

    // Recomputes the geometry and creates, moves or removes the strip and the ticker bar; after
    // changes of the display mode, the focus mode or the ticker placement.
    void layout();
    // Opens the glance card for `seconds`: it closes early only when the pointer comes to the strip
    // or the card and leaves again, and stays when the pointer is on them at the end.
    void flashGlance(double seconds);

    QWidget* stripWidget() const;
    QWidget* tickerBarWidget() const; // none while the ticker bar is not shown
    QWidget* glanceWidget() const;    // none while the glance card is closed
    // The geometry of the last layout, in desk coordinates.
    const NotchLayout::Geometry& geometry() const { return m_geometry; }

    // Where the pointer is, in the windowing system's coordinates; the cursor unless replaced.
    void setPointerSource(std::function<QPoint()> source);
    void setHoverPollInterval(std::chrono::milliseconds interval);
    bool isPolling() const { return m_hoverPoll.isActive(); }
    void setWidthCheckInterval(std::chrono::milliseconds interval);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layoutTickerBar();
    void relayoutIfWidthChanged();
    void startPolling();
    void pollPointer();
    void handlePointer();
    void showGlance();
    void hideGlance();
    void placeGlance();
    QPointF pointerOnDesk() const;

    AppState& m_state;
    ScreenFacts& m_screens;
    StatusItemScan& m_scan;
    const Clock& m_clock;
    std::unique_ptr<NotchLayers> m_layers; // before the surfaces, which it draws
    std::unique_ptr<NotchStripView> m_strip;
    std::unique_ptr<TickerBarView> m_tickerBar;
    bool m_tickerBarDocked = false; // a dock reserving its band, not an unmanaged panel
    std::unique_ptr<GlanceView> m_glance;
    NotchLayout::Geometry m_geometry;
    std::optional<DeskRect> m_glanceFrame;
    std::function<QPoint()> m_pointer;
    std::optional<QPoint> m_lastPointer;
    QTimer m_flash;
    bool m_pointerCame = false; // to the strip or the card since the last flash began
    QTimer m_hoverPoll;
    QTimer m_widthCheck;
    QTimer m_relayout;
};

} // namespace virel
