#pragma once

#include "model/DisplayMode.h"
#include "platform/ScreenFacts.h"
#include "platform/StatusItemScan.h"

#include <QList>
#include <QSizeF>
#include <array>
#include <optional>

namespace virel {

// Where the strip, the ticker bar and the glance panel go, worked out from plain numbers in desk
// coordinates (y up), so every rule can be checked without a display.
namespace NotchLayout {

inline constexpr double sideWidth = 190;            // left part, and the widest right part
inline constexpr double plainNotchWidth = 12;       // a screen without a camera housing
inline constexpr double unmeasuredNotchWidth = 200; // a housing whose free areas are not reported
inline constexpr double plainStripHeight = 24;
inline constexpr double minRightWidth = 70;
inline constexpr double statusItemGap = 10;
inline constexpr double statusItemBand = 44;
inline constexpr double maxStatusItemWidth = 500;
inline constexpr qint64 statusItemLayer = 25;
inline constexpr double relayoutThreshold = 4;
inline constexpr double glanceHoverMargin = 8;
inline constexpr double glanceGap = 6;
inline constexpr double tickerBarHeight = 22;

double notchWidth(const ScreenInfo& screen);
double stripHeight(const ScreenInfo& screen);
// The top edge of the screen that window-list bounds are measured from: the primary screen's.
double primaryTop(const QList<ScreenInfo>& screens, const ScreenInfo& chosen);
// The right part's width: up to 10 points short of the first foreign status item right of the notch,
// between 70 and 190; 190 when the window list is unavailable or holds no such item.
double rightWidth(const ScreenInfo& screen, double notchWidth, double primaryTop,
                  const std::optional<QList<ForeignWindow>>& windows, qint64 ownPid);
// The band our dock (the ticker bar's, or the strip's alone) keeps free of other windows, and how deep
// other clients' reservations reached when it was taken.
struct ReservedBand
{
    DeskRect band;
    double panelBand = 0;
};

// How far the desktop's own top panel reaches down, by the work area or by what other clients reserve;
// 0 without one. With `reserved`, the work area ends at that band's bottom edge, not the panel's, and
// the band's top edge only stands for a panel the clients' reservations did not explain: one that
// was such a reservation is gone once no client reserves it.
double topPanelHeight(const ScreenInfo& screen, const std::optional<ReservedBand>& reserved = {});
// At the top centre, or hanging from the bottom edge of a top panel so the panel's content stays seen.
DeskRect stripFrame(const ScreenInfo& screen, double notchWidth, double rightWidth, double topPanel = 0);
bool showsTickerBar(TickerPlacement placement, bool focusMode);
// Full width, in the strip's band under a top panel, or under the strip without one.
DeskRect tickerBarFrame(const ScreenInfo& screen, double topPanel);
// The window manager's reservation (_NET_WM_STRUT_PARTIAL, in its order) of a bar at the top of the
// desktop: `band` in the windowing system's coordinates (y down), `scale` device pixels per point.
std::array<quint32, 12> topStrut(const QRectF& band, double scale);
// Centred on `centerX`, hanging 6 points under the strip.
DeskRect glanceFrame(double centerX, const DeskRect& strip, QSizeF size);
// The glance's window where its edges can be clear: the card grown 8 points on every side but up only
// to the strip, so the pointer keeps it open on its way from the strip and a little beside it.
DeskRect glanceWindowFrame(const DeskRect& card, const DeskRect& strip);
// The surfaces at the top of a layer-shell compositor, which stacks them with its own panels. The
// ticker bar keeps a band free of windows as high as the strip, and the strip hangs from the bar's
// top edge at its centre; without the bar the strip keeps its own band. The glance hangs from the
// same surface under the strip, its hover margin part of its surface, so the pointer stays on our
// surfaces between the strip and the card.
struct LayerBands
{
    int barZone = 0;
    int stripZone = 0;
    int glanceTop = 0; // of the glance's surface, from the top of the bar or the lone strip
    bool operator==(const LayerBands&) const = default;
};
LayerBands layerBands(bool tickerBar, double stripHeight);
// A periodic width check re-lays out only for a change of more than 4 points.
bool widthMoved(double lastRightWidth, double rightWidth);
// Whether the full-screen window `window` (none: no full-screen window is active) sits on `screen`.
bool fullScreenOn(const std::optional<DeskRect>& window, const DeskRect& screen);
// How many characters each chip name loses so a row gets `excess` points narrower. `nameForms[i][k]`
// is the width of name i with its last k characters replaced by "…" (k = 0: whole). The name that is
// widest at the moment loses one more character at a time, so the longer name is cut first and no
// more than the row needs; a name already down to "…" alone is left as it is.
QList<int> nameCuts(const QList<QList<double>>& nameForms, double excess);

// Everything one layout pass decides.
struct Geometry
{
    double notchWidth = 0;
    double rightWidth = 0;
    double notchCenterX = 0;
    DeskRect strip;
    std::optional<DeskRect> tickerBar;
    // What the bar keeps free of other windows: its rows and the strip's. Under a top panel they
    // share one band, where the strip's part of the bar is left free.
    std::optional<DeskRect> tickerBand;
    std::optional<DeskRect> tickerBarHole;
    double panelBand = 0; // the screen's, as it was found

    bool operator==(const Geometry&) const = default;
};

Geometry compute(const ScreenInfo& screen, const QList<ScreenInfo>& screens,
                 const std::optional<QList<ForeignWindow>>& windows, qint64 ownPid, TickerPlacement placement,
                 bool focusMode, const std::optional<ReservedBand>& reservedBand = {});

} // namespace NotchLayout
} // namespace virel
