#include "notch/DarkGlass.h"

#include "notch/NotchPaint.h"

#include <QBitmap>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

namespace virel {

QColor DarkGlass::fill(bool translucent)
{
    return translucent ? QColor(24, 24, 27, 214) : QColor(30, 30, 33);
}

void DarkGlass::paint(QPainter& painter, const QRectF& rect, bool translucent) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill(translucent));
    painter.drawRoundedRect(rect, m_radius, m_radius);

    // The edge is stroked inside the card, so its outer half is not clipped away.
    QLinearGradient edge(rect.topLeft(), rect.bottomRight());
    edge.setColorAt(0, NotchPaint::white(0.28));
    edge.setColorAt(1, NotchPaint::white(0.06));
    painter.setPen(QPen(QBrush(edge), 1));
    painter.setBrush(Qt::NoBrush);
    const QRectF inner = rect.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.drawRoundedRect(inner, m_radius - 0.5, m_radius - 0.5);
    painter.restore();
}

QRegion DarkGlass::mask(const QSize& size) const
{
    QBitmap shape(size);
    shape.fill(Qt::color0);
    QPainter painter(&shape);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::color1);
    painter.drawRoundedRect(QRectF(QPointF(0, 0), size), m_radius, m_radius);
    painter.end();
    return QRegion(shape);
}

} // namespace virel
