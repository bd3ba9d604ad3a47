#include "notch/GlanceRow.h"

#include "model/Formatters.h"
#include "model/MarketState.h"
#include "notch/GlanceView.h"
#include "notch/NotchPaint.h"
#include "notch/Sparkline.h"
#include "windows/WindowStyle.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

namespace virel {

namespace {

constexpr double spacing = 8;

QFont nameFont()
{
    return NotchPaint::font(12);
}

QFont sessionFont()
{
    return NotchPaint::font(9, QFont::Normal);
}

QFont priceFont(QFont::Weight weight)
{
    return WindowStyle::monospacedFont(12, weight);
}

// Session labels shown in the glance; the regular session goes unmarked.
QString glanceSessionLabel(MarketState state)
{
    return state == MarketState::regular ? QString() : MarketStates::sessionLabel(state);
}

} // namespace

GlanceRow::GlanceRow(WatchItem item, QWidget* parent) : QWidget(parent), m_item(std::move(item))
{
    setCursor(Qt::PointingHandCursor);
}

void GlanceRow::setQuote(const std::optional<Quote>& quote)
{
    if (quote != m_quote) {
        m_quote = quote;
        update();
    }
}

QSize GlanceRow::sizeHint() const
{
    const double line =
        std::max(QFontMetricsF(nameFont()).height(), QFontMetricsF(priceFont(QFont::Normal)).height());
    return {GlanceView::cardWidth - 2 * GlanceView::padding,
            static_cast<int>(std::ceil(std::max(line, sparklineHeight)))};
}

void GlanceRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double centreY = height() / 2.0;

    // Right side first, from the trailing edge, so the name can be cut short before it.
    double right = width();
    if (!m_quote) {
        const QString dash = QStringLiteral("—");
        right -= NotchPaint::textWidth(nameFont(), dash);
        NotchPaint::drawText(painter, nameFont(), NotchPaint::white(0.3), right, centreY, dash);
    } else {
        const QColor tint = WindowStyle::changeColor(m_quote->direction());
        const QString change = formatChange(*m_quote);
        const QFont changeFont = priceFont(QFont::DemiBold);
        right -= changeWidth;
        NotchPaint::drawText(painter, changeFont, tint,
                             right + changeWidth - NotchPaint::textWidth(changeFont, change), centreY,
                             change);
        const QString price = formatPrice(*m_quote);
        right -= spacing + NotchPaint::textWidth(priceFont(QFont::Normal), price);
        NotchPaint::drawText(painter, priceFont(QFont::Normal), NotchPaint::white(0.8), right, centreY,
                             price);
        if (!m_quote->closes.isEmpty()) {
            right -= spacing + sparklineWidth;
            Sparkline(m_quote->closes, m_quote->previousClose, tint)
                .paint(painter,
                       QRectF(right, centreY - sparklineHeight / 2, sparklineWidth, sparklineHeight));
        }
    }

    double x = 0;
    const QString session = m_quote ? glanceSessionLabel(m_quote->marketState) : QString();
    const double sessionWidth =
        session.isEmpty() ? 0 : spacing + NotchPaint::textWidth(sessionFont(), session);
    const double nameRoom = std::max(right - spacing - sessionWidth, 0.0);
    const QString name = QFontMetricsF(nameFont()).elidedText(m_item.name, Qt::ElideRight, nameRoom);
    x = NotchPaint::drawText(painter, nameFont(), NotchPaint::white(0.9), x, centreY, name);
    if (!session.isEmpty()) {
        NotchPaint::drawText(painter, sessionFont(), NotchPaint::white(0.4), x + spacing, centreY, session);
    }
}

void GlanceRow::mousePressEvent(QMouseEvent* event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void GlanceRow::mouseReleaseEvent(QMouseEvent* event)
{
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click) {
        emit clicked(m_item);
    }
}

} // namespace virel
