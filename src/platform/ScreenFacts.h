#pragma once

#include <QList>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <array>
#include <optional>

namespace virel {

// A rectangle on the desktop with y growing upwards, measured from the bottom-left corner of the
// primary screen. The notch geometry is worked out in this space because "top of the screen" is then
// simply the largest y.
struct DeskRect
{
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;

    bool operator==(const DeskRect&) const = default;

    double maxX() const { return x + width; }
    double maxY() const { return y + height; }
    double midX() const { return x + width / 2; }
    // Edges included, as a pointer resting on the border still counts as inside.
    bool contains(QPointF p) const { return p.x() >= x && p.x() <= maxX() && p.y() >= y && p.y() <= maxY(); }
    DeskRect grown(double dx, double dy) const { return {x - dx, y - dy, width + 2 * dx, height + 2 * dy}; }
};

// Conversions between the desktop space above and the windowing system's global coordinates (y
// growing downwards, origin at the top-left of the virtual desktop), given the primary screen's
// geometry in the latter.
inline DeskRect toDesk(const QRectF& r, const QRectF& primary)
{
    return {r.x() - primary.x(), primary.bottom() - r.bottom(), r.width(), r.height()};
}
inline QRectF fromDesk(const DeskRect& r, const QRectF& primary)
{
    return {r.x + primary.x(), primary.bottom() - r.maxY(), r.width, r.height};
}
inline QPointF toDesk(QPointF p, const QRectF& primary)
{
    return {p.x() - primary.x(), primary.bottom() - p.y()};
}

// What the notch layout needs to know about one screen, in desk coordinates.
struct ScreenInfo
{
    DeskRect frame;
    DeskRect visibleFrame;                    // the frame less the desktop's own panels
    double topInset = 0;                      // height of a camera housing; 0 without one
    std::optional<DeskRect> auxiliaryTopLeft; // free areas beside a housing
    std::optional<DeskRect> auxiliaryTopRight;
    // How deep other clients' reserved bands reach at the top, where the desktop tells; a panel shows
    // here even while our own deeper band hides it in the work area.
    double panelBand = 0;

    bool operator==(const ScreenInfo&) const = default;
};

// The screens of the desktop, behind an interface so the layout runs without a display.
class ScreenFacts : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // The screen the strip belongs on; nothing when there is no screen at all.
    virtual std::optional<ScreenInfo> mainScreen() const = 0;
    // Every screen, the primary one first.
    virtual QList<ScreenInfo> screens() const = 0;
    // The primary screen's geometry in the windowing system's coordinates, for placing windows.
    virtual QRectF primaryGeometry() const = 0;

    // Whether the window manager keeps the bands of docks free of other windows, so maximised
    // windows start below them. Where it does not, a bar stays outside its care.
    virtual bool reservesDockBands() const { return false; }
    // Makes the native window `window`, not shown yet, a dock on every workspace.
    virtual void makeDock(quintptr window) { Q_UNUSED(window); }
    // Reserves the band of a dock (_NET_WM_STRUT_PARTIAL numbers), again whenever it moves.
    virtual void reserveBand(quintptr window, const std::array<quint32, 12>& strut)
    {
        Q_UNUSED(window);
        Q_UNUSED(strut);
    }

    // The active window while it is full-screen, in the windowing system's coordinates; none while the
    // active window is not full-screen or the desktop does not tell.
    virtual std::optional<QRectF> fullScreenWindow() const { return std::nullopt; }

signals:
    // A screen was added or removed or changed its geometry.
    void changed();
    void fullScreenChanged();
};

} // namespace virel
