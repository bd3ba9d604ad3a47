#include "model/MarketState.h"

#include <array>
#include <utility>

namespace virel::MarketStates {

namespace {
constexpr std::array<std::pair<MarketState, const char*>, 5> kRaw{{
    {MarketState::pre, "PRE"},
    {MarketState::regular, "REGULAR"},
    {MarketState::post, "POST"},
    {MarketState::closed, "CLOSED"},
    {MarketState::unknown, "UNKNOWN"},
}};
} // namespace

QString rawText(MarketState state)
{
    for (const auto& [value, text] : kRaw) {
        if (value == state) {
            return QString::fromLatin1(text);
        }
    }
    return QStringLiteral("UNKNOWN");
}

std::optional<MarketState> fromRawText(const QString& text)
{
    for (const auto& [value, raw] : kRaw) {
        if (text == QLatin1String(raw)) {
            return value;
        }
    }
    return std::nullopt;
}

MarketState yahoo(const std::optional<QString>& name)
{
    if (!name) {
        return MarketState::unknown;
    }
    if (*name == QLatin1String("PRE") || *name == QLatin1String("PREPRE")) {
        return MarketState::pre;
    }
    if (*name == QLatin1String("REGULAR")) {
        return MarketState::regular;
    }
    if (*name == QLatin1String("POST") || *name == QLatin1String("POSTPOST")) {
        return MarketState::post;
    }
    if (*name == QLatin1String("CLOSED")) {
        return MarketState::closed;
    }
    return MarketState::unknown;
}

QString sessionLabel(MarketState state)
{
    switch (state) {
    case MarketState::pre:
        return QStringLiteral("프리장");
    case MarketState::regular:
        return QStringLiteral("정규장");
    case MarketState::post:
        return QStringLiteral("애프터");
    case MarketState::closed:
        return QStringLiteral("장마감");
    case MarketState::unknown:
        break;
    }
    return {};
}

} // namespace virel::MarketStates
