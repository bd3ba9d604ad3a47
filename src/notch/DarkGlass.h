#pragma once

#include <QColor>

class QPainter;
class QRectF;
class QRegion;
class QSize;

namespace virel {

// The dark card look of the glance panel: a translucent dark rounded rectangle with a light edge
// fading from the top-left to the bottom-right corner. Without a compositor translucency would show
// black, so the card is then drawn solid and its window is cut to the rounded shape.
class DarkGlass
{
public:
    explicit DarkGlass(double cornerRadius) : m_radius(cornerRadius) {}

    double cornerRadius() const { return m_radius; }
    static QColor fill(bool translucent);
    void paint(QPainter& painter, const QRectF& rect, bool translucent) const;
    // The rounded shape as a window mask, for the solid fallback.
    QRegion mask(const QSize& size) const;

private:
    double m_radius;
};

} // namespace virel
