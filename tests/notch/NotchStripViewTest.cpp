#include "notch/NotchStripView.h"
#include "StateFixture.h"
#include "notch/MarqueeTicker.h"

#include <QImage>

using namespace virel;
using namespace virel::test;

Q_DECLARE_METATYPE(virel::QuoteMap)

namespace {

Quote moved(const QString& symbol, double percent, double previousClose = 100)
{
    Quote q;
    q.symbol = symbol;
    q.previousClose = previousClose;
    q.price = previousClose * (1 + percent / 100);
    return q;
}

bool isBlack(const QColor& c)
{
    return c.red() == 0 && c.green() == 0 && c.blue() == 0;
}

// Counts pixels of a column range that look like the rise or fall colour.
int tintedPixels(const QImage& image, int fromX, int toX, bool rise)
{
    int count = 0;
    for (int x = fromX; x < toX; ++x) {
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            const bool red = c.red() > 120 && c.red() > c.blue() + 60;
            const bool blue = c.blue() > 120 && c.blue() > c.red() + 40;
            count += (rise ? red : blue) ? 1 : 0;
        }
    }
    return count;
}

int litPixels(const QImage& image, int fromX, int toX)
{
    int count = 0;
    for (int x = fromX; x < toX; ++x) {
        for (int y = 0; y < image.height(); ++y) {
            count += isBlack(image.pixelColor(x, y)) ? 0 : 1;
        }
    }
    return count;
}

} // namespace

class NotchStripViewTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<MorningStateFixture> f;

    std::unique_ptr<NotchStripView> makeStrip()
    {
        auto strip = std::make_unique<NotchStripView>(*f->state, f->state->timerEngine(), f->clock,
                                                      StripParts{12, 190, 190});
        strip->resize(392, 24);
        return strip;
    }

private slots:
    void init() { f = std::make_unique<MorningStateFixture>(); }
    void cleanup() { f.reset(); }

    void criticalCount_data()
    {
        QTest::addColumn<QuoteMap>("quotes");
        QTest::addColumn<int>("count");
        QTest::newRow("none") << QuoteMap{} << 0;
        QTest::newRow("three big movers and one at 4.99")
            << QuoteMap{{QStringLiteral("A"), moved(QStringLiteral("A"), 5.0)},
                        {QStringLiteral("B"), moved(QStringLiteral("B"), -5.0)},
                        {QStringLiteral("C"), moved(QStringLiteral("C"), 7.5)},
                        {QStringLiteral("D"), moved(QStringLiteral("D"), 4.99)}}
            << 3;
        QTest::newRow("no previous close")
            << QuoteMap{{QStringLiteral("A"), moved(QStringLiteral("A"), 0, 0)}} << 0;
    }
    void criticalCount()
    {
        QFETCH(QuoteMap, quotes);
        QFETCH(int, count);
        QCOMPARE(NotchStripView::criticalCount(quotes), count);
    }

    void sessionDot_greenOnlyInTheRegularSession()
    {
        Quote q;
        QVERIFY(!NotchStripView::sessionDotLit(std::nullopt));
        q.marketState = MarketState::regular;
        QVERIFY(NotchStripView::sessionDotLit(q));
        for (const MarketState state :
             {MarketState::pre, MarketState::post, MarketState::closed, MarketState::unknown}) {
            q.marketState = state;
            QVERIFY(!NotchStripView::sessionDotLit(q));
        }
    }

    void normalLayout_blackStripWithChipsBesideTheNotch()
    {
        QTRY_VERIFY(f->quoted());
        const auto strip = makeStrip();
        const QImage image = strip->grab().toImage();
        QCOMPARE(image.size(), QSize(392, 24));
        QVERIFY(isBlack(image.pixelColor(0, 0)));
        QCOMPARE(litPixels(image, 190, 202), 0);  // nothing over the housing
        QVERIFY(litPixels(image, 0, 190) > 50);   // the two left chips
        QVERIFY(litPixels(image, 202, 392) > 50); // the rotating chip
        const Quote& first = f->state->quoteService().quotes()[f->state->items()[0].symbol];
        const bool rise = first.direction() == ChangeDirection::rise;
        if (first.direction() != ChangeDirection::flat) {
            QVERIFY(tintedPixels(image, 202, 392, rise) > 5);
        }
    }

    void emptyList_showsThePlaceholderAndNoLeftChips()
    {
        f->state->store({}, DisplayMode::market);
        f->state->restart();
        const auto strip = makeStrip();
        const QImage image = strip->grab().toImage();
        QCOMPARE(litPixels(image, 0, 190), 0);
        QVERIFY(litPixels(image, 202, 392) > 0); // "…"
    }

    void focusLayout_dotsAndNoChips()
    {
        QTRY_VERIFY(f->quoted());
        f->state->setFocusMode(true);
        const auto strip = makeStrip();
        const QImage image = strip->grab().toImage();
        // "집중모드" left, then KR (closed: gray) and US (regular session: green) dots at 212 and beyond.
        QVERIFY(litPixels(image, 0, 190) > 20);
        const QColor kr = image.pixelColor(214, 12);
        QVERIFY2(qAbs(kr.red() - kr.green()) < 10 && kr.green() > 30, qPrintable(kr.name()));
        bool green = false;
        for (int x = 230; x < 300 && !green; ++x) {
            const QColor c = image.pixelColor(x, 12);
            green = c.green() > 150 && c.red() < 120;
        }
        QVERIFY(green);
    }

    void rotation_crossFades()
    {
        const auto strip = makeStrip();
        strip->show();
        QVERIFY(!strip->isCrossFading());
        f->state->rotate();
        QVERIFY(strip->isCrossFading());
        QTRY_VERIFY_WITH_TIMEOUT(!strip->isCrossFading(), 1000);
    }

    void flowingTicker_onlyWithTheNotchRightPlacement()
    {
        const auto strip = makeStrip();
        strip->show();
        QVERIFY(!strip->ticker()->isVisible());
        QVERIFY(!strip->ticker()->isAnimating());
        f->state->setTickerPlacement(TickerPlacement::notchRight);
        QVERIFY(strip->ticker()->isVisible());
        QVERIFY(strip->ticker()->isAnimating());
        QCOMPARE(strip->ticker()->geometry(), QRect(212, 0, 180, 24));
        f->state->setFocusMode(true);
        QVERIFY(!strip->ticker()->isAnimating());
    }

    void timer_showsTheCountdownWithOneChip()
    {
        QTRY_VERIFY(f->quoted());
        const auto strip = makeStrip();
        const int twoChips = litPixels(strip->grab().toImage(), 0, 100);
        QVERIFY(f->state->timerEngine().start(25));
        // The countdown replaces the second chip, so the far left of the part is now empty.
        const QImage image = strip->grab().toImage();
        QVERIFY(litPixels(image, 0, 190) > 0);
        QVERIFY(litPixels(image, 0, 100) < twoChips);
    }
};

QTEST_MAIN(NotchStripViewTest)
#include "NotchStripViewTest.moc"
