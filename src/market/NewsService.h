#pragma once

#include "market/NewsItem.h"
#include "market/YahooClient.h"

#include <QList>
#include <qcoro/qcorotask.h>

// The latest headlines about one symbol, newest first. Every failure gives an empty list. The caller
// keeps `yahoo` alive while a call runs.
namespace virel::NewsService {

QCoro::Task<QList<NewsItem>> fetch(YahooClient& yahoo, QString symbol);

} // namespace virel::NewsService
