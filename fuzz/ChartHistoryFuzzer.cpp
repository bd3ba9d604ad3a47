// A chart answer read as price bars with dividends and splits.

#include "FuzzInput.h"
#include "market/ChartDecoder.h"

using namespace virel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const History history = ChartDecoder::decodeHistory(fuzz::body(data, size));
    for (const Candle& candle : history.candles) {
        fuzz::require(fuzz::finite(candle.open) && fuzz::finite(candle.high) && fuzz::finite(candle.low) &&
                      fuzz::finite(candle.close) && fuzz::finite(candle.volume));
    }
    for (const CorporateEvent& event : history.events) {
        fuzz::require(!event.id().isEmpty());
        fuzz::require(!CorporateEvent::kindLabel(event.kind).isEmpty());
    }
    return 0;
}
