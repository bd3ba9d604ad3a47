#include "market/SearchDecoder.h"

#include "market/StrictJson.h"
#include "platform/Origins.h"

#include <algorithm>

namespace virel::SearchDecoder {

namespace {

// Every element of the top-level array `key` read with `read`; an absent array gives none.
template <typename Read> auto decodeEntries(const QByteArray& body, QStringView key, Read read)
{
    return StrictJson::decode(body, [&](const QJsonObject& root) {
        return StrictJson::mapArray(
                   StrictJson::array(root, key),
                   [&](const QJsonValue& value) { return read(StrictJson::toObject(value)); })
            .value_or(QList<std::decay_t<decltype(read(QJsonObject{}))>>{});
    });
}

SearchHit readHit(const QJsonObject& hit)
{
    return {StrictJson::string(hit, u"symbol"),   StrictJson::string(hit, u"shortname"),
            StrictJson::string(hit, u"longname"), StrictJson::string(hit, u"exchange"),
            StrictJson::string(hit, u"exchDisp"), StrictJson::string(hit, u"quoteType"),
            StrictJson::string(hit, u"typeDisp")};
}

// Only web addresses are kept: a link is opened in the browser or the detail window.
std::optional<QUrl> articleUrl(const std::optional<QString>& link)
{
    if (!link) {
        return std::nullopt;
    }
    const QUrl url(*link, QUrl::StrictMode);
    return Origins::isWebUrl(url) ? std::optional(url) : std::nullopt;
}

std::optional<NewsItem> readNewsEntry(const QJsonObject& entry)
{
    const auto title = StrictJson::string(entry, u"title");
    const auto publisher = StrictJson::string(entry, u"publisher");
    const auto link = StrictJson::string(entry, u"link");
    const auto published = StrictJson::integer(entry, u"providerPublishTime");
    if (!title) {
        return std::nullopt;
    }
    return NewsItem{*title, publisher.value_or(QString()),
                    QDateTime::fromSecsSinceEpoch(published.value_or(0), Qt::UTC), articleUrl(link)};
}

} // namespace

std::optional<QList<SearchHit>> decodeSearchHits(const QByteArray& body)
{
    return decodeEntries(body, u"quotes", readHit);
}

std::optional<QList<NewsItem>> decodeNews(const QByteArray& body)
{
    const auto entries = decodeEntries(body, u"news", readNewsEntry);
    if (!entries) {
        return std::nullopt;
    }
    QList<NewsItem> items;
    for (const auto& entry : *entries) {
        if (entry) {
            items.append(*entry);
        }
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const NewsItem& a, const NewsItem& b) { return a.publishedAt > b.publishedAt; });
    return items;
}

} // namespace virel::SearchDecoder
