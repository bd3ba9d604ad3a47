#pragma once

#include <QString>
#include <optional>

// Conversions between the three forms of one symbol: the Yahoo form every market request uses
// ("005930.KS", "BRK-B", "^KS11"), the server form of the service's watchlist ("005930", "BRK.B")
// and the web form ending the service's symbol page path. Input is trimmed of spaces and tabs and
// upper-cased first; nothing ever fails.
namespace virel::TickerMap {

QString yahooSymbol(const QString& ticker, const QString& exchange = {});
QString serverTicker(const QString& yahooSymbol);
// Nothing for indices, currency pairs, futures, crypto pairs and anything else without a page.
std::optional<QString> webTicker(const QString& yahooSymbol);

} // namespace virel::TickerMap
