#include "market/ChartDecoder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace virel;

namespace {

// US session of 2023-11-14 (EST) as the chart endpoint reports it.
constexpr qint64 kPreStart = 1'699'952'400;
constexpr qint64 kRegularStart = 1'699'972'200;
constexpr qint64 kRegularEnd = 1'699'995'600;
constexpr qint64 kPostEnd = 1'700'010'000;

// A one-day chart answer in the shape the real endpoint sends (no marketState, nulls in the series).
const QJsonObject kQuote = QJsonDocument::fromJson(R"({"chart": {"error": null, "result": [{
    "meta": {"currency": "USD", "symbol": "NVDA", "regularMarketPrice": 187.5, "chartPreviousClose": 180,
        "previousClose": 181.25, "currentTradingPeriod": {"pre": {"start": 1699952400, "end": 1699972200},
        "regular": {"start": 1699972200, "end": 1699995600},
        "post": {"start": 1699995600, "end": 1700010000}}},
    "timestamp": [1699972200, 1699972500, 1699972800],
    "indicators": {"quote": [{"open": [185, null, 187], "close": [185.5, null, 187.5]}]}}]}})")
                               .object();

// A three-month chart answer with dividends and splits keyed by timestamp text.
const QJsonObject kHistory = QJsonDocument::fromJson(R"({"chart": {"error": null, "result": [{
    "meta": {"currency": "KRW", "regularMarketPrice": 72300},
    "timestamp": [1690000000, 1690086400, 1690172800, 1690259200],
    "events": {"dividends": {"1700000000": {"amount": 361, "date": 1700000000},
                             "1690000000": {"amount": 0.24, "date": 1690000000}},
               "splits": {"1695000000": {"date": 1695000000, "splitRatio": "2:1"}}},
    "indicators": {"quote": [{"open": [10, 11, 12, 13], "high": [10.5, 11.5, 12.5, 13.5],
        "low": [9.5, 10.5, 11.5, 12.5], "close": [10.2, null, 12.2, 13.2],
        "volume": [100, 200, null, 400]}]}}]}})")
                                 .object();

// `root` with the member at a dotted path ("chart.result.0.meta.currency") replaced; undefined removes it.
QJsonValue edited(const QJsonValue& root, QStringList path, const QJsonValue& value)
{
    if (path.isEmpty()) {
        return value;
    }
    const QString key = path.takeFirst();
    bool isIndex = false;
    const int index = key.toInt(&isIndex);
    if (isIndex && root.isArray()) {
        QJsonArray array = root.toArray();
        if (index == array.size()) {
            array.append(edited(QJsonValue(), path, value));
        } else {
            array[index] = edited(array.at(index), path, value);
        }
        return array;
    }
    QJsonObject object = root.toObject();
    if (path.isEmpty() && value.isUndefined()) {
        object.remove(key);
    } else {
        object[key] = edited(object.value(key), path, value);
    }
    return object;
}

// `root` with every member of the comma-separated `paths` set to `value`.
QByteArray body(const QJsonObject& root, const QString& paths = {}, const QJsonValue& value = {})
{
    QJsonValue result = root;
    for (const QString& path : paths.split(u',', Qt::SkipEmptyParts)) {
        result = edited(result, path.split(u'.'), value);
    }
    return QJsonDocument(result.toObject()).toJson(QJsonDocument::Compact);
}

const QJsonValue kRemove(QJsonValue::Undefined);
const WatchItem kItem{u"NVDA"_qs, u"엔비디아"_qs};
const QString kMeta = u"chart.result.0.meta."_qs;
const QString kResult = u"chart.result.0."_qs;
const QString kSeries = u"chart.result.0.indicators.quote.0."_qs;

} // namespace

class ChartDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    // Every answer decoded at `now`: the quote it gives, or none.
    void quote_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<std::optional<Quote>>("expected");
        const qint64 during = kRegularStart + 60;
        const QList<double> closes{185.5, 187.5};
        const auto expect = [](qint64 now, MarketState state, double previous, const QString& currency,
                               const QList<double>& closes) {
            return std::optional(Quote{kItem.symbol, kItem.name, 187.5, previous, currency, state,
                                       QDateTime::fromSecsSinceEpoch(now, Qt::UTC), closes});
        };
        // What differs from the answer as sent, during the regular session.
        const auto row = [&](const char* name, const QString& path, const QJsonValue& value, double previous,
                             const QString& currency, const QList<double>& closes) {
            QTest::newRow(name) << body(kQuote, path, value) << during
                                << expect(during, MarketState::regular, previous, currency, closes);
        };
        // The session at `now`.
        const auto at = [&](const char* name, const QString& path, const QJsonValue& value, qint64 now,
                            MarketState state) {
            QTest::newRow(name) << body(kQuote, path, value) << now
                                << expect(now, state, 180, u"USD"_qs, closes);
        };
        const auto none = [&](const char* name, const QString& path, const QJsonValue& value) {
            QTest::newRow(name) << body(kQuote, path, value) << during << std::optional<Quote>();
        };
        row("as sent: the polled item names it, nulls left out", {}, {}, 180, u"USD"_qs, closes);
        row("chartPreviousClose null", kMeta + u"chartPreviousClose", {}, 181.25, u"USD"_qs, closes);
        row("no previous close: no change", kMeta + u"chartPreviousClose," + kMeta + u"previousClose", {},
            187.5, u"USD"_qs, closes);
        row("currency missing", kMeta + u"currency", kRemove, 180, {}, closes);
        row("no indicators", kResult + u"indicators", kRemove, 180, u"USD"_qs, {});
        row("empty quote series", kResult + u"indicators.quote", QJsonArray(), 180, u"USD"_qs, {});
        row("close missing", kSeries + u"close", kRemove, 180, u"USD"_qs, {});
        row("close all null", kSeries + u"close", QJsonArray{QJsonValue(), QJsonValue()}, 180, u"USD"_qs, {});
        // Members a quote does not read never reject it.
        row("open mistyped", kSeries + u"open", u"x"_qs, 180, u"USD"_qs, closes);
        row("timestamp mistyped", kResult + u"timestamp", true, 180, u"USD"_qs, closes);
        row("answer's symbol mistyped", kMeta + u"symbol", 5, 180, u"USD"_qs, closes);
        row("error object", u"chart.error"_qs, QJsonObject{{u"code"_qs, 1}}, 180, u"USD"_qs, closes);

        const QString periods = kMeta + u"currentTradingPeriod";
        const QString state = kMeta + u"marketState";
        // Derived from the trading periods at the time of decoding: start inclusive, end exclusive.
        at("before pre", {}, {}, kPreStart - 1, MarketState::closed);
        at("pre starts", {}, {}, kPreStart, MarketState::pre);
        at("regular starts", {}, {}, kRegularStart, MarketState::regular);
        at("post starts", {}, {}, kRegularEnd, MarketState::post);
        at("post ends", {}, {}, kPostEnd, MarketState::closed);
        at("empty pre period", periods + u".pre.start", kRegularStart, kRegularStart, MarketState::regular);
        // A malformed period is no period: the state is unknown, and the answer still gives a quote.
        at("periods missing", periods, kRemove, kRegularStart, MarketState::unknown);
        at("start as text", periods + u".regular.start", u"x"_qs, kRegularStart, MarketState::unknown);
        at("end fractional", periods + u".post.end", 1.5, kRegularStart, MarketState::unknown);
        // A state name the answer sends wins over the periods.
        at("REGULAR while closed", state, u"REGULAR"_qs, kPostEnd, MarketState::regular);
        at("lower-case name", state, u"regular"_qs, kRegularStart, MarketState::unknown);
        at("null name uses periods", state, {}, kRegularEnd, MarketState::post);

        none("price missing", kMeta + u"regularMarketPrice", kRemove);
        none("result empty", u"chart.result"_qs, QJsonArray());
        // Wrong JSON types reject the whole answer.
        none("price as text", kMeta + u"regularMarketPrice", u"187.5"_qs);
        none("currency as number", kMeta + u"currency", 5);
        none("chartPreviousClose as text", kMeta + u"chartPreviousClose", u"x"_qs);
        none("marketState as number", kMeta + u"marketState", 1);
        none("meta missing", kResult + u"meta", kRemove);
        none("meta as array", kResult + u"meta", QJsonArray());
        none("chart missing", u"chart"_qs, kRemove);
        none("result as object", u"chart.result"_qs, QJsonObject());
        none("result entry null", kResult.chopped(1), {});
        none("second result malformed", u"chart.result.1.meta.currency"_qs, 5);
        none("quote as object", kResult + u"indicators.quote", QJsonObject());
        none("close entry as text", kSeries + u"close.1", u"x"_qs);
        QTest::newRow("truncated") << body(kQuote).left(200) << during << std::optional<Quote>();
        QTest::newRow("top-level array") << QByteArray("[]") << during << std::optional<Quote>();
    }

    void quote()
    {
        QFETCH(QByteArray, answer);
        QFETCH(qint64, now);
        QFETCH(std::optional<Quote>, expected);
        QCOMPARE(ChartDecoder::decodeQuote(answer, kItem, QDateTime::fromSecsSinceEpoch(now, Qt::UTC)),
                 expected);
    }

    void history()
    {
        const History history = ChartDecoder::decodeHistory(body(kHistory));
        // The bar with a null close is left out; the one with a null volume stays with volume 0.
        const auto at = [](qint64 time) { return QDateTime::fromSecsSinceEpoch(time, Qt::UTC); };
        QCOMPARE(history.candles, (QList<Candle>{{at(1'690'000'000), 10, 10.5, 9.5, 10.2, 100},
                                                 {at(1'690'172'800), 12, 12.5, 11.5, 12.2, 0},
                                                 {at(1'690'259'200), 13, 13.5, 12.5, 13.2, 400}}));
    }

    void historyEdges_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<int>("candles");
        QTest::addColumn<QStringList>("events"); // "id detail", newest first
        const auto row = [](const char* name, const QString& path, const QJsonValue& value, int candles,
                            const QStringList& events) {
            QTest::newRow(name) << path << value << candles << events;
        };
        const QString dividends = kResult + u"events.dividends.";
        const QString split = kResult + u"events.splits.1695000000.";
        const QStringList all{u"배당-1700000000.0 주당 361.0"_qs, u"액면분할-1695000000.0 2:1"_qs,
                              u"배당-1690000000.0 주당 0.24"_qs};
        row("as sent", {}, {}, 3, all);
        row("open shorter than timestamp", kSeries + u"open", QJsonArray{1.0, 2.0}, 1, all);
        row("volume missing", kSeries + u"volume", kRemove, 3, all);
        row("no events", kResult + u"events", kRemove, 3, {});
        row("dividend without amount", dividends + u"1700000000.amount", kRemove, 3,
            {u"배당-1700000000.0 "_qs, all.at(1), all.at(2)});
        row("dividend without date", dividends + u"1700000000.date", kRemove, 3, all.mid(1));
        row("null dividend", dividends + u"1700000000", {}, 3, all.mid(1));
        row("split without ratio", split + u"splitRatio", kRemove, 3,
            {all.at(0), u"액면분할-1695000000.0 "_qs, all.at(2)});
        // Equal dates keep dividends before splits.
        row("same date", split + u"date", 1'700'000'000, 3,
            {all.at(0), u"액면분할-1700000000.0 2:1"_qs, all.at(2)});
        row("meta is not read", kResult + u"meta", u"x"_qs, 3, all);
        // Whole seconds no date can hold drop their entry only.
        row("timestamp beyond any date", kResult + u"timestamp.0", 1e17, 2, all);
        row("dividend date beyond any date", dividends + u"1690000000.date", -1e17, 3, all.mid(0, 2));
        // No bars means no history at all, events included.
        row("timestamp missing", kResult + u"timestamp", kRemove, 0, {});
        row("indicators missing", kResult + u"indicators", kRemove, 0, {});
        row("quote empty", kResult + u"indicators.quote", QJsonArray(), 0, {});
        row("result empty", u"chart.result"_qs, QJsonArray(), 0, {});
        // Wrong JSON types reject the whole answer.
        row("fractional timestamp", kResult + u"timestamp.1", 1.5, 0, {});
        row("volume entry as text", kSeries + u"volume.0", u"1"_qs, 0, {});
        row("amount as text", dividends + u"1690000000.amount", u"0.24"_qs, 0, {});
        row("dividend date fractional", dividends + u"1690000000.date", 1.5, 0, {});
        row("ratio as number", split + u"splitRatio", 2, 0, {});
        row("dividends as array", kResult + u"events.dividends", QJsonArray(), 0, {});
        row("dividend as number", dividends + u"1690000000", 3, 0, {});
        row("events as text", kResult + u"events", u"x"_qs, 0, {});
    }

    void historyEdges()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);
        QFETCH(int, candles);
        QFETCH(QStringList, events);
        const History history = ChartDecoder::decodeHistory(body(kHistory, path, value));
        QCOMPARE(history.candles.size(), candles);
        QStringList described;
        for (const CorporateEvent& event : history.events) {
            described.append(event.id() + u' ' + event.detail);
        }
        QCOMPARE(described, events);
    }
};

QTEST_GUILESS_MAIN(ChartDecoderTest)
#include "ChartDecoderTest.moc"
