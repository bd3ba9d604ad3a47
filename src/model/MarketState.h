#pragma once

#include <QString>
#include <optional>

namespace virel {

// The market session of a quote, in declaration order.
enum class MarketState { pre, regular, post, closed, unknown };

namespace MarketStates {

QString rawText(MarketState state);
// Exact match of the raw text ("PRE", "REGULAR", ...); anything else gives nothing.
std::optional<MarketState> fromRawText(const QString& text);
// The state name of a Yahoo chart answer, matched exactly: absent → unknown, "PREPRE" → pre,
// "POSTPOST" → post, unknown names → unknown.
MarketState yahoo(const std::optional<QString>& name);
// "프리장", "정규장", "애프터", "장마감"; nothing for unknown.
QString sessionLabel(MarketState state);

} // namespace MarketStates
} // namespace virel
