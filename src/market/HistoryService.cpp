#include "market/HistoryService.h"

#include "market/ChartDecoder.h"

namespace virel::HistoryService {

QCoro::Task<History> fetch(YahooClient& yahoo, QString symbol, ChartRange range)
{
    const auto parameters = ChartRanges::parameters(range);
    const QUrl url = yahoo.chartUrl(symbol, parameters.range, parameters.interval, parameters.events);
    const HttpResponse response = co_await yahoo.get(url, YahooClient::chartTimeout);
    if (!response.isOk()) {
        co_return History{};
    }
    co_return ChartDecoder::decodeHistory(response.body);
}

} // namespace virel::HistoryService
