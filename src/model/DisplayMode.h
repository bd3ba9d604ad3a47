#pragma once

#include <QList>
#include <QString>
#include <optional>

namespace virel {

// Which of the two symbol lists is shown.
enum class DisplayMode { market, watchlist };

// Where the flowing ticker is drawn.
enum class TickerPlacement { belowMenuBar, notchRight, rotate };

namespace DisplayModes {
QList<DisplayMode> all();
QString rawText(DisplayMode mode);          // "market", "watchlist"
std::optional<DisplayMode> fromRawText(const QString& text);
QString menuTitle(DisplayMode mode);        // "Market Mode", "Watchlist Mode"
} // namespace DisplayModes

namespace TickerPlacements {
QList<TickerPlacement> all();
QString rawText(TickerPlacement placement); // "belowMenuBar", "notchRight", "rotate"
std::optional<TickerPlacement> fromRawText(const QString& text);
QString menuTitle(TickerPlacement placement);
} // namespace TickerPlacements

} // namespace virel
