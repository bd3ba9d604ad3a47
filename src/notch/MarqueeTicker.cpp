#include "notch/MarqueeTicker.h"

#include "state/AppState.h"
#include "notch/StaleWatch.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace virel {

MarqueeTicker::MarqueeTicker(const Clock& clock, double speed, double gap, QWidget* parent)
    : QWidget(parent), m_clock(clock), m_speed(speed), m_gap(gap)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    m_frames.setInterval(defaultFrameInterval);
    connect(&m_frames, &QTimer::timeout, this, &MarqueeTicker::nextFrame);
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
    update();
}

void MarqueeTicker::setChips(const QList<QuoteChip>& chips)
{
    if (chips == m_chips) {
        return;
    }
    m_chips = chips;
    m_contentWidth = 0;
    for (const QuoteChip& chip : m_chips) {
        m_contentWidth += chip.width();
    }
    if (!m_chips.isEmpty()) {
        m_contentWidth += m_gap * static_cast<double>(m_chips.size() - 1);
    }
    m_rowStale = true;
    updateAnimation(isVisible());
    update();
}

double MarqueeTicker::shiftAt(double seconds, double speed, double cycle)
{
    if (cycle <= 1) {
        return 0;
    }
    const double shift = std::fmod(seconds * speed, cycle);
    return shift < 0 ? shift + cycle : shift;
}

double MarqueeTicker::currentShift() const
{
    const double seconds = static_cast<double>(m_clock.now().toMSecsSinceEpoch()) / 1000.0;
    return shiftAt(seconds, m_speed, cycle());
}

void MarqueeTicker::setFrameInterval(std::chrono::milliseconds interval)
{
    m_frames.setInterval(interval);
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
    const qreal ratio = devicePixelRatioF();
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
    if (visible && !m_chips.isEmpty() && cycle() > 1) {
        if (!m_frames.isActive()) {
            m_frames.start();
        }
    } else {
        m_frames.stop();
    }
}

double MarqueeTicker::paintedShift() const
{
    const qreal ratio = devicePixelRatioF();
    return std::round(currentShift() * ratio) / ratio;
}

void MarqueeTicker::nextFrame()
{
    if (paintedShift() != m_lastShift) {
        update();
    }
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
}

} // namespace virel
