#include "market/ChartDecoder.h"

#include "market/StrictJson.h"
#include "model/Decimal.h"

#include <algorithm>
#include <limits>

namespace virel::ChartDecoder {

namespace {

using Series = QList<std::optional<double>>;

std::optional<Series> readSeries(const QJsonObject& parent, QStringView key)
{
    return StrictJson::mapArray(StrictJson::array(parent, key), StrictJson::toNumberOrNull);
}

// The series objects of `indicators.quote`, each read with `read`; nothing when either is absent.
template <typename Read> auto readIndicatorSeries(const QJsonObject& result, Read read)
{
    const auto indicators = StrictJson::object(result, u"indicators");
    const auto quote = indicators ? StrictJson::array(*indicators, u"quote") : std::nullopt;
    return StrictJson::mapArray(quote,
                                [&](const QJsonValue& value) { return read(StrictJson::toObject(value)); });
}

// A time no date can hold (hundreds of millions of years away) gives an invalid date, and its entry
// is dropped: in milliseconds it would wrap around to some other date.
QDateTime fromUnixSeconds(qint64 seconds)
{
    constexpr qint64 limit = std::numeric_limits<qint64>::max() / 1000;
    if (seconds > limit || seconds < -limit) {
        return {};
    }
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

// --- quotes ---

struct TradingPeriod
{
    qint64 start = 0;
    qint64 end = 0;

    bool contains(qint64 time) const { return start <= time && time < end; }
};

struct TradingPeriods
{
    TradingPeriod pre;
    TradingPeriod regular;
    TradingPeriod post;

    MarketState sessionAt(const QDateTime& now) const
    {
        const qint64 time = now.toSecsSinceEpoch();
        if (regular.contains(time)) {
            return MarketState::regular;
        }
        if (pre.contains(time)) {
            return MarketState::pre;
        }
        if (post.contains(time)) {
            return MarketState::post;
        }
        return MarketState::closed;
    }
};

TradingPeriod readTradingPeriod(const QJsonObject& periods, QStringView key)
{
    const QJsonObject period = StrictJson::requiredObject(periods, key);
    const auto start = StrictJson::integer(period, u"start");
    const auto end = StrictJson::integer(period, u"end");
    if (!start || !end) {
        throw StrictJson::Malformed{};
    }
    return {*start, *end};
}

// Not one of the members the quote stands on: when it is malformed it only counts as absent.
std::optional<TradingPeriods> readTradingPeriods(const QJsonObject& meta)
{
    return StrictJson::attempt([&] {
        const QJsonObject periods = StrictJson::requiredObject(meta, u"currentTradingPeriod");
        return TradingPeriods{readTradingPeriod(periods, u"pre"), readTradingPeriod(periods, u"regular"),
                              readTradingPeriod(periods, u"post")};
    });
}

struct QuoteResult
{
    std::optional<QString> currency;
    std::optional<double> price;
    std::optional<double> chartPreviousClose;
    std::optional<double> previousClose;
    std::optional<QString> marketState;
    std::optional<TradingPeriods> tradingPeriods;
    std::optional<QList<std::optional<Series>>> closeSeries;
};

QuoteResult readQuoteResult(const QJsonValue& value)
{
    const QJsonObject result = StrictJson::toObject(value);
    const QJsonObject meta = StrictJson::requiredObject(result, u"meta");
    QuoteResult read;
    read.currency = StrictJson::string(meta, u"currency");
    read.price = StrictJson::number(meta, u"regularMarketPrice");
    read.chartPreviousClose = StrictJson::number(meta, u"chartPreviousClose");
    read.previousClose = StrictJson::number(meta, u"previousClose");
    read.marketState = StrictJson::string(meta, u"marketState");
    read.tradingPeriods = readTradingPeriods(meta);
    read.closeSeries =
        readIndicatorSeries(result, [](const QJsonObject& series) { return readSeries(series, u"close"); });
    return read;
}

MarketState sessionOf(const QuoteResult& result, const QDateTime& now)
{
    if (!result.marketState && result.tradingPeriods) {
        return result.tradingPeriods->sessionAt(now);
    }
    return MarketStates::yahoo(result.marketState);
}

QList<double> presentCloses(const QuoteResult& result)
{
    QList<double> closes;
    if (!result.closeSeries || result.closeSeries->isEmpty() || !result.closeSeries->first()) {
        return closes;
    }
    for (const auto& close : *result.closeSeries->first()) {
        if (close) {
            closes.append(*close);
        }
    }
    return closes;
}

// --- history ---

struct HistorySeries
{
    std::optional<Series> open, high, low, close, volume;
};

struct HistoryResult
{
    std::optional<QList<qint64>> timestamps;
    std::optional<QList<HistorySeries>> series;
    QList<CorporateEvent> events;
};

// Each member of `events.<key>` that has a date, made into an event by `detail`.
template <typename Detail>
void readEvents(const QJsonObject& events, QStringView key, CorporateEvent::Kind kind, Detail detail,
                QList<CorporateEvent>& out)
{
    const auto members = StrictJson::object(events, key);
    if (!members) {
        return;
    }
    for (const QJsonValue& value : *members) {
        if (value.isNull()) {
            continue;
        }
        const QJsonObject event = StrictJson::toObject(value);
        const auto date = StrictJson::integer(event, u"date");
        const QString text = detail(event);
        if (const QDateTime when = date ? fromUnixSeconds(*date) : QDateTime(); when.isValid()) {
            out.append({when, kind, text});
        }
    }
}

QList<CorporateEvent> readCorporateEvents(const QJsonObject& result)
{
    QList<CorporateEvent> events;
    const auto eventsObject = StrictJson::object(result, u"events");
    if (!eventsObject) {
        return events;
    }
    readEvents(
        *eventsObject, u"dividends", CorporateEvent::Kind::dividend,
        [](const QJsonObject& dividend) {
            const auto amount = StrictJson::number(dividend, u"amount");
            return amount ? u"주당 " + shortestDecimal(*amount) : QString();
        },
        events);
    readEvents(
        *eventsObject, u"splits", CorporateEvent::Kind::split,
        [](const QJsonObject& split) { return StrictJson::string(split, u"splitRatio").value_or(QString()); },
        events);
    return events;
}

HistoryResult readHistoryResult(const QJsonValue& value)
{
    const QJsonObject result = StrictJson::toObject(value);
    HistoryResult read;
    read.timestamps = StrictJson::mapArray(StrictJson::array(result, u"timestamp"), StrictJson::toInteger);
    read.series = readIndicatorSeries(result, [](const QJsonObject& series) {
        return HistorySeries{readSeries(series, u"open"), readSeries(series, u"high"),
                             readSeries(series, u"low"), readSeries(series, u"close"),
                             readSeries(series, u"volume")};
    });
    read.events = readCorporateEvents(result);
    return read;
}

// The value of `series` at `index`, when the series has one there.
std::optional<double> at(const std::optional<Series>& series, qsizetype index)
{
    return series && index < series->size() ? series->at(index) : std::nullopt;
}

QList<Candle> candlesOf(const QList<qint64>& timestamps, const HistorySeries& s)
{
    QList<Candle> candles;
    for (qsizetype i = 0; i < timestamps.size(); ++i) {
        const auto open = at(s.open, i);
        const auto high = at(s.high, i);
        const auto low = at(s.low, i);
        const auto close = at(s.close, i);
        const QDateTime time = fromUnixSeconds(timestamps.at(i));
        if (open && high && low && close && time.isValid()) {
            candles.append({time, *open, *high, *low, *close, at(s.volume, i).value_or(0)});
        }
    }
    return candles;
}

// The results of `chart.result`, each read with `read`; nothing when the answer is undecodable.
template <typename Read> auto decodeResults(const QByteArray& body, Read read)
{
    return StrictJson::decode(body, [&](const QJsonObject& root) {
        const QJsonObject chart = StrictJson::requiredObject(root, u"chart");
        return StrictJson::mapArray(StrictJson::array(chart, u"result"), read)
            .value_or(QList<std::decay_t<decltype(read(QJsonValue{}))>>{});
    });
}

} // namespace

std::optional<Quote> decodeQuote(const QByteArray& body, const WatchItem& item, const QDateTime& now)
{
    const auto results = decodeResults(body, readQuoteResult);
    if (!results || results->isEmpty() || !results->first().price) {
        return std::nullopt;
    }
    const QuoteResult& result = results->first();
    Quote quote;
    quote.symbol = item.symbol;
    quote.displayName = item.name;
    quote.price = *result.price;
    quote.previousClose = result.chartPreviousClose.value_or(result.previousClose.value_or(quote.price));
    quote.currency = result.currency.value_or(QString());
    quote.marketState = sessionOf(result, now);
    quote.receivedAt = now;
    quote.closes = presentCloses(result);
    return quote;
}

History decodeHistory(const QByteArray& body)
{
    const auto results = decodeResults(body, readHistoryResult);
    if (!results || results->isEmpty()) {
        return {};
    }
    const HistoryResult& result = results->first();
    if (!result.timestamps || !result.series || result.series->isEmpty()) {
        return {};
    }
    History history;
    history.candles = candlesOf(*result.timestamps, result.series->first());
    history.events = result.events;
    std::stable_sort(history.events.begin(), history.events.end(),
                     [](const CorporateEvent& a, const CorporateEvent& b) { return a.date > b.date; });
    return history;
}

} // namespace virel::ChartDecoder
