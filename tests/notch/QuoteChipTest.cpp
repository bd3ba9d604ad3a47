#include "notch/QuoteChip.h"
#include "windows/WindowStyle.h"

#include <QTest>

using namespace virel;

namespace {

const QDateTime now = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);

Quote quote(double price, double previousClose, qint64 ageSeconds = 10)
{
    Quote q;
    q.symbol = QStringLiteral("005930.KS");
    q.displayName = QStringLiteral("삼성전자");
    q.price = price;
    q.previousClose = previousClose;
    q.receivedAt = now.addSecs(-ageSeconds);
    return q;
}

// Opacity in percent; colours keep 16-bit channels, so 0.35 comes back as 0.349996.
int alpha(const QuoteChip::Run& run)
{
    return qRound(run.color.alphaF() * 100);
}

} // namespace

class QuoteChipTest : public QObject
{
    Q_OBJECT

private slots:
    void withoutQuote_showsOnlyTheFadedPlaceholder()
    {
        const QuoteChip chip(std::nullopt, QStringLiteral("KOSPI"), true, now);
        QCOMPARE(chip.runs().size(), 1);
        QCOMPARE(chip.runs()[0].text, QStringLiteral("KOSPI"));
        QCOMPARE(alpha(chip.runs()[0]), 35);
        QVERIFY(chip.width() > 0);
    }

    void staleName_data()
    {
        QTest::addColumn<qint64>("age");
        QTest::addColumn<int>("nameAlpha");
        QTest::newRow("120 s") << qint64(120) << 90;
        QTest::newRow("121 s") << qint64(121) << 40;
    }
    void staleName()
    {
        QFETCH(qint64, age);
        QFETCH(int, nameAlpha);
        const QuoteChip chip(quote(100, 99, age), QStringLiteral("x"), false, now);
        QCOMPARE(chip.runs()[0].text, QStringLiteral("삼성전자"));
        QCOMPARE(alpha(chip.runs()[0]), nameAlpha);
    }

    void changeText_data()
    {
        QTest::addColumn<double>("price");
        QTest::addColumn<double>("previousClose");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("color");
        QTest::newRow("rise") << 101.23 << 100.0 << QStringLiteral("▲1.23%")
                              << QColor::fromRgbF(1, 0.33F, 0.33F);
        QTest::newRow("fall") << 99.6 << 100.0 << QStringLiteral("▼0.40%")
                              << QColor::fromRgbF(0.36F, 0.62F, 1);
        QTest::newRow("unchanged") << 100.0 << 100.0 << QStringLiteral("·0.00%")
                                   << WindowStyle::changeColor(ChangeDirection::flat);
        QTest::newRow("no previous close")
            << 5.0 << 0.0 << QStringLiteral("▲0.00%") << QColor::fromRgbF(1, 0.33F, 0.33F);
    }
    void changeText()
    {
        QFETCH(double, price);
        QFETCH(double, previousClose);
        QFETCH(QString, text);
        QFETCH(QColor, color);
        const QuoteChip chip(quote(price, previousClose), QStringLiteral("x"), true, now);
        QCOMPARE(chip.runs().size(), 3);
        QCOMPARE(chip.runs()[2].text, text);
        QCOMPARE(chip.runs()[2].color, color);
    }

    void price_onlyWhenAsked()
    {
        const QuoteChip withPrice(quote(72300, 72000), QStringLiteral("x"), true, now);
        const QuoteChip withoutPrice(quote(72300, 72000), QStringLiteral("x"), false, now);
        QCOMPARE(withPrice.runs()[1].text, QLocale().toString(72300));
        QCOMPARE(alpha(withPrice.runs()[1]), 70);
        QCOMPARE(withoutPrice.runs().size(), 2);
        QVERIFY(withPrice.width() > withoutPrice.width());
    }

    void fittedTo_cutsOnlyTheName()
    {
        const QuoteChip chip(quote(72300, 72000), QStringLiteral("x"), true, now);
        QCOMPARE(chip.fittedTo(chip.width() + 1), chip);
        const QuoteChip cut = chip.fittedTo(chip.width() - 15);
        QVERIFY(cut.width() <= chip.width() - 15);
        QVERIFY(cut.runs()[0].text.endsWith(QStringLiteral("…")));
        QCOMPARE(cut.runs()[1], chip.runs()[1]);
        QCOMPARE(cut.runs()[2], chip.runs()[2]);
        // Far too narrow: the name shrinks to the ellipsis, price and change stay whole.
        const QuoteChip tiny = chip.fittedTo(10);
        QCOMPARE(tiny.runs()[0].text, QStringLiteral("…"));
        QCOMPARE(tiny.runs()[2].text, chip.runs()[2].text);
    }

    void forItem_takesTheQuoteOfTheExactSymbol()
    {
        QuoteMap quotes{{QStringLiteral("005930.KS"), quote(100, 99)}};
        const auto chips = QuoteChip::forItems({{QStringLiteral("005930.KS"), QStringLiteral("삼성")},
                                                {QStringLiteral("005930.ks"), QStringLiteral("소문자")}},
                                               quotes, false, now);
        QCOMPARE(chips[0].runs()[0].text, QStringLiteral("삼성전자"));
        QCOMPARE(chips[1].runs().size(), 1);
        QCOMPARE(chips[1].runs()[0].text, QStringLiteral("소문자"));
    }
};

QTEST_MAIN(QuoteChipTest)
#include "QuoteChipTest.moc"
