#include "notch/Sparkline.h"

#include "notch/NotchPaint.h"

#include <QPainter>
#include <algorithm>

namespace virel {

Sparkline::Sparkline(QList<double> closes, double baseline, QColor tint)
    : m_closes(std::move(closes)), m_baseline(baseline), m_tint(tint)
{
    if (!m_closes.isEmpty()) {
        const auto [low, high] = std::minmax_element(m_closes.cbegin(), m_closes.cend());
        m_low = *low;
        m_high = *high;
    }
}

double Sparkline::yFor(double value, double height) const
{
    return height * (1 - (value - m_low) / (m_high - m_low));
}

QPolygonF Sparkline::points(QSizeF size) const
{
    QPolygonF line;
    if (m_closes.size() < 2 || !(m_low < m_high)) {
        return line;
    }
    const double last = static_cast<double>(m_closes.size() - 1);
    for (qsizetype i = 0; i < m_closes.size(); ++i) {
        line.append({size.width() * static_cast<double>(i) / last, yFor(m_closes[i], size.height())});
    }
    return line;
}

std::optional<double> Sparkline::baselineY(QSizeF size) const
{
    if (m_closes.size() < 2 || !(m_low < m_high) || m_baseline < m_low || m_baseline > m_high) {
        return std::nullopt;
    }
    return yFor(m_baseline, size.height());
}

void Sparkline::paint(QPainter& painter, const QRectF& frame) const
{
    const QPolygonF line = points(frame.size());
    if (line.isEmpty()) {
        return;
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(frame.topLeft());
    painter.setPen(QPen(m_tint, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(line);
    if (const auto y = baselineY(frame.size())) {
        QPen dashed(NotchPaint::white(0.2), 0.5, Qt::CustomDashLine, Qt::FlatCap);
        dashed.setDashPattern({4, 4}); // in pen widths: 2 on, 2 off
        painter.setPen(dashed);
        painter.drawLine(QPointF(0, *y), QPointF(frame.width(), *y));
    }
    painter.restore();
}

} // namespace virel
