#include "windows/SymbolIcons.h"

#include <QApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <cmath>

namespace virel {

namespace {

// Every symbol is designed in a 24 × 24 box.
constexpr double kBox = 24;

QPen linePen(const QColor& color, double width)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void drawPolyline(QPainter& painter, std::initializer_list<QPointF> points)
{
    painter.drawPolyline(std::data(points), static_cast<int>(points.size()));
}

void paintTrash(QPainter& painter)
{
    painter.drawLine(QPointF(4, 6), QPointF(20, 6));
    drawPolyline(painter, {{9, 6}, {9.5, 3.5}, {14.5, 3.5}, {15, 6}});
    drawPolyline(painter, {{6, 6}, {7.2, 20.5}, {16.8, 20.5}, {18, 6}});
    painter.drawLine(QPointF(10, 10), QPointF(10.3, 17));
    painter.drawLine(QPointF(14, 10), QPointF(13.7, 17));
}

void paintCopy(QPainter& painter)
{
    const QRectF front(4, 7.5, 11.5, 13.5);
    QPainterPath back;
    back.addRoundedRect(QRectF(8.5, 3, 11.5, 13.5), 2.2, 2.2);
    QPainterPath hidden;
    hidden.addRect(front.adjusted(-1.5, -1.5, 1.5, 1.5));
    painter.save();
    QPainterPath visible;
    visible.addRect(QRectF(0, 0, kBox, kBox));
    painter.setClipPath(visible.subtracted(hidden));
    painter.drawPath(back);
    painter.restore();
    painter.drawRoundedRect(front, 2.2, 2.2);
}

void paintCheckmark(QPainter& painter)
{
    drawPolyline(painter, {{5, 12.5}, {10, 17.5}, {19, 6.5}});
}

void paintCheckmarkCircle(QPainter& painter, const QColor& color)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(1.5, 1.5, 21, 21));
    painter.setPen(linePen(Qt::white, 2.4));
    painter.setBrush(Qt::NoBrush);
    drawPolyline(painter, {{7.2, 12.3}, {10.6, 15.7}, {17, 8.6}});
}

void paintWarning(QPainter& painter, const QColor& color)
{
    QPainterPath triangle;
    triangle.moveTo(12, 2.5);
    triangle.lineTo(22.5, 21);
    triangle.lineTo(1.5, 21);
    triangle.closeSubpath();
    painter.setPen(linePen(color, 2));
    painter.setBrush(color);
    painter.drawPath(triangle);
    painter.setPen(linePen(Qt::white, 2.4));
    painter.drawLine(QPointF(12, 9), QPointF(12, 14.5));
    painter.drawPoint(QPointF(12, 18));
}

void paintBolt(QPainter& painter, const QColor& color)
{
    const QPointF points[] = {{14, 1.5}, {4.5, 13.5}, {11, 13.5}, {9.5, 22.5}, {19.5, 9.5}, {13, 9.5}};
    painter.setPen(linePen(color, 1));
    painter.setBrush(color);
    painter.drawPolygon(points, 6);
}

void paintBanknote(QPainter& painter)
{
    painter.drawRoundedRect(QRectF(2, 6, 20, 12), 2, 2);
    painter.drawEllipse(QPointF(12, 12), 3, 3);
    painter.drawPoint(QPointF(5.5, 12));
    painter.drawPoint(QPointF(18.5, 12));
}

void paintArrowHead(QPainter& painter, QPointF tip, double angleDegrees)
{
    const double angle = angleDegrees * M_PI / 180;
    const double spread = 38 * M_PI / 180;
    const double length = 4.5;
    const QPointF left(tip.x() - length * std::cos(angle - spread),
                       tip.y() - length * std::sin(angle - spread));
    const QPointF right(tip.x() - length * std::cos(angle + spread),
                        tip.y() - length * std::sin(angle + spread));
    drawPolyline(painter, {left, tip, right});
}

void paintBranch(QPainter& painter)
{
    QPainterPath path;
    path.moveTo(12, 22);
    path.lineTo(12, 13);
    path.cubicTo(12, 9, 6, 8, 6, 3);
    path.moveTo(12, 13);
    path.cubicTo(12, 9, 18, 8, 18, 3);
    painter.drawPath(path);
    paintArrowHead(painter, QPointF(6, 2.5), -90);
    paintArrowHead(painter, QPointF(18, 2.5), -90);
}

void paintNewspaper(QPainter& painter, const QColor& color)
{
    painter.drawRoundedRect(QRectF(2.5, 4, 19, 16), 2, 2);
    painter.fillRect(QRectF(5.5, 7, 5.5, 4.5), color);
    painter.drawLine(QPointF(13.5, 7.5), QPointF(18.5, 7.5));
    painter.drawLine(QPointF(13.5, 11), QPointF(18.5, 11));
    painter.drawLine(QPointF(5.5, 14.5), QPointF(18.5, 14.5));
    painter.drawLine(QPointF(5.5, 17.5), QPointF(15, 17.5));
}

void paintArrowUpRight(QPainter& painter)
{
    painter.drawLine(QPointF(6, 18), QPointF(18, 6));
    drawPolyline(painter, {{8.5, 6}, {18, 6}, {18, 15.5}});
}

void paintArrowClockwise(QPainter& painter)
{
    const QRectF circle(4.5, 4.5, 15, 15);
    // From the top going clockwise round to the upper left, leaving a gap for the head.
    painter.drawArc(circle, 80 * 16, -320 * 16);
    drawPolyline(painter, {{8.5, 1.5}, {13, 4.5}, {9.5, 8.5}});
}

class SymbolIconEngine final : public QIconEngine
{
public:
    SymbolIconEngine(Symbol symbol, QColor color) : m_symbol(symbol), m_color(std::move(color)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override
    {
        const QPalette palette = QApplication::palette();
        QColor color = m_color.isValid() ? m_color : palette.color(QPalette::ButtonText);
        if (mode == QIcon::Disabled) {
            color.setAlphaF(color.alphaF() * 0.35F);
        }
        SymbolIcons::paint(*painter, m_symbol, rect, color);
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        // Styles ask for empty sizes too; there is nothing to paint on then.
        if ((size * scale).isEmpty()) {
            return {};
        }
        QPixmap pixmap(size * scale);
        pixmap.setDevicePixelRatio(scale);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        paint(&painter, QRect(QPoint(), size), mode, state);
        return pixmap;
    }

    QIconEngine* clone() const override { return new SymbolIconEngine(m_symbol, m_color); }

private:
    Symbol m_symbol;
    QColor m_color;
};

} // namespace

void SymbolIcons::paint(QPainter& painter, Symbol symbol, const QRectF& rect, const QColor& color)
{
    const double side = std::min(rect.width(), rect.height());
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(rect.center() - QPointF(side / 2, side / 2));
    painter.scale(side / kBox, side / kBox);
    painter.setPen(linePen(color, 1.8));
    painter.setBrush(Qt::NoBrush);
    switch (symbol) {
    case Symbol::dragHandle:
        painter.setPen(linePen(color, 2));
        for (const double y : {7.0, 12.0, 17.0}) {
            painter.drawLine(QPointF(4, y), QPointF(20, y));
        }
        break;
    case Symbol::trash:
        paintTrash(painter);
        break;
    case Symbol::copy:
        paintCopy(painter);
        break;
    case Symbol::checkmark:
        painter.setPen(linePen(color, 2.4));
        paintCheckmark(painter);
        break;
    case Symbol::checkmarkCircleFill:
        paintCheckmarkCircle(painter, color);
        break;
    case Symbol::warningFill:
        paintWarning(painter, color);
        break;
    case Symbol::bolt:
        paintBolt(painter, color);
        break;
    case Symbol::banknote:
        paintBanknote(painter);
        break;
    case Symbol::branch:
        paintBranch(painter);
        break;
    case Symbol::newspaper:
        paintNewspaper(painter, color);
        break;
    case Symbol::arrowUpRight:
        painter.setPen(linePen(color, 2));
        paintArrowUpRight(painter);
        break;
    case Symbol::arrowClockwise:
        painter.setPen(linePen(color, 2));
        paintArrowClockwise(painter);
        break;
    }
    painter.restore();
}

QIcon SymbolIcons::icon(Symbol symbol, const QColor& color)
{
    return QIcon(new SymbolIconEngine(symbol, color));
}

SymbolView::SymbolView(Symbol symbol, const QColor& color, int size, QWidget* parent)
    : QWidget(parent), m_symbol(symbol), m_color(color)
{
    setFixedSize(size, size);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void SymbolView::setSymbol(Symbol symbol)
{
    if (m_symbol != symbol) {
        m_symbol = symbol;
        update();
    }
}

void SymbolView::setColor(const QColor& color)
{
    if (m_color != color) {
        m_color = color;
        update();
    }
}

void SymbolView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    SymbolIcons::paint(painter, m_symbol, rect(), m_color);
}

} // namespace virel
