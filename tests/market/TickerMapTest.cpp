#include "market/TickerMap.h"

#include <QTest>

using namespace virel;

class TickerMapTest : public QObject
{
    Q_OBJECT

private slots:
    // `function`: Y (Yahoo symbol of ticker and exchange), S (server ticker), W (web ticker, "-": none).
    void maps_data()
    {
        QTest::addColumn<char>("function");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("exchange");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, char function, const char* text, const char* exchange,
                            const char* expected) {
            QTest::newRow(name) << function << QString::fromUtf8(text) << QString::fromUtf8(exchange)
                                << QString::fromUtf8(expected);
        };
        row("KOSPI code", 'Y', "005930", "KOSPI", "005930.KS");
        row("KOSDAQ code", 'Y', "035720", "KOSDAQ", "035720.KQ");
        row("padded, lower-case exchange", 'Y', " 091990 ", "kosdaq global", "091990.KQ");
        row("code with letter", 'Y', "123456A", "", "123456A.KS");
        row("share class to Yahoo", 'Y', "brk.b", "NYSE", "BRK-B");
        row("index", 'Y', "^KS11", "", "^KS11");
        row("tabs trimmed", 'Y', "\tnvda\t", "", "NVDA");
        row("line break kept", 'Y', "005930\n", "", "005930\n");
        row("seven digits", 'Y', "0059301", "", "0059301.KS");
        row("eight digits", 'Y', "00593012", "", "00593012");
        row("KOSPI to server", 'S', "005930.KS", "", "005930");
        row("KOSDAQ lower-case to server", 'S', "035720.kq", "", "035720");
        row("suffix on non-code to server", 'S', "ABC.KS", "", "ABC.KS");
        row("share class to server", 'S', "BRK-B", "", "BRK.B");
        row("crypto pair to server", 'S', "BTC-USD", "", "BTC-USD");
        row("padded to server", 'S', " nvda ", "", "NVDA");
        row("no web page for an index", 'W', "^KS11", "", "-");
        row("no web page for a currency pair", 'W', "KRW=X", "", "-");
        row("KOSPI on the web", 'W', "005930.KS", "", "005930");
        row("KOSDAQ on the web", 'W', "035720.KQ", "", "035720");
        row("suffix on non-code not on the web", 'W', "ABC.KQ", "", "-");
        row("plain on the web", 'W', "NVDA", "", "NVDA");
        row("Yahoo share class on the web", 'W', "BRK-B", "", "BRK.B");
        row("server share class not on the web", 'W', "BRK.B", "", "-");
        row("crypto pair not on the web", 'W', "BTC-USD", "", "-");
        row("seven letters not on the web", 'W', "ABCDEFG", "", "-");
        row("lower-case padded on the web", 'W', "\t brk-b ", "", "BRK.B");
    }

    void maps()
    {
        QFETCH(char, function);
        QFETCH(QString, text);
        QFETCH(QString, exchange);
        QFETCH(QString, expected);
        const QString mapped = function == 'Y'   ? TickerMap::yahooSymbol(text, exchange)
                               : function == 'S' ? TickerMap::serverTicker(text)
                                                 : TickerMap::webTicker(text).value_or(u"-"_qs);
        QCOMPARE(mapped, expected);
    }
};

QTEST_GUILESS_MAIN(TickerMapTest)
#include "TickerMapTest.moc"
