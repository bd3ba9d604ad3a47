#include "model/AlertRule.h"
#include "model/Decimal.h"
#include "model/DisplayMode.h"
#include "model/MarketState.h"
#include "model/WatchItem.h"

#include <QTest>

using namespace virel;

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
        QTest::newRow("entry without name")
            << QByteArray(R"([{"symbol":"NVDA","name":"N"},{"symbol":"AAPL"}])") << -1;
        QTest::newRow("name of wrong type") << QByteArray(R"([{"symbol":"NVDA","name":3}])") << -1;
        QTest::newRow("null name") << QByteArray(R"([{"symbol":"NVDA","name":null}])") << -1;
        QTest::newRow("not an array") << QByteArray(R"({"symbol":"NVDA","name":"N"})") << -1;
        QTest::newRow("not json") << QByteArray("garbage") << -1;
        QTest::newRow("entry not an object") << QByteArray(R"(["NVDA"])") << -1;
    }
    void watchItemList()
    {
        QFETCH(QByteArray, stored);
        QFETCH(int, count);
        const auto list = WatchItem::decodeList(stored);
        QCOMPARE(list.has_value(), count >= 0);
        if (list) {
            QCOMPARE(list->size(), count);
        }
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
        const auto decoded = AlertRule::decodeList(data);
        QVERIFY(decoded);
        QCOMPARE(decoded->size(), 1);
        QCOMPARE(decoded->first(), rule);
        QVERIFY(data.contains(rule.id.toString(QUuid::WithoutBraces).toUpper().toLatin1()));
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
        QTest::newRow("threshold as text")
            << "[" + QByteArray(good).replace("100", R"("100")") + "]" << false;
        QTest::newRow("unknown direction") << "[" + QByteArray(good).replace("above", "over") + "]" << false;
        QTest::newRow("braced uuid")
            << "[" + QByteArray(good).replace("\"E621", "\"{E621").replace("6E5F\"", "6E5F}\"") + "]"
            << false;
    }
    void alertRule_decode()
    {
        QFETCH(QByteArray, stored);
        QFETCH(bool, readable);
        QCOMPARE(AlertRule::decodeList(stored).has_value(), readable);
    }

    void alertRule_label_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<QString>("label");
        QTest::newRow("whole number gets .0") << 0 << 70000.0 << u"삼성전자 ≥ 70000.0"_qs;
        QTest::newRow("fraction kept") << 1 << 187.5 << u"삼성전자 ≤ 187.5"_qs;
        QTest::newRow("shortest digits") << 0 << 0.1 << u"삼성전자 ≥ 0.1"_qs;
        QTest::newRow("huge uses exponent") << 0 << 1e16 << u"삼성전자 ≥ 1e+16"_qs;
        QTest::newRow("tiny uses exponent") << 0 << 0.00001 << u"삼성전자 ≥ 1e-05"_qs;
    }
    void alertRule_label()
    {
        QFETCH(int, direction);
        QFETCH(double, threshold);
        QFETCH(QString, label);
        AlertRule rule;
        rule.name = u"삼성전자"_qs;
        rule.direction = direction == 0 ? AlertRule::Direction::above : AlertRule::Direction::below;
        rule.threshold = threshold;
        QCOMPARE(rule.label(), label);
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
    }
    void shortestDecimal()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(virel::shortestDecimal(value), text);
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
        QFETCH(MarketState, state);
        QCOMPARE(MarketStates::yahoo(present ? std::optional(name) : std::nullopt), state);
    }

    void marketStateRawTextsReadBack()
    {
        for (const auto state : {MarketState::pre, MarketState::regular, MarketState::post,
                                 MarketState::closed, MarketState::unknown}) {
            QCOMPARE(MarketStates::fromRawText(MarketStates::rawText(state)), state);
        }
        QCOMPARE(MarketStates::fromRawText(u"post"_qs), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(RecordsTest)
#include "RecordsTest.moc"
