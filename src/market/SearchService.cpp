#include "market/SearchService.h"

#include "market/TextTrim.h"

#include <array>

namespace virel::SearchService {

namespace {

using SearchDecoder::SearchHit;

constexpr int kMaxHits = 10;
constexpr std::array<QStringView, 2> kCompanyMarkers{u"(주)", u"㈜"};

// The hits for `query`; empty on every failure. Touches nothing of `yahoo` after the answer.
QCoro::Task<QList<SearchHit>> fetchQuotes(YahooClient& yahoo, QString query)
{
    const HttpResponse response =
        co_await yahoo.get(yahoo.searchUrl(query, kMaxHits, 0, true), YahooClient::searchTimeout);
    if (!response.isOk()) {
        co_return QList<SearchHit>{};
    }
    co_return SearchDecoder::decodeSearchHits(response.body).value_or(QList<SearchHit>{});
}

} // namespace

QCoro::Task<QList<SearchResult>> search(YahooClient& yahoo, QString query)
{
    const QString trimmed = query.trimmed();
    if (trimmed.isEmpty()) {
        co_return QList<SearchResult>{};
    }
    co_return results(co_await fetchQuotes(yahoo, trimmed));
}

QCoro::Task<std::optional<QString>> resolveKoreanName(YahooClient& yahoo, QString symbol)
{
    co_return koreanName(co_await fetchQuotes(yahoo, symbol), symbol);
}

QList<SearchResult> results(const QList<SearchHit>& hits)
{
    QList<SearchResult> list;
    for (const SearchHit& hit : hits) {
        if (!hit.symbol) {
            continue;
        }
        list.append({*hit.symbol, displayName(hit).value_or(*hit.symbol),
                     hit.exchDisp.value_or(hit.exchange.value_or(QString())),
                     hit.typeDisp.value_or(hit.quoteType.value_or(QString()))});
    }
    return list;
}

std::optional<QString> koreanName(const QList<SearchHit>& hits, const QString& symbol)
{
    for (const SearchHit& hit : hits) {
        if (hit.symbol == symbol) {
            const auto name = displayName(hit);
            return name && containsHangul(*name) ? name : std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<QString> displayName(const SearchHit& hit)
{
    for (const auto& candidate : {hit.longname, hit.shortname}) {
        if (candidate && containsHangul(*candidate)) {
            return cleanCompanyName(*candidate);
        }
    }
    if (const auto name = hit.shortname ? hit.shortname : hit.longname) {
        return cleanCompanyName(*name);
    }
    return std::nullopt;
}

QString cleanCompanyName(const QString& text)
{
    QString name = trimSpacesAndTabs(text);
    for (const QStringView marker : kCompanyMarkers) {
        if (name.endsWith(marker)) {
            name.chop(marker.size());
        }
        if (name.startsWith(marker)) {
            name.remove(0, marker.size());
        }
    }
    return trimSpacesAndTabs(name);
}

bool containsHangul(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c >= u'가' && c <= u'힣'; });
}

} // namespace virel::SearchService
