#include "notch/NotchWindowController.h"

#include "notch/DarkGlass.h"
#include "notch/GlanceView.h"
#include "notch/NotchLayers.h"
#include "notch/NotchStripView.h"
#include "notch/TickerBarView.h"
#include "notch/WaylandSession.h"
#include "platform/ScreenFacts.h"
#include "platform/StatusItemScan.h"
#include "state/AppState.h"
#include "windows/WindowStyle.h"

#include <QCursor>
#include <QEvent>
#include <QWidget>

namespace virel {

namespace {

// Frameless, above other windows, unmanaged (exact position, every workspace, no task bar entry)
// and never activated; panels that ignore the pointer let every click through. A dock is left to
// the window manager, which keeps its place and its workspaces from its dock type.
void makePanel(QWidget& panel, bool receivesPointer, bool translucent, bool dock = false)
{
    Qt::WindowFlags flags = (dock ? Qt::Window : Qt::Tool | Qt::BypassWindowManagerHint) |
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

// Moves a panel; a panel shown for the first time is brought to the front.
void place(QWidget& panel, const QRect& frame)
{
    panel.setGeometry(frame);
    if (!panel.isVisible()) {
        panel.show();
        panel.raise();
    }
}

} // namespace

NotchWindowController::NotchWindowController(AppState& state, ScreenFacts& screens, StatusItemScan& scan,
                                             const Clock& clock, WaylandSession* wayland, QObject* parent)
    : QObject(parent), m_state(state), m_screens(screens), m_scan(scan), m_clock(clock),
      m_pointer([] { return QCursor::pos(); })
{
    if (wayland != nullptr && wayland->hasLayerShell()) {
        const auto toScreen = [this](QPointF desk) {
            const QRectF primary = m_screens.primaryGeometry();
            return QPointF(desk.x() + primary.x(), primary.bottom() - desk.y()).toPoint();
        };
        m_layers = std::make_unique<NotchLayers>(*wayland, toScreen);
        connect(m_layers.get(), &NotchLayers::pointerChanged, this, &NotchWindowController::handlePointer);
        // The X pointer knows nothing of these surfaces; off them, the pointer is far from both.
        m_pointer = [this, toScreen] { return toScreen(m_layers->pointer().value_or(QPointF(-1e6, -1e6))); };
    }
    // Screen changes arrive in bursts; one layout on the next turn covers them all.
    m_relayout.setSingleShot(true);
    m_relayout.setInterval(0);
    connect(&m_relayout, &QTimer::timeout, this, &NotchWindowController::layout);
    connect(&screens, &ScreenFacts::changed, &m_relayout, qOverload<>(&QTimer::start));
    connect(&state, &AppState::focusModeChanged, &m_relayout, qOverload<>(&QTimer::start));
    connect(&state, &AppState::tickerPlacementChanged, &m_relayout, qOverload<>(&QTimer::start));

    m_hoverPoll.setInterval(hoverPollInterval);
    connect(&m_hoverPoll, &QTimer::timeout, this, &NotchWindowController::pollPointer);
    m_flash.setSingleShot(true);
    connect(&m_flash, &QTimer::timeout, this, &NotchWindowController::handlePointer);
    m_widthCheck.setInterval(widthCheckInterval);
    connect(&m_widthCheck, &QTimer::timeout, this, &NotchWindowController::relayoutIfWidthChanged);

    layout();
    m_widthCheck.start();
}

NotchWindowController::~NotchWindowController() = default;

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
    return m_glance.get();
}

void NotchWindowController::setPointerSource(std::function<QPoint()> source)
{
    m_pointer = std::move(source);
}

void NotchWindowController::setHoverPollInterval(std::chrono::milliseconds interval)
{
    m_hoverPoll.setInterval(interval);
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
    const auto reserved = m_tickerBar && m_tickerBarDocked ? m_geometry.tickerBar : std::nullopt;
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
    }
    placeGlance(); // an open card follows the strip to its new place
}

void NotchWindowController::layoutTickerBar()
{
    if (!m_geometry.tickerBar) {
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
        // Destroying the window at hiding takes the reservation with it.
        m_screens.reserveBand(m_tickerBar->winId(),
                              NotchLayout::topStrut(frame, m_tickerBar->devicePixelRatioF()));
    }
    place(*m_tickerBar, frame);
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

void NotchWindowController::flashGlance(double seconds)
{
    m_pointerCame = false;
    showGlance();
    m_flash.start(std::chrono::milliseconds(qRound64(seconds * 1000)));
}

bool NotchWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_strip.get() && (event->type() == QEvent::Enter || event->type() == QEvent::Leave)) {
        handlePointer();
        startPolling();
    } else if (watched == m_glance.get() && event->type() == QEvent::LayoutRequest) {
        // New content (a fired alert, another list) resizes the open card.
        QTimer::singleShot(0, this, &NotchWindowController::placeGlance);
    }
    return QObject::eventFilter(watched, event);
}

QPointF NotchWindowController::pointerOnDesk() const
{
    return toDesk(QPointF(m_pointer()), m_screens.primaryGeometry());
}

// Only movement from here on counts, as the pointer may rest anywhere when a timed glance opens.
void NotchWindowController::startPolling()
{
    if (!m_hoverPoll.isActive()) {
        m_lastPointer = m_pointer();
        m_hoverPoll.start();
    }
}

void NotchWindowController::pollPointer()
{
    const QPoint pointer = m_pointer();
    if (pointer != m_lastPointer) {
        m_lastPointer = pointer;
        handlePointer();
    }
    const DeskRect near = m_geometry.strip.grown(hoverProximity, hoverProximity);
    if (!m_glance && !near.contains(pointerOnDesk())) {
        m_hoverPoll.stop();
        m_lastPointer.reset();
    }
}

void NotchWindowController::handlePointer()
{
    if (!m_strip) {
        return;
    }
    if (NotchLayout::wantsGlance(pointerOnDesk(), m_geometry.strip, m_glanceFrame)) {
        m_pointerCame = true;
        showGlance();
    } else if (!m_flash.isActive() || m_pointerCame) {
        // A flashed card stays for its time while the pointer moves elsewhere; once the pointer came
        // to it and left, it closes like a hovered one.
        hideGlance();
    }
}

void NotchWindowController::showGlance()
{
    if (m_glance || !m_strip) {
        return;
    }
    const bool translucent = WindowStyle::compositorActive();
    m_glance = std::make_unique<GlanceView>(m_state, m_state.alertEngine(), m_clock);
    m_glance->installEventFilter(this);
    if (m_layers) {
        placeGlance();
    } else {
        makePanel(*m_glance, true, translucent);
        m_glance->setTranslucent(translucent);
        placeGlance();
        m_glance->show();
        m_glance->raise();
    }
    m_state.setExpanded(true);
    startPolling();
}

void NotchWindowController::placeGlance()
{
    if (!m_glance) {
        return;
    }
    m_glance->adjustSize();
    const QSize size = m_glance->size();
    m_glanceFrame = NotchLayout::glanceFrame(m_geometry.notchCenterX, m_geometry.strip, size);
    if (m_layers) {
        m_layers->placeGlance(m_glance.get(), m_glanceFrame);
        return;
    }
    m_glance->setGeometry(fromDesk(*m_glanceFrame, m_screens.primaryGeometry()).toAlignedRect());
    if (!m_glance->testAttribute(Qt::WA_TranslucentBackground)) {
        m_glance->setMask(DarkGlass(GlanceView::cornerRadius).mask(size));
    }
}

void NotchWindowController::hideGlance()
{
    m_flash.stop();
    if (m_layers) {
        m_layers->placeGlance(nullptr, std::nullopt);
    }
    m_glance.reset();
    m_glanceFrame.reset();
    m_state.setExpanded(false);
}

} // namespace virel
