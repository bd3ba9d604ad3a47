#include "market/TickerMap.h"

#include <QTest>

using namespace virel;

class TickerMapTest : public QObject
{
    Q_OBJECT

private slots:
    void yahooSymbol_data()
    {
        QTest::addColumn<QString>("ticker");
        QTest::addColumn<QString>("exchange");
        QTest::addColumn<QString>("expected");
        QTest::newRow("KOSPI code") << u"005930"_qs << u"KOSPI"_qs << u"005930.KS"_qs;
        QTest::newRow("KOSDAQ code") << u"035720"_qs << u"KOSDAQ"_qs << u"035720.KQ"_qs;
        QTest::newRow("padded, lower-case exchange")
            << u" 091990 "_qs << u"kosdaq global"_qs << u"091990.KQ"_qs;
        QTest::newRow("no exchange") << u"005930"_qs << QString() << u"005930.KS"_qs;
        QTest::newRow("code with letter") << u"123456A"_qs << QString() << u"123456A.KS"_qs;
        QTest::newRow("share class") << u"brk.b"_qs << u"NYSE"_qs << u"BRK-B"_qs;
        QTest::newRow("plain ticker") << u"NVDA"_qs << u"NASDAQ"_qs << u"NVDA"_qs;
        QTest::newRow("index") << u"^KS11"_qs << QString() << u"^KS11"_qs;
        QTest::newRow("tabs trimmed") << u"\tnvda\t"_qs << QString() << u"NVDA"_qs;
        QTest::newRow("line break kept") << u"005930\n"_qs << QString() << u"005930\n"_qs;
        QTest::newRow("seven digits") << u"0059301"_qs << QString() << u"0059301.KS"_qs;
        QTest::newRow("eight digits") << u"00593012"_qs << QString() << u"00593012"_qs;
    }

    void yahooSymbol()
    {
        QFETCH(QString, ticker);
        QFETCH(QString, exchange);
        QFETCH(QString, expected);
        QCOMPARE(TickerMap::yahooSymbol(ticker, exchange), expected);
    }

    void serverTicker_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("expected");
        QTest::newRow("KOSPI") << u"005930.KS"_qs << u"005930"_qs;
        QTest::newRow("KOSDAQ lower-case") << u"035720.kq"_qs << u"035720"_qs;
        QTest::newRow("suffix on non-code") << u"ABC.KS"_qs << u"ABC.KS"_qs;
        QTest::newRow("share class") << u"BRK-B"_qs << u"BRK.B"_qs;
        QTest::newRow("crypto pair") << u"BTC-USD"_qs << u"BTC-USD"_qs;
        QTest::newRow("index") << u"^GSPC"_qs << u"^GSPC"_qs;
        QTest::newRow("padded") << u" nvda "_qs << u"NVDA"_qs;
    }

    void serverTicker()
    {
        QFETCH(QString, symbol);
        QFETCH(QString, expected);
        QCOMPARE(TickerMap::serverTicker(symbol), expected);
    }

    void webTicker_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<std::optional<QString>>("expected");
        const std::optional<QString> none;
        QTest::newRow("index") << u"^KS11"_qs << none;
        QTest::newRow("currency pair") << u"KRW=X"_qs << none;
        QTest::newRow("KOSPI") << u"005930.KS"_qs << std::optional(u"005930"_qs);
        QTest::newRow("KOSDAQ") << u"035720.KQ"_qs << std::optional(u"035720"_qs);
        QTest::newRow("suffix on non-code") << u"ABC.KQ"_qs << none;
        QTest::newRow("plain") << u"NVDA"_qs << std::optional(u"NVDA"_qs);
        QTest::newRow("Yahoo share class") << u"BRK-B"_qs << std::optional(u"BRK.B"_qs);
        QTest::newRow("server share class") << u"BRK.B"_qs << none;
        QTest::newRow("crypto pair") << u"BTC-USD"_qs << none;
        QTest::newRow("seven letters") << u"ABCDEFG"_qs << none;
        QTest::newRow("lower-case padded") << u"\t brk-b "_qs << std::optional(u"BRK.B"_qs);
    }

    void webTicker()
    {
        QFETCH(QString, symbol);
        QFETCH(std::optional<QString>, expected);
        QCOMPARE(TickerMap::webTicker(symbol), expected);
    }
};

QTEST_GUILESS_MAIN(TickerMapTest)
#include "TickerMapTest.moc"
