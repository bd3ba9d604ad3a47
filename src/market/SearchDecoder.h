#pragma once

#include "market/NewsItem.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// Pure decoders of the search endpoint's answers (hits and news). Nothing means undecodable: the
// answer is no JSON object or a member read has the wrong JSON type.
namespace virel::SearchDecoder {

// One entry of `quotes`, every member optional.
struct SearchHit
{
    std::optional<QString> symbol;
    std::optional<QString> shortname;
    std::optional<QString> longname;
    std::optional<QString> exchange;
    std::optional<QString> exchDisp;
    std::optional<QString> quoteType;
    std::optional<QString> typeDisp;
};

// The hits in the endpoint's order; an answer without `quotes` has none.
std::optional<QList<SearchHit>> decodeSearchHits(const QByteArray& body);

// The headlines with a title, newest first (equal times keep the answer's order).
std::optional<QList<NewsItem>> decodeNews(const QByteArray& body);

} // namespace virel::SearchDecoder
