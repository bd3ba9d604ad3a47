// A chart answer read as the quote of a polled symbol.

#include "FuzzInput.h"
#include "market/ChartDecoder.h"
#include "model/Formatters.h"

#include <algorithm>

using namespace virel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const WatchItem item{QStringLiteral("005930.KS"), QStringLiteral("삼성전자")};
    static const QDateTime now = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
    const auto quote = ChartDecoder::decodeQuote(fuzz::body(data, size), item, now);
    if (!quote) {
        return 0;
    }
    // Whatever the answer, the quote is the polled item's, its numbers are numbers, and it can be drawn.
    fuzz::require(quote->symbol == item.symbol && quote->displayName == item.name);
    fuzz::require(quote->receivedAt == now);
    fuzz::require(fuzz::finite(quote->price) && fuzz::finite(quote->previousClose));
    fuzz::require(std::all_of(quote->closes.begin(), quote->closes.end(), fuzz::finite));
    fuzz::require(!formatPrice(*quote).isEmpty() && !formatChange(*quote).isEmpty());
    return 0;
}
