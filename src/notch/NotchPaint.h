#pragma once

#include <QColor>
#include <QFont>
#include <QString>

class QPainter;
class QRectF;

// Drawing helpers shared by the strip, the ticker and the glance panel.
namespace virel::NotchPaint {

QColor white(double opacity);
// The surfaces' text face: the application font at a pixel size, medium unless told.
QFont font(int pixelSize, QFont::Weight weight = QFont::Medium);
double textWidth(const QFont& font, const QString& text);
// Draws `text` starting at `x`, vertically centred on `centreY`; returns the x after it.
double drawText(QPainter& painter, const QFont& font, const QColor& color, double x, double centreY,
                const QString& text);

// A filled bell fitted into the square centred in `rect`.
void paintBell(QPainter& painter, const QRectF& rect, const QColor& color);
// A stopwatch outline fitted into the square centred in `rect`; stands in for "⏱", which the
// desktop's fonts rarely carry.
void paintStopwatch(QPainter& painter, const QRectF& rect, const QColor& color);

// Two pause bars fitted into the square centred in `rect`; stands in for "⏸".
void paintPause(QPainter& painter, const QRectF& rect, const QColor& color);

} // namespace virel::NotchPaint
