#include "model/AlertRule.h"
#include "model/Decimal.h"
#include "model/DisplayMode.h"
#include "model/Formatters.h"
#include "model/MarketState.h"
#include "model/WatchItem.h"

#include <QTest>

#include <limits>

using namespace virel;

namespace {
Quote quoteOf(double price, double previousClose)
{
    Quote quote;
    quote.price = price;
    quote.previousClose = previousClose;
    return quote;
}
} // namespace

class RecordsTest : public QObject
{
    Q_OBJECT

private slots:
    void watchItemList_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<int>("count"); // -1: unreadable
        QTest::newRow("empty array is a list") << QByteArray("[]") << 0;
        QTest::newRow("two items")
            << QByteArray(R"([{"symbol":"NVDA","name":"NVDA"},{"symbol":"^KS11","name":"KOSPI"}])") << 2;
        QTest::newRow("extra keys ignored") << QByteArray(R"([{"symbol":"NVDA","name":"N","x":1}])") << 1;
        QTest::newRow("no name") << QByteArray(R"([{"symbol":"NVDA","name":"N"},{"symbol":"AAPL"}])") << -1;
        QTest::newRow("name of wrong type") << QByteArray(R"([{"symbol":"NVDA","name":3}])") << -1;
        QTest::newRow("null name") << QByteArray(R"([{"symbol":"NVDA","name":null}])") << -1;
        QTest::newRow("not an array") << QByteArray(R"({"symbol":"NVDA","name":"N"})") << -1;
        QTest::newRow("not json") << QByteArray("garbage") << -1;
        QTest::newRow("entry not an object") << QByteArray(R"(["NVDA"])") << -1;
    }
    void watchItemList()
    {
        QFETCH(QByteArray, stored);
        const auto list = WatchItem::decodeList(stored);
        QTEST(list ? int(list->size()) : -1, "count");
    }

    void watchItemList_roundTrip()
    {
        const QList<WatchItem> items{{u"005930.KS"_qs, u"삼성전자"_qs}, {u"KRW=X"_qs, u"USD/KRW"_qs}};
        const QByteArray data = WatchItem::encodeList(items);
        QCOMPARE(
            data,
            QByteArray(R"([{"name":"삼성전자","symbol":"005930.KS"},{"name":"USD/KRW","symbol":"KRW=X"}])"));
        QCOMPARE(WatchItem::decodeList(data), std::optional(items));
    }

    void alertRule_roundTrip()
    {
        AlertRule rule;
        rule.symbol = u"005930.KS"_qs;
        rule.name = u"삼성전자"_qs;
        rule.direction = AlertRule::Direction::below;
        rule.threshold = 65000.5;
        rule.triggered = true;
        const QByteArray data = AlertRule::encodeList({rule});
        QCOMPARE(AlertRule::decodeList(data), std::optional(QList{rule}));
        QVERIFY(data.contains(rule.id.toString(QUuid::WithoutBraces).toUpper().toLatin1()));
        QCOMPARE(rule.label(), u"삼성전자 ≤ 65000.5"_qs);
    }

    void alertRule_decode_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<bool>("readable");
        const QByteArray good =
            R"({"id":"E621E1F8-C36C-495A-93FC-0C247A3E6E5F","symbol":"NVDA","name":"NVDA","direction":"above","threshold":100,"triggered":false})";
        QTest::newRow("complete") << "[" + good + "]" << true;
        QTest::newRow("lower-case uuid")
            << "[" + QByteArray(good).replace("E621E1F8", "e621e1f8") + "]" << true;
        QTest::newRow("missing triggered")
            << "[" + QByteArray(good).replace(R"(,"triggered":false)", "") + "]" << false;
        QTest::newRow("text threshold") << "[" + QByteArray(good).replace("100", R"("100")") + "]" << false;
        QTest::newRow("unknown direction") << "[" + QByteArray(good).replace("above", "over") + "]" << false;
        QTest::newRow("braced uuid")
            << "[" + QByteArray(good).replace("\"E621", "\"{E621").replace("6E5F\"", "6E5F}\"") + "]"
            << false;
    }
    void alertRule_decode()
    {
        QFETCH(QByteArray, stored);
        QTEST(AlertRule::decodeList(stored).has_value(), "readable");
    }

    void shortestDecimal_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("361") << 361.0 << u"361.0"_qs;
        QTest::newRow("0.24") << 0.24 << u"0.24"_qs;
        QTest::newRow("epoch seconds") << 1700000000.25 << u"1700000000.25"_qs;
        QTest::newRow("negative") << -2.5 << u"-2.5"_qs;
        QTest::newRow("0.0001") << 0.0001 << u"0.0001"_qs;
        QTest::newRow("huge uses exponent") << 1e16 << u"1e+16"_qs;
        QTest::newRow("tiny uses exponent") << 0.00001 << u"1e-05"_qs;
    }
    void shortestDecimal()
    {
        QFETCH(double, value);
        QTEST(virel::shortestDecimal(value), "text");
    }

    void yahooState_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("present");
        QTest::addColumn<MarketState>("state");
        QTest::newRow("absent") << QString() << false << MarketState::unknown;
        QTest::newRow("PRE") << u"PRE"_qs << true << MarketState::pre;
        QTest::newRow("PREPRE") << u"PREPRE"_qs << true << MarketState::pre;
        QTest::newRow("REGULAR") << u"REGULAR"_qs << true << MarketState::regular;
        QTest::newRow("lower case") << u"regular"_qs << true << MarketState::unknown;
        QTest::newRow("POSTPOST") << u"POSTPOST"_qs << true << MarketState::post;
        QTest::newRow("CLOSED") << u"CLOSED"_qs << true << MarketState::closed;
        QTest::newRow("other") << u"HALTED"_qs << true << MarketState::unknown;
    }
    void yahooState()
    {
        QFETCH(QString, name);
        QFETCH(bool, present);
        QTEST(MarketStates::yahoo(present ? std::optional(name) : std::nullopt), "state");
    }

    void marketStateRawTextsReadBack()
    {
        for (const auto state : {MarketState::pre, MarketState::regular, MarketState::post,
                                 MarketState::closed, MarketState::unknown}) {
            QCOMPARE(MarketStates::fromRawText(MarketStates::rawText(state)), state);
        }
        QCOMPARE(MarketStates::fromRawText(u"post"_qs), std::nullopt);
    }

    void formatPrice_data()
    {
        QTest::addColumn<double>("price");
        QTest::addColumn<QString>("expected");
        QTest::newRow("grouped whole") << 72300.0 << u"72,300"_qs;
        QTest::newRow("fraction dropped from 1000") << 1234.5 << u"1,234"_qs;
        QTest::newRow("fraction dropped at 1000 itself") << 1000.25 << u"1,000"_qs;
        QTest::newRow("two digits below 1000") << 187.456 << u"187.46"_qs;
        QTest::newRow("trailing zero dropped") << 5.10 << u"5.1"_qs;
        QTest::newRow("rounds up into the thousands") << 999.999 << u"1,000"_qs;
        QTest::newRow("carry stops at the first digit") << 1.999 << u"2"_qs;
        QTest::newRow("half to even down") << 0.125 << u"0.12"_qs;
        QTest::newRow("half to even up") << 0.135 << u"0.14"_qs;
        QTest::newRow("just past the half rounds up") << 0.1251 << u"0.13"_qs;
        QTest::newRow("whole half to even") << 2500.5 << u"2,500"_qs;
        QTest::newRow("zero") << 0.0 << u"0"_qs;
        QTest::newRow("negative half to even") << -12.345 << u"-12.34"_qs;
        QTest::newRow("large") << 95123456.7 << u"95,123,457"_qs;
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << u"-"_qs;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << u"-"_qs;
    }
    void formatPrice()
    {
        QFETCH(double, price);
        QFETCH(QString, expected);
        QCOMPARE(virel::formatPrice(quoteOf(price, price), QLocale(QLocale::English, QLocale::UnitedStates)),
                 expected);
    }

    void formatPrice_followsLocaleGrouping()
    {
        const QLocale german(QLocale::German, QLocale::Germany);
        QCOMPARE(virel::formatPrice(1234567.0, german), u"1.234.567"_qs);
        QCOMPARE(virel::formatPrice(187.456, german), u"187,46"_qs);
    }

    void formatChange_data()
    {
        QTest::addColumn<double>("price");
        QTest::addColumn<double>("previousClose");
        QTest::addColumn<QString>("expected");
        QTest::newRow("rise") << 101.23 << 100.0 << u"▲1.23%"_qs;
        QTest::newRow("fall") << 99.6 << 100.0 << u"▼0.40%"_qs;
        QTest::newRow("flat") << 100.0 << 100.0 << u"·0.00%"_qs;
        QTest::newRow("zero previous close keeps the mark") << 5.0 << 0.0 << u"▲0.00%"_qs;
        QTest::newRow("nan change") << std::numeric_limits<double>::quiet_NaN() << 1.0 << u"·nan%"_qs;
    }
    void formatChange()
    {
        QFETCH(double, price);
        QFETCH(double, previousClose);
        QTEST(virel::formatChange(quoteOf(price, previousClose)), "expected");
    }

    void freshness_data()
    {
        QTest::addColumn<int>("ageSeconds");
        QTest::addColumn<bool>("fresh");
        QTest::newRow("new") << 0 << true;
        QTest::newRow("at the limit") << 120 << true;
        QTest::newRow("past the limit") << 121 << false;
    }
    void freshness()
    {
        QFETCH(int, ageSeconds);
        Quote quote = quoteOf(1, 1);
        const auto now = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
        quote.receivedAt = now.addSecs(-ageSeconds);
        QTEST(quote.isFresh(now), "fresh");
    }
};

QTEST_GUILESS_MAIN(RecordsTest)
#include "RecordsTest.moc"
