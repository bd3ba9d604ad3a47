#include "notch/MarqueeTicker.h"

#include "model/TickerMotion.h"
#include "notch/StaleWatch.h"
#include "notch/X11TickerSurface.h"
#include "platform/Presence.h"
#include "state/AppState.h"

#include <QGuiApplication>
#include <QPainter>
#include <QTimer>
#include <algorithm>
#include <cmath>

namespace virel {

// One timer for every animating ticker, so two tickers cost one wake-up a frame, not two. It also
// holds what the session says (lock, idle time, battery), so every ticker flows, steps or stops
// together and tickers with the same content stay in step through every change.
class MarqueeTicker::FrameClock
{
public:
    static FrameClock& instance()
    {
        static FrameClock clock;
        return clock;
    }

    void add(MarqueeTicker* ticker)
    {
        m_all.append(ticker);
        if (m_mode == TickerMotion::Mode::step) {
            ticker->startStepping();
        }
    }

    TickerMotion::Mode mode() const { return m_mode; }

    void remove(MarqueeTicker* ticker)
    {
        m_all.removeOne(ticker);
        leave(ticker);
    }

    void join(MarqueeTicker* ticker)
    {
        m_ticking.append(ticker);
        if (!m_timer.isActive()) {
            m_timer.start();
        }
    }

    void leave(MarqueeTicker* ticker)
    {
        m_ticking.removeOne(ticker);
        if (m_ticking.isEmpty()) {
            m_timer.stop();
        }
    }

    void follow(Presence& presence)
    {
        m_presence = &presence;
        QObject::connect(&presence, &Presence::changed, &presence, [this] { sessionChanged(); });
        QObject::connect(&presence, &QObject::destroyed, &presence, [this] {
            m_presence = nullptr;
            sessionChanged();
        });
        sessionChanged();
    }

    void setSmoothOnBattery(bool smooth)
    {
        m_smoothOnBattery = smooth;
        sessionChanged();
    }

    void setFullScreen(bool fullScreen)
    {
        m_fullScreen = fullScreen;
        sessionChanged();
    }

    // The conditions every ticker shares; each adds whether it is shown and covered.
    TickerMotion::Conditions session() const
    {
        TickerMotion::Conditions c;
        if (m_presence != nullptr) {
            c.locked = m_presence->screenHidden();
            c.idleSeconds = m_presence->idleSeconds();
            c.onBattery = m_presence->onBattery();
        }
        c.smoothOnBattery = m_smoothOnBattery;
        c.fullScreen = m_fullScreen;
        return c;
    }

private:
    FrameClock()
    {
        // A coarse timer may fire a little early, which would skip a step.
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(frameInterval);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            for (MarqueeTicker* ticker : std::as_const(m_ticking)) {
                ticker->nextFrame();
            }
        });
    }

    void sessionChanged()
    {
        const TickerMotion::Mode mode = TickerMotion::decide(session());
        const bool stepping = mode == TickerMotion::Mode::step;
        if (stepping != (m_mode == TickerMotion::Mode::step)) {
            for (MarqueeTicker* ticker : std::as_const(m_all)) {
                if (stepping) {
                    ticker->startStepping();
                } else {
                    ticker->stopStepping();
                }
            }
        }
        m_mode = mode;
        applyInterval();
        if (m_presence != nullptr) {
            // While stepping the first input must bring the flow back at once.
            m_presence->setIdleCheckInterval(stepping ? TickerMotion::idleCheckWhileStepping
                                                      : TickerMotion::idleCheckWhileFlowing);
        }
        for (MarqueeTicker* ticker : std::as_const(m_all)) {
            ticker->updateAnimation(ticker->isVisible());
        }
    }

    void applyInterval()
    {
        const bool stepping = m_mode == TickerMotion::Mode::step;
        const std::chrono::milliseconds interval = stepping ? TickerMotion::stepInterval : frameInterval;
        if (m_timer.intervalAsDuration() != interval) {
            m_timer.setInterval(interval);
            if (m_timer.isActive()) {
                m_timer.start(); // a step begins a whole interval after stepping began
            }
        }
    }

    QTimer m_timer;
    QList<MarqueeTicker*> m_all;
    QList<MarqueeTicker*> m_ticking;
    Presence* m_presence = nullptr;
    bool m_smoothOnBattery = false;
    bool m_fullScreen = false;
    TickerMotion::Mode m_mode = TickerMotion::Mode::flow;
};

MarqueeTicker::MarqueeTicker(const Clock& clock, double speed, double gap, QWidget* parent)
    : QWidget(parent), m_clock(clock), m_speed(speed), m_gap(gap)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    FrameClock::instance().add(this);
}

MarqueeTicker::~MarqueeTicker()
{
    FrameClock::instance().remove(this);
}

void MarqueeTicker::followPresence(Presence& presence)
{
    FrameClock::instance().follow(presence);
}

void MarqueeTicker::setSmoothOnBattery(bool smooth)
{
    FrameClock::instance().setSmoothOnBattery(smooth);
}

bool MarqueeTicker::flowing()
{
    return FrameClock::instance().mode() == TickerMotion::Mode::flow;
}

void MarqueeTicker::setFullScreen(bool fullScreen)
{
    FrameClock::instance().setFullScreen(fullScreen);
}

void MarqueeTicker::follow(AppState& state)
{
    auto* staleWatch = new StaleWatch(m_clock, this);
    const auto refresh = [this, &state, staleWatch] {
        const QuoteMap& quotes = state.quoteService().quotes();
        staleWatch->watch(quotes);
        setChips(QuoteChip::forItems(state.items(), quotes, true, m_clock.now()));
    };
    connect(&state, &AppState::itemsChanged, this, refresh);
    connect(&state.quoteService(), &QuoteService::quotesChanged, this, refresh);
    connect(staleWatch, &StaleWatch::turnedStale, this, refresh);
    refresh();
}

void MarqueeTicker::setBackdrop(const QColor& color)
{
    m_backdrop = color;
    setAttribute(Qt::WA_OpaquePaintEvent, color.isValid() && color.alpha() == 255);
    m_rowStale = true;
    m_stripStale = true;
    updateAnimation(isVisible());
    update();
}

void MarqueeTicker::setPixelRatio(double ratio)
{
    if (ratio == m_pixelRatio) {
        return;
    }
    m_pixelRatio = ratio;
    m_rowStale = true;
    m_stripStale = true;
    update();
}

double MarqueeTicker::pixelRatio() const
{
    return m_pixelRatio > 0 ? m_pixelRatio : devicePixelRatioF();
}

void MarqueeTicker::setChips(const QList<QuoteChip>& chips)
{
    if (chips == m_chips) {
        return;
    }
    m_chips = chips;
    m_chipStarts.clear();
    double x = 0;
    for (const QuoteChip& chip : m_chips) {
        m_chipStarts.append(x);
        x += chip.width() + m_gap;
    }
    m_contentWidth = m_chips.isEmpty() ? 0 : x - m_gap;
    m_rowStale = true;
    m_stripStale = true;
    updateAnimation(isVisible());
    update();
}

double MarqueeTicker::nowSeconds() const
{
    return static_cast<double>(m_clock.now().toMSecsSinceEpoch()) / 1000.0;
}

double MarqueeTicker::currentShift() const
{
    const double seconds = nowSeconds();
    if (m_stepping) {
        const double stepSeconds = std::chrono::duration<double>(TickerMotion::stepInterval).count();
        const auto steps = static_cast<qint64>(std::floor((seconds - m_stepStart) / stepSeconds));
        return TickerMotion::steppedShift(m_stepFrom, steps, m_chipStarts, cycle());
    }
    return TickerMotion::shiftAt(seconds + m_lead, m_speed, cycle());
}

void MarqueeTicker::startStepping()
{
    m_stepFrom = currentShift();
    m_stepStart = nowSeconds();
    m_stepping = true;
}

void MarqueeTicker::stopStepping()
{
    if (!m_stepping) {
        return;
    }
    // The flow goes on from where the row stands, and keeps that lead on the wall clock from now on.
    const double standing = currentShift();
    m_stepping = false;
    const double seconds = nowSeconds();
    m_lead = m_speed > 0 ? (standing - TickerMotion::shiftAt(seconds, m_speed, cycle())) / m_speed : 0;
}

QSize MarqueeTicker::sizeHint() const
{
    return {static_cast<int>(std::ceil(m_contentWidth)), 22};
}

void MarqueeTicker::renderRow()
{
    m_rowStale = false;
    if (m_chips.isEmpty() || height() <= 0) {
        m_row = QPixmap();
        return;
    }
    const qreal ratio = pixelRatio();
    m_row = QPixmap(QSize(static_cast<int>(std::ceil(m_contentWidth * ratio)),
                          static_cast<int>(std::ceil(height() * ratio))));
    m_row.setDevicePixelRatio(ratio);
    // On an opaque backdrop the row is drawn onto it once, so every frame is a plain copy instead
    // of a blend across the whole bar.
    m_row.fill(testAttribute(Qt::WA_OpaquePaintEvent) ? m_backdrop : QColor(Qt::transparent));
    QPainter painter(&m_row);
    painter.setRenderHint(QPainter::TextAntialiasing);
    double x = 0;
    for (const QuoteChip& chip : std::as_const(m_chips)) {
        chip.paint(painter, x, height() / 2.0);
        x += chip.width() + m_gap;
    }
}

void MarqueeTicker::updateAnimation(bool visible)
{
    TickerMotion::Conditions conditions = FrameClock::instance().session();
    conditions.shown = visible && !m_chips.isEmpty() && cycle() > 1;
    conditions.covered = m_surface && m_surface->isCovered();
    const bool animate = TickerMotion::decide(conditions) != TickerMotion::Mode::stop;
    // A flowing row whose current strip is on the X server moves on the frame thread; every other
    // animating row on the shared timer.
    const bool pumped =
        animate && !m_stepping && m_surface && m_surface->isLoaded() && !m_rowStale && !m_stripStale;
    if (pumped) {
        m_surface->flow(m_lead, m_speed, cycle());
    } else if (m_surface) {
        m_surface->halt();
    }
    const bool timed = animate && !pumped;
    if (timed != m_timed) {
        m_timed = timed;
        if (timed) {
            FrameClock::instance().join(this);
        } else {
            FrameClock::instance().leave(this);
        }
    }
    if (animate && !m_animating) {
        // Frames may have stopped long ago: the first one repaints, so whatever the window system
        // shows next is the row at the wall clock's offset.
        m_lastShift = -1;
        update();
    }
    m_animating = animate;
}

double MarqueeTicker::paintedShift() const
{
    const qreal ratio = pixelRatio();
    return std::round(currentShift() * ratio) / ratio;
}

void MarqueeTicker::nextFrame()
{
    const double shift = paintedShift();
    if (shift == m_lastShift) {
        return;
    }
    if (!serverCopyReady()) {
        update();
        return;
    }
    m_surface->show(static_cast<int>(shift));
    m_lastShift = shift;
    if (!m_stepping) {
        updateAnimation(isVisible()); // the frame thread takes the flow over from here
    }
}

bool MarqueeTicker::serverCopyReady()
{
    if (m_rowStale || m_row.isNull() || m_lastShift < 0) {
        return false; // the widget path paints first and renders the row on the way
    }
    if (!m_stripStale) {
        return m_surface && m_surface->isLoaded();
    }
    m_stripStale = false;
    // Wide enough for the visible width from any shift within one cycle.
    const int stripWidth = width() + static_cast<int>(std::ceil(cycle())) + 1;
    if (!TickerMotion::serverCopyUsable(QGuiApplication::platformName(),
                                        testAttribute(Qt::WA_OpaquePaintEvent), pixelRatio(), stripWidth)) {
        return false;
    }
    if (!m_surfaceTried) {
        m_surfaceTried = true;
        m_surface = X11TickerSurface::create(*this);
        if (m_surface) {
            connect(m_surface.get(), &X11TickerSurface::coveredChanged, this,
                    [this] { updateAnimation(isVisible()); });
            connect(m_surface.get(), &X11TickerSurface::redrawNeeded, this, [this] {
                if (m_animating && !m_rowStale && !m_stripStale && m_surface->isLoaded()) {
                    m_lastShift = paintedShift();
                    m_surface->show(static_cast<int>(m_lastShift));
                }
            });
        }
    }
    if (!m_surface) {
        return false;
    }
    // Only the lines with ink change from frame to frame; the plain lines above and below stay as
    // painted, and the server copies less.
    const QImage full = strip(stripWidth);
    const QRgb plain = m_backdrop.rgb();
    const auto inked = [&full, plain](int y) {
        const auto* line = reinterpret_cast<const QRgb*>(full.constScanLine(y));
        return std::any_of(line, line + full.width(), [plain](QRgb pixel) { return pixel != plain; });
    };
    int top = 0;
    while (top < full.height() - 1 && !inked(top)) {
        ++top;
    }
    int bottom = full.height() - 1;
    while (bottom > top && !inked(bottom)) {
        --bottom;
    }
    return m_surface->load(full.copy(0, top, full.width(), bottom - top + 1), top);
}

QImage MarqueeTicker::strip(int width) const
{
    // The copies at the places the widget path paints them for shift 0; any whole-pixel shift is
    // then the same picture moved, so both paths show identical pixels.
    QImage image(width, height(), QImage::Format_RGB32);
    image.fill(m_backdrop);
    QPainter painter(&image);
    const double step = std::max(cycle(), 1.0);
    for (double x = 0; x < width; x += step) {
        painter.drawPixmap(QPointF(x, 0), m_row);
    }
    return image;
}

void MarqueeTicker::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (m_backdrop.isValid()) {
        painter.fillRect(rect(), m_backdrop);
    }
    if (m_rowStale) {
        renderRow();
    }
    if (m_row.isNull()) {
        return;
    }
    m_lastShift = paintedShift();
    // Copies side by side from the shifted start until the width is covered; a short list repeats
    // across the whole bar rather than leaving it empty behind the second copy.
    const double step = std::max(cycle(), 1.0);
    for (double x = -m_lastShift; x < width(); x += step) {
        painter.drawPixmap(QPointF(x, 0), m_row);
    }
}

void MarqueeTicker::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    updateAnimation(true);
}

void MarqueeTicker::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    updateAnimation(false);
}

void MarqueeTicker::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_rowStale = true;
    m_stripStale = true;
    updateAnimation(isVisible());
}

void MarqueeTicker::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    updateAnimation(isVisible()); // the frame thread copies to the new place
}

} // namespace virel
