#pragma once

#include "market/History.h"
#include "model/Quote.h"
#include "model/WatchItem.h"

#include <QByteArray>
#include <QDateTime>
#include <optional>

// Pure decoders of the chart endpoint's answers. A member of the wrong JSON type anywhere in the
// members read makes the whole answer undecodable.
namespace virel::ChartDecoder {

// The quote of `item` at `now`; nothing when the answer is undecodable, has no result or no price.
// Without a `marketState` the session is read from `currentTradingPeriod` at `now`.
std::optional<Quote> decodeQuote(const QByteArray& body, const WatchItem& item, const QDateTime& now);

// Bars and corporate events; the empty History when the answer is undecodable or has no bars.
History decodeHistory(const QByteArray& body);

} // namespace virel::ChartDecoder
