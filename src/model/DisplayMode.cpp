#include "model/DisplayMode.h"

#include <array>

namespace virel {

namespace {

template <typename Enum> struct Row
{
    Enum value;
    const char* raw;
    const char16_t* title;
};

constexpr std::array<Row<DisplayMode>, 2> kModes{{
    {DisplayMode::market, "market", u"Market Mode"},
    {DisplayMode::watchlist, "watchlist", u"Watchlist Mode"},
}};

constexpr std::array<Row<TickerPlacement>, 3> kPlacements{{
    {TickerPlacement::belowMenuBar, "belowMenuBar", u"메뉴바 아래 한 줄"},
    {TickerPlacement::notchRight, "notchRight", u"노치 우측"},
    {TickerPlacement::rotate, "rotate", u"순환 (흐름 없음)"},
}};

template <typename Enum, size_t N> QList<Enum> allOf(const std::array<Row<Enum>, N>& rows)
{
    QList<Enum> values;
    for (const auto& row : rows) {
        values.append(row.value);
    }
    return values;
}

template <typename Enum, size_t N> const Row<Enum>& rowOf(const std::array<Row<Enum>, N>& rows, Enum value)
{
    for (const auto& row : rows) {
        if (row.value == value) {
            return row;
        }
    }
    return rows.front();
}

template <typename Enum, size_t N>
std::optional<Enum> parse(const std::array<Row<Enum>, N>& rows, const QString& text)
{
    for (const auto& row : rows) {
        if (text == QLatin1String(row.raw)) {
            return row.value;
        }
    }
    return std::nullopt;
}

} // namespace

QList<DisplayMode> DisplayModes::all() { return allOf(kModes); }
QString DisplayModes::rawText(DisplayMode mode) { return QString::fromLatin1(rowOf(kModes, mode).raw); }
std::optional<DisplayMode> DisplayModes::fromRawText(const QString& text) { return parse(kModes, text); }
QString DisplayModes::menuTitle(DisplayMode mode) { return QString::fromUtf16(rowOf(kModes, mode).title); }

QList<TickerPlacement> TickerPlacements::all() { return allOf(kPlacements); }
QString TickerPlacements::rawText(TickerPlacement placement)
{
    return QString::fromLatin1(rowOf(kPlacements, placement).raw);
}
std::optional<TickerPlacement> TickerPlacements::fromRawText(const QString& text)
{
    return parse(kPlacements, text);
}
QString TickerPlacements::menuTitle(TickerPlacement placement)
{
    return QString::fromUtf16(rowOf(kPlacements, placement).title);
}

} // namespace virel
