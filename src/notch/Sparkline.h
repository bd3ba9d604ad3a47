#pragma once

#include <QColor>
#include <QList>
#include <QPolygonF>
#include <QSizeF>
#include <optional>

class QPainter;
class QRectF;

namespace virel {

// A small line chart of one symbol's intraday closes, with the previous close as a dashed line.
class Sparkline
{
public:
    Sparkline(QList<double> closes, double baseline, QColor tint);

    // The line's points in a frame of `size` (top at y = 0); none for fewer than two values or a
    // flat series.
    QPolygonF points(QSizeF size) const;
    // Where the dashed baseline runs; none when nothing is drawn or it lies outside the values' range.
    std::optional<double> baselineY(QSizeF size) const;
    void paint(QPainter& painter, const QRectF& frame) const;

private:
    double yFor(double value, double height) const;

    QList<double> m_closes;
    double m_baseline;
    QColor m_tint;
    double m_low = 0;
    double m_high = 0;
};

} // namespace virel
