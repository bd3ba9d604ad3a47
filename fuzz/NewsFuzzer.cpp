// A search answer read as headlines.

#include "FuzzInput.h"
#include "market/SearchDecoder.h"
#include "platform/Origins.h"

using namespace virel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto news = SearchDecoder::decodeNews(fuzz::body(data, size));
    if (!news) {
        return 0;
    }
    for (qsizetype i = 0; i < news->size(); ++i) {
        const NewsItem& item = news->at(i);
        // Only web addresses are ever opened.
        fuzz::require(!item.url || Origins::isWebUrl(*item.url));
        // Newest first.
        fuzz::require(i == 0 || !item.publishedAt.isValid() || !news->at(i - 1).publishedAt.isValid() ||
                      news->at(i - 1).publishedAt >= item.publishedAt);
    }
    return 0;
}
