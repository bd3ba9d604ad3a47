#pragma once

#include "market/SearchDecoder.h"
#include "market/SearchResult.h"
#include "market/YahooClient.h"

#include <QList>
#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>

// Symbol search and Korean display names. Nothing here ever fails: every failure gives an empty list
// or nothing. The caller keeps `yahoo` alive while a call runs.
namespace virel::SearchService {

// Up to ten hits for free text; a blank query sends nothing.
QCoro::Task<QList<SearchResult>> search(YahooClient& yahoo, QString query);
// The Korean display name of exactly `symbol`, or nothing.
QCoro::Task<std::optional<QString>> resolveKoreanName(YahooClient& yahoo, QString symbol);

// The pure steps behind them.
QList<SearchResult> results(const QList<SearchDecoder::SearchHit>& hits);
std::optional<QString> koreanName(const QList<SearchDecoder::SearchHit>& hits, const QString& symbol);
// A name with Hangul wins (long before short); otherwise the short name, then the long name.
std::optional<QString> displayName(const SearchDecoder::SearchHit& hit);
// Drops one "(주)" or "㈜" at either end and the spaces and tabs around the name.
QString cleanCompanyName(const QString& text);
bool containsHangul(const QString& text);

} // namespace virel::SearchService
