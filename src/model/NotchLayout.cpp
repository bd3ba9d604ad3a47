#include "model/NotchLayout.h"

#include <QPointF>
#include <algorithm>
#include <cmath>
#include <limits>

namespace virel::NotchLayout {

double notchWidth(const ScreenInfo& screen)
{
    if (screen.topInset <= 0) {
        return plainNotchWidth;
    }
    if (screen.auxiliaryTopLeft && screen.auxiliaryTopRight) {
        return screen.frame.width - screen.auxiliaryTopLeft->width - screen.auxiliaryTopRight->width;
    }
    return unmeasuredNotchWidth;
}

double stripHeight(const ScreenInfo& screen)
{
    return screen.topInset > 0 ? screen.topInset : plainStripHeight;
}

double primaryTop(const QList<ScreenInfo>& screens, const ScreenInfo& chosen)
{
    return screens.isEmpty() ? chosen.frame.maxY() : screens.constFirst().frame.maxY();
}

namespace {

bool isStatusItem(const ForeignWindow& window, qint64 ownPid)
{
    const auto int32 = [](qint64 v) {
        return v >= std::numeric_limits<qint32>::min() && v <= std::numeric_limits<qint32>::max();
    };
    return window.layer && *window.layer == statusItemLayer && window.ownerPid && int32(*window.ownerPid) &&
           *window.ownerPid != ownPid && window.bounds;
}

} // namespace

double rightWidth(const ScreenInfo& screen, double notchWidth, double primaryTop,
                  const std::optional<QList<ForeignWindow>>& windows, qint64 ownPid)
{
    if (!windows || windows->isEmpty()) {
        return sideWidth;
    }
    const double notchRight = screen.frame.midX() + notchWidth / 2;
    const double bandTop = screen.frame.maxY();
    const double bandBottom = bandTop - statusItemBand;
    std::optional<double> nearest;
    for (const ForeignWindow& window : *windows) {
        if (!isStatusItem(window, ownPid)) {
            continue;
        }
        const QRectF& b = *window.bounds;
        const double centreY = primaryTop - b.y() - b.height() + b.height() / 2;
        const bool inBand = centreY >= bandBottom && centreY <= bandTop;
        if (inBand && b.x() > notchRight && b.x() < screen.frame.maxX() && b.width() < maxStatusItemWidth) {
            nearest = std::min(nearest.value_or(b.x()), b.x());
        }
    }
    if (!nearest) {
        return sideWidth;
    }
    return std::max(std::min(*nearest - statusItemGap - notchRight, sideWidth), minRightWidth);
}

double topPanelHeight(const ScreenInfo& screen, const std::optional<ReservedBand>& reserved)
{
    double workTop = screen.visibleFrame.maxY();
    if (reserved && std::fabs(workTop - reserved->band.y) < 0.5) {
        workTop = reserved->band.maxY();
        if (reserved->panelBand >= screen.frame.maxY() - workTop) {
            workTop = screen.frame.maxY();
        }
    }
    return std::max({screen.frame.maxY() - workTop, screen.panelBand, 0.0});
}

DeskRect stripFrame(const ScreenInfo& screen, double notchWidth, double rightWidth, double topPanel)
{
    const double height = stripHeight(screen);
    return {screen.frame.midX() - notchWidth / 2 - sideWidth, screen.frame.maxY() - topPanel - height,
            notchWidth + sideWidth + rightWidth, height};
}

bool showsTickerBar(TickerPlacement placement, bool focusMode)
{
    return placement == TickerPlacement::belowMenuBar && !focusMode;
}

DeskRect tickerBarFrame(const ScreenInfo& screen, double topPanel)
{
    const double above = topPanel > 0 ? topPanel : stripHeight(screen);
    return {screen.frame.x, screen.frame.maxY() - above - tickerBarHeight, screen.frame.width,
            tickerBarHeight};
}

std::array<quint32, 12> topStrut(const QRectF& band, double scale)
{
    const auto pixels = [scale](double points) {
        return static_cast<quint32>(std::max(0.0, std::round(points * scale)));
    };
    const quint32 left = pixels(band.x());
    const quint32 right = pixels(band.x() + band.width());
    // left, right, top, bottom, then the start and end of each side; the ends are inclusive.
    return {0, 0,    pixels(band.y() + band.height()), 0, 0, 0, 0,
            0, left, right > left ? right - 1 : left,  0, 0};
}

DeskRect glanceFrame(double centerX, const DeskRect& strip, QSizeF size)
{
    return {centerX - size.width() / 2, strip.y - size.height() - glanceGap, size.width(), size.height()};
}

LayerBands layerBands(bool tickerBar, double stripHeight)
{
    const int strip = static_cast<int>(std::ceil(stripHeight));
    const int glanceTop = strip + static_cast<int>(glanceGap - glanceHoverMargin);
    if (!tickerBar) {
        return {0, strip, glanceTop};
    }
    return {std::max(strip, static_cast<int>(std::ceil(tickerBarHeight))), 0, glanceTop};
}

bool widthMoved(double lastRightWidth, double rightWidth)
{
    return std::fabs(rightWidth - lastRightWidth) > relayoutThreshold;
}

DeskRect glanceWindowFrame(const DeskRect& card, const DeskRect& strip)
{
    DeskRect frame = card.grown(glanceHoverMargin, glanceHoverMargin);
    frame.height = std::max(std::min(frame.maxY(), strip.y) - frame.y, card.height);
    return frame;
}

bool fullScreenOn(const std::optional<DeskRect>& window, const DeskRect& screen)
{
    return window && screen.contains(QPointF(window->midX(), window->y + window->height / 2));
}

QList<int> nameCuts(const QList<QList<double>>& nameForms, double excess)
{
    QList<int> cuts(nameForms.size(), 0);
    const auto current = [&](qsizetype i) { return nameForms[i][cuts[i]]; };
    double saved = 0;
    while (saved < excess) {
        qsizetype widest = -1;
        for (qsizetype i = 0; i < nameForms.size(); ++i) {
            if (cuts[i] + 1 < nameForms[i].size() && (widest < 0 || current(i) > current(widest))) {
                widest = i;
            }
        }
        if (widest < 0) {
            break;
        }
        saved += current(widest) - nameForms[widest][cuts[widest] + 1];
        ++cuts[widest];
    }
    return cuts;
}

Geometry compute(const ScreenInfo& screen, const QList<ScreenInfo>& screens,
                 const std::optional<QList<ForeignWindow>>& windows, qint64 ownPid, TickerPlacement placement,
                 bool focusMode, const std::optional<ReservedBand>& reservedBand)
{
    Geometry g;
    g.panelBand = screen.panelBand;
    const double panel = topPanelHeight(screen, reservedBand);
    g.notchWidth = notchWidth(screen);
    g.rightWidth = rightWidth(screen, g.notchWidth, primaryTop(screens, screen), windows, ownPid);
    g.notchCenterX = screen.frame.midX();
    g.strip = stripFrame(screen, g.notchWidth, g.rightWidth, panel);
    if (!showsTickerBar(placement, focusMode)) {
        return g;
    }
    const DeskRect bar = tickerBarFrame(screen, panel);
    const double bottom = std::min(bar.y, g.strip.y);
    g.tickerBar = bar;
    g.tickerBand = DeskRect{bar.x, bottom, bar.width, std::max(bar.maxY(), g.strip.maxY()) - bottom};
    if (panel > 0) {
        g.tickerBarHole = DeskRect{g.strip.x, bar.y, g.strip.width, bar.height};
    }
    return g;
}

} // namespace virel::NotchLayout
