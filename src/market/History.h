#pragma once

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>
#include <array>

namespace virel {

// One price bar; identified by its `date`.
struct Candle
{
    QDateTime date; // start of the bar
    double open = 0;
    double high = 0;
    double low = 0;
    double close = 0;
    double volume = 0; // 0 when the answer has none for the bar

    bool operator==(const Candle&) const = default;
};

// A dividend or a stock split.
struct CorporateEvent
{
    enum class Kind { dividend, split };

    QDateTime date;
    Kind kind = Kind::dividend;
    QString detail; // "주당 " and the amount for a dividend, the ratio for a split; may be empty

    bool operator==(const CorporateEvent&) const = default;

    // The kind's raw text, "-", and the date in Unix seconds with a fractional part: "배당-1700000000.0".
    QString id() const;
    // "배당" or "액면분할".
    static QString kindLabel(Kind kind);
};

// Price bars oldest first and corporate events newest first; empty on every failure.
struct History
{
    QList<Candle> candles;
    QList<CorporateEvent> events;

    bool operator==(const History&) const = default;
    bool isEmpty() const { return candles.isEmpty() && events.isEmpty(); }
};

// The span and bar width of a history request.
enum class ChartRange { oneDay, fiveDays, oneMonth, threeMonths, sixMonths, oneYear, fiveYears };

namespace ChartRanges {

struct Parameters
{
    QString range;    // "1d", "5d", ... as the chart endpoint takes it
    QString interval; // "5m", "15m", ...
    bool events;      // dividends and splits are requested (three months and longer)
};

inline constexpr std::array<ChartRange, 7> all{
    ChartRange::oneDay,    ChartRange::fiveDays, ChartRange::oneMonth,  ChartRange::threeMonths,
    ChartRange::sixMonths, ChartRange::oneYear,  ChartRange::fiveYears,
};

Parameters parameters(ChartRange range);

} // namespace ChartRanges
} // namespace virel

Q_DECLARE_METATYPE(virel::History)
