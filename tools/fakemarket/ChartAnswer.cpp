#include "fakemarket/ChartAnswer.h"

#include "fakemarket/MarketSimulator.h"

#include <QJsonArray>
#include <functional>

using namespace Qt::StringLiterals;

namespace virel::fake::ChartAnswer {
namespace {

enum class Step { intraday, day, week, month, quarter };

struct Interval
{
    Step step = Step::day;
    qint64 seconds = 0; // intraday bars only
};

struct Range
{
    int sessions = 0; // "1d", "5d": the last trading dates
    int months = 0;   // longer ranges: calendar months back from today
    bool yearToDate = false;
};

const QStringList validRanges{u"1d"_s, u"5d"_s, u"1mo"_s, u"3mo"_s, u"6mo"_s, u"1y"_s,
                              u"2y"_s, u"5y"_s, u"10y"_s, u"ytd"_s, u"max"_s};

std::optional<Interval> parseInterval(const QString& text)
{
    static const QHash<QString, qint64> intraday{{u"1m"_s, 60},    {u"2m"_s, 120},   {u"5m"_s, 300},
                                                 {u"15m"_s, 900},  {u"30m"_s, 1800}, {u"60m"_s, 3600},
                                                 {u"90m"_s, 5400}, {u"1h"_s, 3600}};
    if (intraday.contains(text))
        return Interval{Step::intraday, intraday.value(text)};
    static const QHash<QString, Step> calendar{
        {u"1d"_s, Step::day}, {u"1wk"_s, Step::week}, {u"1mo"_s, Step::month}, {u"3mo"_s, Step::quarter}};
    if (calendar.contains(text))
        return Interval{calendar.value(text), 0};
    return std::nullopt;
}

std::optional<Range> parseRange(const QString& text)
{
    static const QHash<QString, Range> ranges{
        {u"1d"_s, {1, 0, false}},  {u"5d"_s, {5, 0, false}},   {u"1mo"_s, {0, 1, false}},
        {u"3mo"_s, {0, 3, false}}, {u"6mo"_s, {0, 6, false}},  {u"1y"_s, {0, 12, false}},
        {u"2y"_s, {0, 24, false}}, {u"5y"_s, {0, 60, false}},  {u"10y"_s, {0, 120, false}},
        {u"ytd"_s, {0, 0, true}},  {u"max"_s, {0, 120, false}}};
    const auto it = ranges.constFind(text);
    return it == ranges.constEnd() ? std::nullopt : std::optional<Range>(*it);
}

JsonAnswer error(int status, const QString& code, const QString& description)
{
    const QJsonObject error{{u"code"_s, code}, {u"description"_s, description}};
    return {status,
            QJsonObject{{u"chart"_s, QJsonObject{{u"result"_s, QJsonValue::Null}, {u"error"_s, error}}}}};
}

// Intraday bars reach back 60 days at most, hourly ones two years, like the real feed.
bool intradayTooLong(const Interval& interval, const Range& range)
{
    if (interval.step != Step::intraday || range.sessions > 0)
        return false;
    const int maxMonths = interval.seconds < 3600 ? 2 : 24;
    return range.yearToDate ? maxMonths < 12 : range.months > maxMonths;
}

// The trading dates the range covers, oldest first, ending with the last session that has begun.
QList<QDate> tradingDates(Market market, const Range& range, const QDateTime& now)
{
    const QDate last = MarketSimulator::lastSessionDate(market, now);
    QList<QDate> dates;
    if (range.sessions > 0) {
        for (QDate d = last; dates.size() < range.sessions;
             d = MarketSimulator::previousTradingDate(market, d))
            dates.prepend(d);
        return dates;
    }
    const QDate today = now.toTimeZone(MarketSimulator::timeZone(market)).date();
    const QDate first = range.yearToDate ? QDate(today.year(), 1, 1) : today.addMonths(-range.months);
    for (QDate d = first; d <= last; d = d.addDays(1)) {
        if (MarketSimulator::isTradingDate(market, d))
            dates.append(d);
    }
    return dates;
}

// Which calendar bar a trading date falls into.
int bucketOf(Step step, QDate date)
{
    switch (step) {
    case Step::week: {
        int year = 0;
        const int week = date.weekNumber(&year);
        return year * 100 + week;
    }
    case Step::month:
        return date.year() * 100 + date.month();
    case Step::quarter:
        return date.year() * 100 + (date.month() - 1) / 3;
    case Step::intraday:
    case Step::day:
        break;
    }
    return static_cast<int>(date.toJulianDay());
}

QList<Bar> makeBars(const Security& security, const QList<QDate>& dates, const Interval& interval, qint64 now)
{
    QList<Bar> bars;
    const auto add = [&](qint64 start, qint64 end) {
        bars.append(MarketSimulator::bar(security, start, end, now));
    };
    if (interval.step == Step::intraday) {
        for (const QDate& date : dates) {
            const Period regular = MarketSimulator::tradingDay(security.market, date).regular;
            for (qint64 t = regular.start; t < regular.end && t <= now; t += interval.seconds)
                add(t, std::min(t + interval.seconds, regular.end));
        }
        return bars;
    }
    for (qsizetype i = 0; i < dates.size();) {
        qsizetype j = i + 1;
        while (j < dates.size() && bucketOf(interval.step, dates[j]) == bucketOf(interval.step, dates[i]))
            ++j;
        add(MarketSimulator::tradingDay(security.market, dates[i]).regular.start,
            MarketSimulator::tradingDay(security.market, dates[j - 1]).regular.end);
        i = j;
    }
    return bars;
}

// The real feed leaves some bars empty; so does this one (never the running bar).
void blankSomeBars(QList<Bar>& bars)
{
    for (qsizetype i = 0; i + 1 < bars.size(); ++i) {
        if (i % 13 == 1)
            bars[i] = Bar{bars[i].start, {}, {}, {}, {}, {}};
        else if (i % 17 == 5)
            bars[i].volume.reset();
    }
}

QJsonArray series(const QList<Bar>& bars, const std::function<std::optional<double>(const Bar&)>& field)
{
    QJsonArray values;
    for (const Bar& b : bars) {
        const std::optional<double> v = field(b);
        values.append(v ? QJsonValue(*v) : QJsonValue(QJsonValue::Null));
    }
    return values;
}

QJsonObject indicators(const QList<Bar>& bars, bool withAdjClose)
{
    const QJsonObject quote{{u"open"_s, series(bars, [](const Bar& b) { return b.open; })},
                            {u"high"_s, series(bars, [](const Bar& b) { return b.high; })},
                            {u"low"_s, series(bars, [](const Bar& b) { return b.low; })},
                            {u"close"_s, series(bars, [](const Bar& b) { return b.close; })},
                            {u"volume"_s, series(bars, [](const Bar& b) { return b.volume; })}};
    QJsonObject result{{u"quote"_s, QJsonArray{quote}}};
    if (withAdjClose) {
        const QJsonObject adj{{u"adjclose"_s, quote.value(u"close"_s)}};
        result.insert(u"adjclose"_s, QJsonArray{adj});
    }
    return result;
}

QJsonObject period(const Period& p, const QTimeZone& zone)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(p.start, zone);
    return {{u"timezone"_s, zone.abbreviation(at)},
            {u"start"_s, p.start},
            {u"end"_s, p.end},
            {u"gmtoffset"_s, zone.offsetFromUtc(at)}};
}

QJsonObject tradingPeriod(Market market, const QDateTime& now)
{
    const TradingDay day = MarketSimulator::currentTradingDay(market, now);
    const QTimeZone zone = MarketSimulator::timeZone(market);
    return {{u"pre"_s, period(day.pre, zone)},
            {u"regular"_s, period(day.regular, zone)},
            {u"post"_s, period(day.post, zone)}};
}

double closeOf(const Security& security, QDate date)
{
    return MarketSimulator::price(security, MarketSimulator::tradingDay(security.market, date).regular.end);
}

QJsonObject meta(const Security& security, const QList<QDate>& dates, const QString& range,
                 const QString& interval, const QDateTime& now)
{
    const Market market = security.market;
    const QTimeZone zone = MarketSimulator::timeZone(market);
    const QDate last = MarketSimulator::lastSessionDate(market, now);
    const QDate beforeRange =
        MarketSimulator::previousTradingDate(market, dates.isEmpty() ? last : dates.first());
    QJsonObject m{{u"currency"_s, security.currency},
                  {u"symbol"_s, security.symbol},
                  {u"exchangeName"_s, security.exchange},
                  {u"fullExchangeName"_s, security.exchDisp},
                  {u"instrumentType"_s, security.quoteType},
                  {u"regularMarketTime"_s, now.toSecsSinceEpoch()},
                  {u"hasPrePostMarketData"_s, market == Market::us},
                  {u"gmtoffset"_s, zone.offsetFromUtc(now)},
                  {u"timezone"_s, zone.abbreviation(now)},
                  {u"exchangeTimezoneName"_s, QString::fromLatin1(zone.id())},
                  {u"regularMarketPrice"_s, MarketSimulator::price(security, now.toSecsSinceEpoch())},
                  {u"chartPreviousClose"_s, closeOf(security, beforeRange)},
                  {u"previousClose"_s, closeOf(security, MarketSimulator::previousTradingDate(market, last))},
                  {u"scale"_s, 3},
                  {u"priceHint"_s, security.priceDecimals},
                  {u"currentTradingPeriod"_s, tradingPeriod(market, now)},
                  {u"dataGranularity"_s, interval},
                  {u"range"_s, range},
                  {u"validRanges"_s, QJsonArray::fromStringList(validRanges)}};
    if (!security.shortName.isEmpty())
        m.insert(u"shortName"_s, security.shortName);
    if (!security.longName.isEmpty())
        m.insert(u"longName"_s, security.longName);
    return m;
}

// The session start of `date`, or of the trading date before it when the exchange is closed then.
qint64 eventTime(Market market, QDate date)
{
    if (!MarketSimulator::isTradingDate(market, date))
        date = MarketSimulator::previousTradingDate(market, date);
    return MarketSimulator::tradingDay(market, date).regular.start;
}

QJsonObject dividends(const Security& security, const Period& window)
{
    QJsonObject result;
    if (security.quarterlyDividend <= 0)
        return result;
    const QDate from =
        QDateTime::fromSecsSinceEpoch(window.start, MarketSimulator::timeZone(security.market)).date();
    for (QDate month(from.year(), from.month(), 1); month.startOfDay().toSecsSinceEpoch() < window.end;
         month = month.addMonths(1)) {
        if ((month.month() - security.dividendFirstMonth + 12) % 3 != 0)
            continue;
        const QDate day(month.year(), month.month(), std::min(security.dividendDay, month.daysInMonth()));
        const qint64 t = eventTime(security.market, day);
        if (window.contains(t))
            result.insert(QString::number(t),
                          QJsonObject{{u"amount"_s, security.quarterlyDividend}, {u"date"_s, t}});
    }
    return result;
}

QJsonObject splits(const Security& security, const QDateTime& now, const Period& window)
{
    QJsonObject result;
    if (security.splitRatio.isEmpty())
        return result;
    const QDate today = now.toTimeZone(MarketSimulator::timeZone(security.market)).date();
    const qint64 t = eventTime(security.market, today.addDays(-security.splitDaysAgo));
    if (!window.contains(t))
        return result;
    const QStringList parts = security.splitRatio.split(u':');
    result.insert(QString::number(t), QJsonObject{{u"date"_s, t},
                                                  {u"numerator"_s, parts.value(0).toInt()},
                                                  {u"denominator"_s, parts.value(1).toInt()},
                                                  {u"splitRatio"_s, security.splitRatio}});
    return result;
}

QJsonObject events(const Security& security, const QString& wanted, const QDateTime& now,
                   const QList<QDate>& dates)
{
    QJsonObject result;
    if (dates.isEmpty())
        return result;
    const Period window{MarketSimulator::tradingDay(security.market, dates.first()).pre.start,
                        now.toSecsSinceEpoch() + 1};
    if (wanted.contains(u"div")) {
        if (const QJsonObject d = dividends(security, window); !d.isEmpty())
            result.insert(u"dividends"_s, d);
    }
    if (wanted.contains(u"split")) {
        if (const QJsonObject s = splits(security, now, window); !s.isEmpty())
            result.insert(u"splits"_s, s);
    }
    return result;
}

} // namespace

JsonAnswer make(const QString& symbol, const QUrlQuery& query, const QDateTime& now)
{
    const Security* security = Catalogue::find(symbol);
    if (!security)
        return error(404, u"Not Found"_s, u"No data found, symbol may be delisted"_s);
    const QString rangeText = query.hasQueryItem(u"range"_s) ? query.queryItemValue(u"range"_s) : u"1mo"_s;
    const QString intervalText =
        query.hasQueryItem(u"interval"_s) ? query.queryItemValue(u"interval"_s) : u"1d"_s;
    const std::optional<Range> range = parseRange(rangeText);
    if (!range)
        return error(422, u"Unprocessable Entity"_s,
                     u"Invalid input - range=%1 is not supported. Valid ranges: [%2]"_s.arg(
                         rangeText, validRanges.join(u", ")));
    const std::optional<Interval> interval = parseInterval(intervalText);
    if (!interval)
        return error(422, u"Unprocessable Entity"_s,
                     u"Invalid input - interval=%1 is not supported."_s.arg(intervalText));
    if (intradayTooLong(*interval, *range))
        return error(422, u"Unprocessable Entity"_s,
                     u"%1 data not available for the requested range. The requested range must be within the "
                     u"last 60 days."_s.arg(intervalText));

    const QList<QDate> dates = tradingDates(security->market, *range, now);
    QList<Bar> bars = makeBars(*security, dates, *interval, now.toSecsSinceEpoch());
    blankSomeBars(bars);
    QJsonArray timestamps;
    for (const Bar& b : bars)
        timestamps.append(b.start);

    QJsonObject result{{u"meta"_s, meta(*security, dates, rangeText, intervalText, now)}};
    if (!bars.isEmpty()) {
        result.insert(u"timestamp"_s, timestamps);
        result.insert(u"indicators"_s, indicators(bars, interval->step != Step::intraday));
    }
    if (range->months >= 3 || range->yearToDate) {
        if (const QJsonObject e = events(*security, query.queryItemValue(u"events"_s), now, dates);
            !e.isEmpty())
            result.insert(u"events"_s, e);
    }
    return {200, QJsonObject{{u"chart"_s, QJsonObject{{u"result"_s, QJsonArray{result}},
                                                      {u"error"_s, QJsonValue::Null}}}}};
}

} // namespace virel::fake::ChartAnswer
