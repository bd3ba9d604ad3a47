#pragma once

#include "market/History.h"
#include "market/YahooClient.h"

#include <qcoro/qcorotask.h>

// Price bars with dividends and splits. Every failure gives the empty History. The caller keeps
// `yahoo` alive while a call runs.
namespace virel::HistoryService {

QCoro::Task<History> fetch(YahooClient& yahoo, QString symbol, ChartRange range);

} // namespace virel::HistoryService
