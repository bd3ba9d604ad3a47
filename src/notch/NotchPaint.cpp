#include "notch/NotchPaint.h"

#include "windows/WindowStyle.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace virel::NotchPaint {

namespace {

// Maps a 24 × 24 design box onto the square centred in `rect`.
void fitDesignBox(QPainter& painter, const QRectF& rect)
{
    const double side = std::min(rect.width(), rect.height());
    painter.translate(rect.center().x() - side / 2, rect.center().y() - side / 2);
    painter.scale(side / 24, side / 24);
}

// The face that sets the surfaces' Latin text narrower: the desktop's, or the CJK face the package
// brings for Korean. The strip's two names must fit 180 points, and the usual fallback face (DejaVu
// Sans) is wide enough to cut "KOSPI" and "KOSDAQ" there.
QString narrowFamily()
{
    static const QString family = [] {
        const QString sample = QStringLiteral("KOSDAQ 2,601.25 ▲0.51%");
        QFont desktop = QApplication::font();
        desktop.setPixelSize(11);
        QFont cjk(QStringLiteral("Noto Sans CJK KR"));
        cjk.setPixelSize(11);
        const bool cjkInstalled = QFontInfo(cjk).family() == cjk.family();
        return cjkInstalled && textWidth(cjk, sample) < textWidth(desktop, sample) ? cjk.family()
                                                                                   : desktop.family();
    }();
    return family;
}

} // namespace

QColor white(double opacity)
{
    QColor color(Qt::white);
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

QFont font(int pixelSize, QFont::Weight weight)
{
    QFont result = WindowStyle::font(pixelSize, weight);
    result.setFamily(narrowFamily());
    return result;
}

double textWidth(const QFont& font, const QString& text)
{
    return QFontMetricsF(font).horizontalAdvance(text);
}

double drawText(QPainter& painter, const QFont& font, const QColor& color, double x, double centreY,
                const QString& text)
{
    const QFontMetricsF metrics(font);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(QPointF(x, centreY + (metrics.ascent() - metrics.descent()) / 2), text);
    return x + metrics.horizontalAdvance(text);
}

void paintBell(QPainter& painter, const QRectF& rect, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    fitDesignBox(painter, rect);
    QPainterPath bell;
    bell.moveTo(12, 2.5);
    bell.cubicTo(16.5, 2.5, 18.5, 6, 18.5, 10);
    bell.lineTo(18.5, 14.5);
    bell.lineTo(21.5, 18.5);
    bell.lineTo(2.5, 18.5);
    bell.lineTo(5.5, 14.5);
    bell.lineTo(5.5, 10);
    bell.cubicTo(5.5, 6, 7.5, 2.5, 12, 2.5);
    bell.addEllipse(QPointF(12, 20.5), 2.8, 2.8);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawPath(bell);
    painter.restore();
}

void paintStopwatch(QPainter& painter, const QRectF& rect, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    fitDesignBox(painter, rect);
    painter.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(QPointF(12, 13.5), 8.5, 8.5);
    painter.drawLine(QPointF(9.5, 2.5), QPointF(14.5, 2.5));
    painter.drawLine(QPointF(12, 2.5), QPointF(12, 5));
    painter.drawLine(QPointF(12, 13.5), QPointF(15, 9.5));
    painter.restore();
}

void paintPause(QPainter& painter, const QRectF& rect, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    fitDesignBox(painter, rect);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(6, 4, 4, 16), 1, 1);
    painter.drawRoundedRect(QRectF(14, 4, 4, 16), 1, 1);
    painter.restore();
}

} // namespace virel::NotchPaint
