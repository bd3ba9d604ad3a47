// A search answer read as symbol hits, then turned into results and a Korean name as the search does.

#include "FuzzInput.h"
#include "market/SearchService.h"

using namespace virel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto hits = SearchDecoder::decodeSearchHits(fuzz::body(data, size));
    if (!hits) {
        return 0;
    }
    const QList<SearchResult> results = SearchService::results(*hits);
    fuzz::require(results.size() <= hits->size());
    for (const auto& hit : *hits) {
        if (hit.symbol) {
            const auto name = SearchService::koreanName(*hits, *hit.symbol);
            fuzz::require(!name || SearchService::containsHangul(*name));
        }
    }
    return 0;
}
