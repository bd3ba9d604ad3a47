#include "market/NewsService.h"

#include "market/SearchDecoder.h"

namespace virel::NewsService {

namespace {
constexpr int kMaxNews = 12;
}

QCoro::Task<QList<NewsItem>> fetch(YahooClient& yahoo, QString symbol)
{
    const HttpResponse response =
        co_await yahoo.get(yahoo.searchUrl(symbol, 0, kMaxNews, false), YahooClient::searchTimeout);
    if (!response.isOk()) {
        co_return QList<NewsItem>{};
    }
    co_return SearchDecoder::decodeNews(response.body).value_or(QList<NewsItem>{});
}

} // namespace virel::NewsService
