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

QJsonObject period(qint64 start, qint64 end)
{
    return {{u"timezone"_qs, u"EST"_qs}, {u"start"_qs, start}, {u"end"_qs, end}, {u"gmtoffset"_qs, -18000}};
}

// A one-day chart answer in the shape the real endpoint sends (no marketState, nulls in the series).
QJsonObject quoteAnswer()
{
    const QJsonObject meta{
        {u"currency"_qs, u"USD"_qs},
        {u"symbol"_qs, u"NVDA"_qs},
        {u"exchangeName"_qs, u"NMS"_qs},
        {u"instrumentType"_qs, u"EQUITY"_qs},
        {u"regularMarketTime"_qs, kRegularEnd},
        {u"regularMarketPrice"_qs, 187.5},
        {u"chartPreviousClose"_qs, 180},
        {u"previousClose"_qs, 181.25},
        {u"priceHint"_qs, 2},
        {u"currentTradingPeriod"_qs, QJsonObject{{u"pre"_qs, period(kPreStart, kRegularStart)},
                                                 {u"regular"_qs, period(kRegularStart, kRegularEnd)},
                                                 {u"post"_qs, period(kRegularEnd, kPostEnd)}}},
        {u"dataGranularity"_qs, u"5m"_qs},
        {u"range"_qs, u"1d"_qs},
    };
    const QJsonObject series{{u"open"_qs, QJsonArray{185.0, QJsonValue(), 187.0}},
                             {u"high"_qs, QJsonArray{186.0, QJsonValue(), 188.0}},
                             {u"low"_qs, QJsonArray{184.0, QJsonValue(), 186.5}},
                             {u"close"_qs, QJsonArray{185.5, QJsonValue(), 187.5}},
                             {u"volume"_qs, QJsonArray{1200, QJsonValue(), 900}}};
    const QJsonObject result{
        {u"meta"_qs, meta},
        {u"timestamp"_qs, QJsonArray{kRegularStart, kRegularStart + 300, kRegularStart + 600}},
        {u"indicators"_qs, QJsonObject{{u"quote"_qs, QJsonArray{series}}}},
    };
    return {{u"chart"_qs, QJsonObject{{u"result"_qs, QJsonArray{result}}, {u"error"_qs, QJsonValue()}}}};
}

// A three-month chart answer with dividends and splits keyed by timestamp text.
QJsonObject historyAnswer()
{
    const QJsonObject series{{u"open"_qs, QJsonArray{10.0, 11.0, 12.0, 13.0}},
                             {u"high"_qs, QJsonArray{10.5, 11.5, 12.5, 13.5}},
                             {u"low"_qs, QJsonArray{9.5, 10.5, 11.5, 12.5}},
                             {u"close"_qs, QJsonArray{10.2, QJsonValue(), 12.2, 13.2}},
                             {u"volume"_qs, QJsonArray{100, 200, QJsonValue(), 400}}};
    const QJsonObject events{
        {u"dividends"_qs,
         QJsonObject{{u"1700000000"_qs, QJsonObject{{u"amount"_qs, 361}, {u"date"_qs, 1'700'000'000}}},
                     {u"1690000000"_qs, QJsonObject{{u"amount"_qs, 0.24}, {u"date"_qs, 1'690'000'000}}}}},
        {u"splits"_qs, QJsonObject{{u"1695000000"_qs, QJsonObject{{u"date"_qs, 1'695'000'000},
                                                                  {u"numerator"_qs, 2},
                                                                  {u"denominator"_qs, 1},
                                                                  {u"splitRatio"_qs, u"2:1"_qs}}}}},
    };
    const QJsonObject result{
        {u"meta"_qs, QJsonObject{{u"currency"_qs, u"KRW"_qs}, {u"regularMarketPrice"_qs, 72300}}},
        {u"timestamp"_qs, QJsonArray{1'690'000'000, 1'690'086'400, 1'690'172'800, 1'690'259'200}},
        {u"events"_qs, events},
        {u"indicators"_qs, QJsonObject{{u"quote"_qs, QJsonArray{series}}}},
    };
    return {{u"chart"_qs, QJsonObject{{u"result"_qs, QJsonArray{result}}, {u"error"_qs, QJsonValue()}}}};
}

// `root` with the member at a dotted path ("chart.result.0.meta.currency") replaced; an undefined
// value removes it.
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

QByteArray body(const QJsonObject& root, const QString& path = {}, const QJsonValue& value = {})
{
    const QJsonValue result = path.isEmpty() ? root : edited(root, path.split(u'.'), value);
    return QJsonDocument(result.toObject()).toJson(QJsonDocument::Compact);
}

const QJsonValue kRemove(QJsonValue::Undefined);
const WatchItem kItem{u"NVDA"_qs, u"엔비디아"_qs};
const QDateTime kDuringRegular = QDateTime::fromSecsSinceEpoch(kRegularStart + 60, Qt::UTC);

} // namespace

class ChartDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void quoteFromAnswer()
    {
        const auto quote = ChartDecoder::decodeQuote(body(quoteAnswer()), kItem, kDuringRegular);
        QVERIFY(quote);
        QCOMPARE(quote->symbol, u"NVDA"_qs);
        QCOMPARE(quote->displayName, u"엔비디아"_qs);
        QCOMPARE(quote->price, 187.5);
        QCOMPARE(quote->previousClose, 180.0);
        QCOMPARE(quote->currency, u"USD"_qs);
        QCOMPARE(quote->marketState, MarketState::regular);
        QCOMPARE(quote->receivedAt, kDuringRegular);
        QCOMPARE(quote->closes, (QList<double>{185.5, 187.5}));
        // The polled item names the quote, whatever symbol the answer itself carries.
        const auto other =
            ChartDecoder::decodeQuote(body(quoteAnswer()), {u"^KS11"_qs, u"KOSPI"_qs}, kDuringRegular);
        QCOMPARE(other->symbol, u"^KS11"_qs);
        QCOMPARE(other->displayName, u"KOSPI"_qs);
    }

    void quoteMembers_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<double>("previousClose");
        QTest::addColumn<QString>("currency");
        QTest::addColumn<QList<double>>("closes");
        const QString meta = u"chart.result.0.meta."_qs;
        const QString series = u"chart.result.0.indicators.quote.0."_qs;
        const QList<double> closes{185.5, 187.5};
        QTest::newRow("chartPreviousClose null")
            << meta + u"chartPreviousClose" << QJsonValue() << 181.25 << u"USD"_qs << closes;
        QTest::newRow("chartPreviousClose missing")
            << meta + u"chartPreviousClose" << kRemove << 181.25 << u"USD"_qs << closes;
        QTest::newRow("currency missing") << meta + u"currency" << kRemove << 180.0 << QString() << closes;
        QTest::newRow("no indicators")
            << u"chart.result.0.indicators"_qs << kRemove << 180.0 << u"USD"_qs << QList<double>();
        QTest::newRow("empty quote series")
            << u"chart.result.0.indicators.quote"_qs << QJsonValue(QJsonArray()) << 180.0 << u"USD"_qs
            << QList<double>();
        QTest::newRow("close missing")
            << series + u"close" << kRemove << 180.0 << u"USD"_qs << QList<double>();
        QTest::newRow("close all null")
            << series + u"close" << QJsonValue(QJsonArray{QJsonValue(), QJsonValue()}) << 180.0 << u"USD"_qs
            << QList<double>();
        // Members a quote does not read never reject it.
        QTest::newRow("open mistyped")
            << series + u"open" << QJsonValue(u"x"_qs) << 180.0 << u"USD"_qs << closes;
        QTest::newRow("timestamp mistyped")
            << u"chart.result.0.timestamp"_qs << QJsonValue(true) << 180.0 << u"USD"_qs << closes;
        QTest::newRow("answer's symbol mistyped")
            << meta + u"symbol" << QJsonValue(5) << 180.0 << u"USD"_qs << closes;
        QTest::newRow("error object")
            << u"chart.error"_qs << QJsonValue(QJsonObject{{u"code"_qs, 1}}) << 180.0 << u"USD"_qs << closes;
    }

    void quoteMembers()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);
        QFETCH(double, previousClose);
        QFETCH(QString, currency);
        QFETCH(QList<double>, closes);
        const auto quote = ChartDecoder::decodeQuote(body(quoteAnswer(), path, value), kItem, kDuringRegular);
        QVERIFY(quote);
        QCOMPARE(quote->price, 187.5);
        QCOMPARE(quote->previousClose, previousClose);
        QCOMPARE(quote->currency, currency);
        QCOMPARE(quote->closes, closes);
    }

    void noPreviousCloseMeansNoChange()
    {
        QJsonValue root =
            edited(quoteAnswer(), u"chart.result.0.meta.chartPreviousClose"_qs.split(u'.'), kRemove);
        root = edited(root, u"chart.result.0.meta.previousClose"_qs.split(u'.'), QJsonValue());
        const auto quote = ChartDecoder::decodeQuote(body(root.toObject()), kItem, kDuringRegular);
        QVERIFY(quote);
        QCOMPARE(quote->previousClose, quote->price);
    }

    void noQuote_data()
    {
        QTest::addColumn<QByteArray>("answer");
        const QJsonObject root = quoteAnswer();
        const QString meta = u"chart.result.0.meta."_qs;
        QTest::newRow("price null") << body(root, meta + u"regularMarketPrice", QJsonValue());
        QTest::newRow("price missing") << body(root, meta + u"regularMarketPrice", kRemove);
        QTest::newRow("result null") << body(root, u"chart.result"_qs, QJsonValue());
        QTest::newRow("result empty") << body(root, u"chart.result"_qs, QJsonArray());
        QTest::newRow("404 answer") << QByteArray(
            R"({"chart":{"result":null,"error":{"code":"Not Found",)"
            R"("description":"No data found, symbol may be delisted"}}})");
        // Wrong JSON types reject the whole answer.
        QTest::newRow("price as text") << body(root, meta + u"regularMarketPrice", u"187.5"_qs);
        QTest::newRow("currency as number") << body(root, meta + u"currency", 5);
        QTest::newRow("chartPreviousClose as text") << body(root, meta + u"chartPreviousClose", u"x"_qs);
        QTest::newRow("previousClose as bool") << body(root, meta + u"previousClose", true);
        QTest::newRow("marketState as number") << body(root, meta + u"marketState", 1);
        QTest::newRow("meta missing") << body(root, u"chart.result.0.meta"_qs, kRemove);
        QTest::newRow("meta as array") << body(root, u"chart.result.0.meta"_qs, QJsonArray());
        QTest::newRow("chart missing") << body(root, u"chart"_qs, kRemove);
        QTest::newRow("result as object") << body(root, u"chart.result"_qs, QJsonObject());
        QTest::newRow("result entry null") << body(root, u"chart.result.0"_qs, QJsonValue());
        QTest::newRow("second result malformed") << body(root, u"chart.result.1.meta.currency"_qs, 5);
        QTest::newRow("indicators as text") << body(root, u"chart.result.0.indicators"_qs, u"x"_qs);
        QTest::newRow("quote as object") << body(root, u"chart.result.0.indicators.quote"_qs, QJsonObject());
        QTest::newRow("close entry as text")
            << body(root, u"chart.result.0.indicators.quote.0.close.1"_qs, u"x"_qs);
        QTest::newRow("not JSON") << QByteArray("<html>rate limited</html>");
        QTest::newRow("truncated") << body(root).left(200);
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("top-level array") << QByteArray("[]");
    }

    void noQuote()
    {
        QFETCH(QByteArray, answer);
        QCOMPARE(ChartDecoder::decodeQuote(answer, kItem, kDuringRegular), std::nullopt);
    }

    void session_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<MarketState>("expected");
        const QString meta = u"chart.result.0.meta."_qs;
        const QString periods = meta + u"currentTradingPeriod";
        // Derived from the trading periods at the time of decoding: start inclusive, end exclusive.
        QTest::newRow("before pre") << QString() << QJsonValue() << kPreStart - 1 << MarketState::closed;
        QTest::newRow("pre starts") << QString() << QJsonValue() << kPreStart << MarketState::pre;
        QTest::newRow("regular starts") << QString() << QJsonValue() << kRegularStart << MarketState::regular;
        QTest::newRow("post starts") << QString() << QJsonValue() << kRegularEnd << MarketState::post;
        QTest::newRow("post ends") << QString() << QJsonValue() << kPostEnd << MarketState::closed;
        QTest::newRow("empty pre and post")
            << periods + u".pre" << QJsonValue(period(kRegularStart, kRegularStart)) << kRegularStart
            << MarketState::regular;
        // A malformed period is no period: the state is unknown, and the answer still gives a quote.
        QTest::newRow("periods missing") << periods << kRemove << kRegularStart << MarketState::unknown;
        QTest::newRow("periods as text")
            << periods << QJsonValue(u"x"_qs) << kRegularStart << MarketState::unknown;
        QTest::newRow("regular missing")
            << periods + u".regular" << kRemove << kRegularStart << MarketState::unknown;
        QTest::newRow("start as text")
            << periods + u".regular.start" << QJsonValue(u"x"_qs) << kRegularStart << MarketState::unknown;
        QTest::newRow("end fractional")
            << periods + u".post.end" << QJsonValue(1.5) << kRegularStart << MarketState::unknown;
        // A state name the answer sends wins over the periods.
        QTest::newRow("REGULAR while closed")
            << meta + u"marketState" << QJsonValue(u"REGULAR"_qs) << kPostEnd << MarketState::regular;
        QTest::newRow("PREPRE") << meta + u"marketState" << QJsonValue(u"PREPRE"_qs) << kRegularStart
                                << MarketState::pre;
        QTest::newRow("CLOSED") << meta + u"marketState" << QJsonValue(u"CLOSED"_qs) << kRegularStart
                                << MarketState::closed;
        QTest::newRow("lower-case name")
            << meta + u"marketState" << QJsonValue(u"regular"_qs) << kRegularStart << MarketState::unknown;
        QTest::newRow("null name uses periods")
            << meta + u"marketState" << QJsonValue() << kRegularEnd << MarketState::post;
    }

    void session()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);
        QFETCH(qint64, now);
        QFETCH(MarketState, expected);
        const auto answer = path.isEmpty() ? body(quoteAnswer()) : body(quoteAnswer(), path, value);
        const auto quote =
            ChartDecoder::decodeQuote(answer, kItem, QDateTime::fromSecsSinceEpoch(now, Qt::UTC));
        QVERIFY(quote);
        QCOMPARE(quote->marketState, expected);
    }

    void history()
    {
        const History history = ChartDecoder::decodeHistory(body(historyAnswer()));
        // The bar with a null close is left out; the one with a null volume stays with volume 0.
        QCOMPARE(history.candles.size(), 3);
        QCOMPARE(history.candles.at(0),
                 (Candle{QDateTime::fromSecsSinceEpoch(1'690'000'000, Qt::UTC), 10.0, 10.5, 9.5, 10.2, 100}));
        QCOMPARE(history.candles.at(1).date.toSecsSinceEpoch(), 1'690'172'800);
        QCOMPARE(history.candles.at(1).volume, 0.0);
        QCOMPARE(history.candles.at(2).close, 13.2);

        QCOMPARE(history.events.size(), 3);
        QCOMPARE(history.events.at(0).kind, CorporateEvent::Kind::dividend);
        QCOMPARE(history.events.at(0).detail, u"주당 361.0"_qs);
        QCOMPARE(history.events.at(0).id(), u"배당-1700000000.0"_qs);
        QCOMPARE(history.events.at(1).kind, CorporateEvent::Kind::split);
        QCOMPARE(history.events.at(1).detail, u"2:1"_qs);
        QCOMPARE(history.events.at(1).id(), u"액면분할-1695000000.0"_qs);
        QCOMPARE(history.events.at(2).detail, u"주당 0.24"_qs);
    }

    void historyEdges_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<int>("candles");
        QTest::addColumn<QStringList>("events"); // "kind date detail", newest first
        const QString result = u"chart.result.0."_qs;
        const QString series = result + u"indicators.quote.0.";
        const QString dividends = result + u"events.dividends.";
        const QStringList all{u"배당 1700000000 주당 361.0"_qs, u"액면분할 1695000000 2:1"_qs,
                              u"배당 1690000000 주당 0.24"_qs};
        QTest::newRow("open shorter than timestamp")
            << series + u"open" << QJsonValue(QJsonArray{1.0, 2.0}) << 1 << all;
        QTest::newRow("volume missing") << series + u"volume" << kRemove << 3 << all;
        QTest::newRow("no events") << result + u"events" << kRemove << 3 << QStringList();
        QTest::newRow("dividend without amount") << dividends + u"1700000000.amount" << kRemove << 3
                                                 << QStringList{u"배당 1700000000 "_qs, all.at(1), all.at(2)};
        QTest::newRow("dividend without date")
            << dividends + u"1700000000.date" << kRemove << 3 << all.mid(1);
        QTest::newRow("null dividend") << dividends + u"1700000000" << QJsonValue() << 3 << all.mid(1);
        QTest::newRow("split without ratio")
            << result + u"events.splits.1695000000.splitRatio" << kRemove << 3
            << QStringList{all.at(0), u"액면분할 1695000000 "_qs, all.at(2)};
        // Equal dates keep dividends before splits.
        QTest::newRow("same date") << result + u"events.splits.1695000000.date" << QJsonValue(1'700'000'000)
                                   << 3 << QStringList{all.at(0), u"액면분할 1700000000 2:1"_qs, all.at(2)};
        QTest::newRow("meta is not read") << result + u"meta" << QJsonValue(u"x"_qs) << 3 << all;
        // Whole seconds no date can hold drop their entry only.
        QTest::newRow("timestamp beyond any date") << result + u"timestamp.0" << QJsonValue(1e17) << 2 << all;
        QTest::newRow("dividend date beyond any date")
            << dividends + u"1690000000.date" << QJsonValue(-1e17) << 3 << all.mid(0, 2);
        // No bars means no history at all, events included.
        QTest::newRow("timestamp missing") << result + u"timestamp" << kRemove << 0 << QStringList();
        QTest::newRow("indicators missing") << result + u"indicators" << kRemove << 0 << QStringList();
        QTest::newRow("quote missing") << result + u"indicators.quote" << kRemove << 0 << QStringList();
        QTest::newRow("result empty") << u"chart.result"_qs << QJsonValue(QJsonArray()) << 0 << QStringList();
        // Wrong JSON types reject the whole answer.
        QTest::newRow("fractional timestamp")
            << result + u"timestamp.1" << QJsonValue(1.5) << 0 << QStringList();
        QTest::newRow("volume entry as text")
            << series + u"volume.0" << QJsonValue(u"1"_qs) << 0 << QStringList();
        QTest::newRow("amount as text")
            << dividends + u"1690000000.amount" << QJsonValue(u"0.24"_qs) << 0 << QStringList();
        QTest::newRow("dividend date fractional")
            << dividends + u"1690000000.date" << QJsonValue(1.5) << 0 << QStringList();
        QTest::newRow("ratio as number")
            << result + u"events.splits.1695000000.splitRatio" << QJsonValue(2) << 0 << QStringList();
        QTest::newRow("dividends as array")
            << result + u"events.dividends" << QJsonValue(QJsonArray()) << 0 << QStringList();
        QTest::newRow("dividend as number")
            << dividends + u"1690000000" << QJsonValue(3) << 0 << QStringList();
        QTest::newRow("events as text") << result + u"events" << QJsonValue(u"x"_qs) << 0 << QStringList();
    }

    void historyEdges()
    {
        QFETCH(QString, path);
        QFETCH(QJsonValue, value);
        QFETCH(int, candles);
        QFETCH(QStringList, events);
        const History history = ChartDecoder::decodeHistory(body(historyAnswer(), path, value));
        QCOMPARE(history.candles.size(), candles);
        QStringList described;
        for (const CorporateEvent& event : history.events) {
            described.append(CorporateEvent::kindLabel(event.kind) + u' ' +
                             QString::number(event.date.toSecsSinceEpoch()) + u' ' + event.detail);
        }
        QCOMPARE(described, events);
    }

    void historyUndecodable()
    {
        QVERIFY(ChartDecoder::decodeHistory("not json").isEmpty());
        QVERIFY(ChartDecoder::decodeHistory(R"({"chart":{"result":null,"error":{"code":"Not Found"}}})")
                    .isEmpty());
    }
};

QTEST_GUILESS_MAIN(ChartDecoderTest)
#include "ChartDecoderTest.moc"
