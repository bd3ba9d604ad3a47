#pragma once

#include "fakemarket/Catalogue.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QTimeZone>
#include <optional>

namespace virel::fake {

// A span of Unix seconds, start inclusive, end exclusive.
struct Period
{
    qint64 start = 0;
    qint64 end = 0;
    bool contains(qint64 t) const { return t >= start && t < end; }
};

// The sessions of one trading date on an exchange clock.
struct TradingDay
{
    QDate date;
    Period pre;
    Period regular;
    Period post;
};

// One price bar; an absent price marks a bar the feed left empty.
struct Bar
{
    qint64 start = 0;
    std::optional<double> open, high, low, close, volume;
};

// Simulated exchange clocks and a deterministic price walk per symbol: the same symbol at the same
// instant always has the same price, and the price moves a little every few seconds.
namespace MarketSimulator {

QTimeZone timeZone(Market market);
bool isTradingDate(Market market, QDate date);
TradingDay tradingDay(Market market, QDate date);

// The trading date whose sessions `currentTradingPeriod` reports: today on the exchange clock, or
// the last trading date before it on days without trading.
TradingDay currentTradingDay(Market market, const QDateTime& now);

// The latest trading date whose regular session has begun by `now`.
QDate lastSessionDate(Market market, const QDateTime& now);

// The trading date before `date`.
QDate previousTradingDate(Market market, QDate date);

// The price of `security` at `unixSeconds`, rounded to its price precision.
double price(const Security& security, qint64 unixSeconds);

// The bar spanning [start, end), observed at `now` (a bar still running closes at the current price).
Bar bar(const Security& security, qint64 start, qint64 end, qint64 now);

} // namespace MarketSimulator
} // namespace virel::fake
