#include "model/Formatters.h"

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

class FormattersTest : public QObject
{
    Q_OBJECT

private slots:
    void formatPrice_data()
    {
        QTest::addColumn<double>("price");
        QTest::addColumn<QString>("expected");
        QTest::newRow("grouped whole") << 72300.0 << u"72,300"_qs;
        QTest::newRow("fraction dropped from 1000") << 1234.5 << u"1,234"_qs;
        QTest::newRow("two digits below 1000") << 187.456 << u"187.46"_qs;
        QTest::newRow("trailing zero dropped") << 5.10 << u"5.1"_qs;
        QTest::newRow("rounds up into the thousands") << 999.999 << u"1,000"_qs;
        QTest::newRow("carry stops at the first digit") << 1.999 << u"2"_qs;
        QTest::newRow("half to even down") << 0.125 << u"0.12"_qs;
        QTest::newRow("half to even up") << 0.135 << u"0.14"_qs;
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
        QFETCH(QString, expected);
        QCOMPARE(virel::formatChange(quoteOf(price, previousClose)), expected);
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
        QFETCH(bool, fresh);
        Quote quote = quoteOf(1, 1);
        const auto now = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
        quote.receivedAt = now.addSecs(-ageSeconds);
        QCOMPARE(quote.isFresh(now), fresh);
    }
};

QTEST_GUILESS_MAIN(FormattersTest)
#include "FormattersTest.moc"
