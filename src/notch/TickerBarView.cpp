#include "notch/TickerBarView.h"

#include "notch/MarqueeTicker.h"
#include "notch/NotchPaint.h"

#include <QPainter>
#include <algorithm>

namespace virel {

TickerBarView::TickerBarView(AppState& state, const Clock& clock, QWidget* parent)
    : QWidget(parent),
      m_ticker(new MarqueeTicker(clock, MarqueeTicker::defaultSpeed, MarqueeTicker::defaultGap, this))
{
    m_ticker->follow(state);
}

void TickerBarView::setTranslucent(bool translucent)
{
    m_translucent = translucent;
    // On a solid band the ticker paints the band itself: a frame is then one copy of its row, with
    // nothing blended and the band beneath never redrawn.
    m_ticker->setBackdrop(translucent ? QColor() : background(false));
    placeTicker();
    update();
}

QColor TickerBarView::background(bool translucent)
{
    return translucent ? QColor(22, 22, 25, 200) : QColor(30, 30, 33);
}

QSize TickerBarView::sizeHint() const
{
    return {m_ticker->sizeHint().width() + 2 * horizontalPadding, barHeight};
}

void TickerBarView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeTicker();
}

void TickerBarView::placeTicker()
{
    // An opaque ticker leaves the bottom row to the band's hairline.
    const int tickerHeight = m_translucent ? height() : std::max(height() - 1, 0);
    m_ticker->setGeometry(horizontalPadding, 0, std::max(width() - 2 * horizontalPadding, 0), tickerHeight);
}

void TickerBarView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(rect(), background(m_translucent));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setRenderHint(QPainter::Antialiasing); // the hairline is half a pixel on a plain screen
    painter.fillRect(QRectF(0, height() - 0.5, width(), 0.5), NotchPaint::white(0.1));
}

} // namespace virel
