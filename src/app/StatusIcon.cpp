#include "app/StatusIcon.h"

#include "notch/NotchPaint.h"
#include "windows/WindowStyle.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace virel {

namespace {

void paintTriangle(QPainter& painter, const QRectF& box, bool up, const QColor& color)
{
    const double top = up ? box.top() : box.bottom();
    const double base = up ? box.bottom() : box.top();
    QPainterPath path;
    path.moveTo(box.center().x(), top);
    path.lineTo(box.right(), base);
    path.lineTo(box.left(), base);
    path.closeSubpath();
    painter.fillPath(path, color);
}

void paintSign(QPainter& painter, const QRectF& area, StatusTitle::Badge badge)
{
    const double side = area.width();
    const QRectF mark(area.x() + side * 0.22, area.y() + side * 0.27, side * 0.56, side * 0.46);
    switch (badge) {
    case StatusTitle::Badge::rise:
        paintTriangle(painter, mark, true, WindowStyle::changeColor(ChangeDirection::rise));
        return;
    case StatusTitle::Badge::fall:
        paintTriangle(painter, mark, false, WindowStyle::changeColor(ChangeDirection::fall));
        return;
    case StatusTitle::Badge::flat:
        painter.setPen(Qt::NoPen);
        painter.setBrush(WindowStyle::changeColor(ChangeDirection::flat));
        painter.drawEllipse(area.center(), side * 0.14, side * 0.14);
        return;
    case StatusTitle::Badge::timer:
        NotchPaint::paintStopwatch(
            painter, area.adjusted(side * 0.16, side * 0.16, -side * 0.16, -side * 0.16), Qt::white);
        return;
    case StatusTitle::Badge::idle:
        break;
    }
    QFont font = NotchPaint::font(qRound(side * 0.62), QFont::Bold);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(area.adjusted(0, -side * 0.06, 0, 0), Qt::AlignCenter, QStringLiteral("v"));
}

QPixmap drawBadge(int size, StatusTitle::Badge badge)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF area(0.5, 0.5, size - 1.0, size - 1.0);
    painter.setPen(QPen(QColor(255, 255, 255, 70), std::max(1.0, size / 32.0)));
    painter.setBrush(QColor(34, 34, 38));
    painter.drawRoundedRect(area, size * 0.22, size * 0.22);
    paintSign(painter, area, badge);
    return pixmap;
}

} // namespace

QIcon statusIcon(StatusTitle::Badge badge)
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        icon.addPixmap(drawBadge(size, badge));
    }
    return icon;
}

} // namespace virel
