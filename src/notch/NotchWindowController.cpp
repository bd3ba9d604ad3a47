#include "notch/NotchWindowController.h"

#include "notch/DarkGlass.h"
#include "notch/GlanceView.h"
#include "notch/MarqueeTicker.h"
#include "notch/NotchLayers.h"
#include "notch/NotchStripView.h"
#include "notch/TickerBarView.h"
#include "notch/WaylandSession.h"
#include "platform/ScreenFacts.h"
#include "platform/StatusItemScan.h"
#include "state/AppState.h"
#include "windows/WindowStyle.h"

#include <QEvent>
#include <QWidget>

namespace virel {

namespace {

// Frameless, above other windows, unmanaged (exact position, every workspace, no task bar entry)
// and never activated; panels that ignore the pointer let every click through. A dock is left to
// the window manager, which keeps its place and its workspaces from its dock type. Plain windows,
// not tool windows: those name a transient parent that no window manager can use.
void makePanel(QWidget& panel, bool receivesPointer, bool translucent, bool dock = false)
{
    Qt::WindowFlags flags = Qt::Window | (dock ? Qt::WindowFlags() : Qt::BypassWindowManagerHint) |
                            Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                            Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint;
    if (!receivesPointer) {
        flags |= Qt::WindowTransparentForInput;
    }
    panel.setWindowFlags(flags);
    panel.setAttribute(Qt::WA_ShowWithoutActivating);
    panel.setAttribute(Qt::WA_TranslucentBackground, translucent);
    panel.setFocusPolicy(Qt::NoFocus);
}

QRect localRect(const DeskRect& part, const DeskRect& whole)
{
    return QRectF(part.x - whole.x, whole.maxY() - part.maxY(), part.width, part.height).toAlignedRect();
}

} // namespace

NotchWindowController::NotchWindowController(AppState& state, ScreenFacts& screens, StatusItemScan& scan,
                                             const Clock& clock, WaylandSession* wayland, QObject* parent)
    : QObject(parent), m_state(state), m_screens(screens), m_scan(scan), m_clock(clock)
{
    if (wayland != nullptr && wayland->hasLayerShell()) {
        const auto toScreen = [this](QPointF desk) {
            const QRectF primary = m_screens.primaryGeometry();
            return QPointF(desk.x() + primary.x(), primary.bottom() - desk.y()).toPoint();
        };
        m_layers = std::make_unique<NotchLayers>(*wayland, toScreen);
        connect(m_layers.get(), &NotchLayers::pointerChanged, this, [this] {
            m_onStrip = m_layers->pointerOn() == NotchLayers::Surface::strip;
            m_onGlance = m_layers->pointerOn() == NotchLayers::Surface::glance;
            pointerCrossed();
        });
    }
    // Screen changes arrive in bursts; one layout on the next turn covers them all.
    m_relayout.setSingleShot(true);
    m_relayout.setInterval(0);
    connect(&m_relayout, &QTimer::timeout, this, &NotchWindowController::layout);
    connect(&screens, &ScreenFacts::changed, &m_relayout, qOverload<>(&QTimer::start));
    connect(&state, &AppState::focusModeChanged, &m_relayout, qOverload<>(&QTimer::start));
    connect(&state, &AppState::tickerPlacementChanged, &m_relayout, qOverload<>(&QTimer::start));

    connect(&screens, &ScreenFacts::fullScreenChanged, this, &NotchWindowController::followFullScreen);

    m_leaveGrace.setSingleShot(true);
    m_leaveGrace.setInterval(leaveGrace);
    connect(&m_leaveGrace, &QTimer::timeout, this, [this] {
        // A flashed card stays for its time while the pointer is elsewhere; once the pointer came to
        // it and left, it closes like a hovered one.
        if (!m_flash.isActive() || m_pointerCame) {
            hideGlance();
        }
    });
    m_flash.setSingleShot(true);
    connect(&m_flash, &QTimer::timeout, this, [this] {
        if (!pointerOnSurfaces()) {
            hideGlance();
        }
    });
    m_widthCheck.setInterval(widthCheckInterval);
    connect(&m_widthCheck, &QTimer::timeout, this, &NotchWindowController::relayoutIfWidthChanged);

    followFullScreen();
    layout();
    m_widthCheck.start();
}

NotchWindowController::~NotchWindowController()
{
    // The panels first, while the timers their last crossing events may start still exist.
    m_glance.reset();
    m_tickerBar.reset();
    m_strip.reset();
}

QWidget* NotchWindowController::stripWidget() const
{
    return m_strip.get();
}

QWidget* NotchWindowController::tickerBarWidget() const
{
    return m_tickerBar.get();
}

QWidget* NotchWindowController::glanceWidget() const
{
    return m_glance && m_glance->isVisible() ? m_glance.get() : nullptr;
}

void NotchWindowController::setWidthCheckInterval(std::chrono::milliseconds interval)
{
    m_widthCheck.setInterval(interval);
}

void NotchWindowController::layout()
{
    const auto screen = m_screens.mainScreen();
    if (!screen) {
        return;
    }
    // A docked bar's own reservation shows in the work area; it must not push the bar further down.
    std::optional<NotchLayout::ReservedBand> reserved;
    if (m_tickerBar && m_tickerBarDocked && m_geometry.tickerBand) {
        reserved = NotchLayout::ReservedBand{*m_geometry.tickerBand, m_geometry.panelBand};
    } else if (m_stripBand) {
        reserved = NotchLayout::ReservedBand{m_geometry.strip, m_geometry.panelBand};
    }
    m_geometry = NotchLayout::compute(*screen, m_screens.screens(), m_scan.windows(), m_scan.ownProcessId(),
                                      m_state.tickerPlacement(), m_state.focusMode(), reserved);
    const StripParts parts{m_geometry.notchWidth, NotchLayout::sideWidth, m_geometry.rightWidth};
    const QRect frame = fromDesk(m_geometry.strip, m_screens.primaryGeometry()).toAlignedRect();
    if (!m_strip) {
        m_strip = std::make_unique<NotchStripView>(m_state, m_state.timerEngine(), m_clock, parts);
        if (!m_layers) {
            makePanel(*m_strip, true, false);
            m_strip->installEventFilter(this);
        }
    } else {
        m_strip->setParts(parts);
    }
    if (m_layers) {
        layoutTickerBar();
        m_layers->place(*m_strip, m_tickerBar.get(), m_geometry);
    } else {
        place(*m_strip, frame);
        layoutTickerBar();
        keepStripBand();
    }
    if (glanceWidget()) {
        placeGlance(); // an open card follows the strip to its new place
    }
}

// Shown unless a full-screen window is active; a panel shown for the first time comes to the front.
void NotchWindowController::place(QWidget& panel, const QRect& frame) const
{
    panel.setGeometry(frame);
    if (!m_fullScreen && !panel.isVisible()) {
        panel.show();
        panel.raise();
    }
}

void NotchWindowController::layoutTickerBar()
{
    // Destroying the window takes a dock's reservation with it.
    if (!m_geometry.tickerBar || m_fullScreen) {
        m_tickerBar.reset();
        return;
    }
    if (m_layers) {
        if (!m_tickerBar) {
            m_tickerBar = std::make_unique<TickerBarView>(m_state, m_clock);
        }
        return; // placed with the strip
    }
    const bool translucent = WindowStyle::compositorActive();
    if (!m_tickerBar) {
        m_tickerBar = std::make_unique<TickerBarView>(m_state, m_clock);
        m_tickerBarDocked = m_screens.reservesDockBands();
        makePanel(*m_tickerBar, false, translucent, m_tickerBarDocked);
        if (m_tickerBarDocked) {
            m_screens.makeDock(m_tickerBar->winId());
        }
    }
    m_tickerBar->setTranslucent(translucent);
    const QRect frame = fromDesk(*m_geometry.tickerBar, m_screens.primaryGeometry()).toAlignedRect();
    if (m_tickerBarDocked) {
        const QRectF band = fromDesk(*m_geometry.tickerBand, m_screens.primaryGeometry());
        m_screens.reserveBand(m_tickerBar->winId(),
                              NotchLayout::topStrut(band, m_tickerBar->devicePixelRatioF()));
    }
    // The strip's part of a shared band is left to the strip.
    m_tickerBar->setMask(m_geometry.tickerBarHole
                             ? QRegion(0, 0, frame.width(), frame.height()) -
                                   localRect(*m_geometry.tickerBarHole, *m_geometry.tickerBar)
                             : QRegion());
    place(*m_tickerBar, frame);
}

// The strip stays above the window manager, which therefore reserves nothing for it. Alone, it has a
// dock of its own size under it that keeps maximised windows' title bars out of its band; with the
// bar, the bar's band holds it.
void NotchWindowController::keepStripBand()
{
    if (m_geometry.tickerBar || m_fullScreen || !m_screens.reservesDockBands()) {
        m_stripBand.reset();
        return;
    }
    if (!m_stripBand) {
        m_stripBand = std::make_unique<QWidget>();
        makePanel(*m_stripBand, false, false, true);
        m_stripBand->setMask(QRegion(0, 0, 1, 1)); // drawn nowhere the strip does not cover
        m_screens.makeDock(m_stripBand->winId());
    }
    const QRectF band = fromDesk(m_geometry.strip, m_screens.primaryGeometry());
    m_screens.reserveBand(m_stripBand->winId(),
                          NotchLayout::topStrut(band, m_stripBand->devicePixelRatioF()));
    place(*m_stripBand, band.toAlignedRect());
}

void NotchWindowController::relayoutIfWidthChanged()
{
    const auto screen = m_screens.mainScreen();
    if (!screen) {
        return;
    }
    const double notchWidth = NotchLayout::notchWidth(*screen);
    const double rightWidth =
        NotchLayout::rightWidth(*screen, notchWidth, NotchLayout::primaryTop(m_screens.screens(), *screen),
                                m_scan.windows(), m_scan.ownProcessId());
    if (NotchLayout::widthMoved(m_geometry.rightWidth, rightWidth)) {
        layout();
    }
}

void NotchWindowController::flashGlance(double seconds, double drop)
{
    m_pointerCame = pointerOnSurfaces();
    if (!glanceWidget()) {
        m_glanceDrop = drop;
    }
    showGlance();
    m_flash.start(std::chrono::milliseconds(qRound64(seconds * 1000)));
}

bool NotchWindowController::eventFilter(QObject* watched, QEvent* event)
{
    const bool crossing = event->type() == QEvent::Enter || event->type() == QEvent::Leave;
    if (crossing && (watched == m_strip.get() || watched == m_glance.get())) {
        (watched == m_strip.get() ? m_onStrip : m_onGlance) = event->type() == QEvent::Enter;
        pointerCrossed();
    } else if (watched == m_glance.get() && event->type() == QEvent::LayoutRequest) {
        // New content (a fired alert, another list) resizes the open card.
        QTimer::singleShot(0, this, &NotchWindowController::placeGlance);
    }
    return QObject::eventFilter(watched, event);
}

void NotchWindowController::pointerCrossed()
{
    if (pointerOnSurfaces()) {
        m_leaveGrace.stop();
        m_pointerCame = true;
        showGlance();
    } else {
        m_leaveGrace.start();
    }
}

void NotchWindowController::showGlance()
{
    if (!m_strip || m_fullScreen || glanceWidget()) {
        return;
    }
    if (!m_glance) {
        const bool translucent = WindowStyle::compositorActive();
        m_glance = std::make_unique<GlanceView>(m_state, m_state.alertEngine(), m_clock);
        if (!m_layers) {
            makePanel(*m_glance, true, translucent);
            m_glance->setTranslucent(translucent);
        }
        m_glance->installEventFilter(this);
    }
    placeGlance();
    m_glance->show();
    m_glance->raise();
    m_state.setExpanded(true);
}

void NotchWindowController::placeGlance()
{
    if (!m_glance) {
        return;
    }
    m_glance->adjustSize();
    const QMargins margins = m_glance->inputMargins();
    const QSize card = m_glance->size().shrunkBy(margins);
    DeskRect cardFrame = NotchLayout::glanceFrame(m_geometry.notchCenterX, m_geometry.strip, card);
    cardFrame.y -= m_glanceDrop;
    if (m_layers) {
        m_layers->placeGlance(m_glance.get(), cardFrame); // its surface has the clear edges
        return;
    }
    // Clear edges need a compositor; without one the card is cut to its shape and has none.
    const bool clearEdges = m_glance->testAttribute(Qt::WA_TranslucentBackground);
    const DeskRect frame =
        clearEdges ? NotchLayout::glanceWindowFrame(cardFrame, m_geometry.strip) : cardFrame;
    const QRect inFrame = localRect(cardFrame, frame);
    m_glance->setInputMargins(QMargins(inFrame.left(), inFrame.top(),
                                       qRound(frame.width) - inFrame.right() - 1,
                                       qRound(frame.height) - inFrame.bottom() - 1));
    m_glance->setGeometry(fromDesk(frame, m_screens.primaryGeometry()).toAlignedRect());
    if (!clearEdges) {
        m_glance->setMask(DarkGlass(GlanceView::cornerRadius).mask(card));
    }
}

void NotchWindowController::hideGlance()
{
    m_flash.stop();
    m_leaveGrace.stop();
    m_onGlance = false;
    m_glanceDrop = 0;
    if (m_layers) {
        m_layers->placeGlance(nullptr, std::nullopt);
    }
    if (m_glance) {
        m_glance->hide();
    }
    m_state.setExpanded(false);
}

// A layer-shell compositor hides its top surfaces under a full-screen window itself.
void NotchWindowController::followFullScreen()
{
    if (m_layers) {
        return;
    }
    const auto screen = m_screens.mainScreen();
    const auto window = m_screens.fullScreenWindow();
    const QRectF primary = m_screens.primaryGeometry();
    const bool fullScreen =
        screen && NotchLayout::fullScreenOn(window ? std::optional(toDesk(*window, primary)) : std::nullopt,
                                            screen->frame);
    if (fullScreen == m_fullScreen) {
        return;
    }
    m_fullScreen = fullScreen;
    MarqueeTicker::setFullScreen(fullScreen);
    if (!fullScreen) {
        layout();
        return;
    }
    hideGlance();
    m_onStrip = false;
    if (m_strip) {
        m_strip->hide();
    }
    m_tickerBar.reset();
    m_stripBand.reset();
}

} // namespace virel
