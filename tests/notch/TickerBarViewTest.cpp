#include "notch/TickerBarView.h"
#include "StateFixture.h"
#include "notch/MarqueeTicker.h"

#include <QImage>

using namespace virel;
using namespace virel::test;

class TickerBarViewTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<MorningStateFixture> f;

private slots:
    void init() { f = std::make_unique<MorningStateFixture>(); }
    void cleanup() { f.reset(); }

    void tickerBar_translucentBandWithHairlineAndFlowingChips()
    {
        QTRY_VERIFY(f->quoted());
        TickerBarView bar(*f->state, f->clock);
        bar.resize(1440, TickerBarView::barHeight);
        bar.show();
        QCOMPARE(bar.ticker()->geometry(), QRect(12, 0, 1416, 22));
        QVERIFY(bar.ticker()->contentWidth() > 500); // ten chips with prices
        bar.setTranslucent(false);
        QCOMPARE(bar.ticker()->geometry(),
                 QRect(12, 0, 1416, 21)); // opaque: the hairline row stays the band's
        const QImage image = bar.grab().toImage();
        QCOMPARE(image.pixelColor(2, 2), TickerBarView::background(false));
        QVERIFY(image.pixelColor(2, 21).lightness() > TickerBarView::background(false).lightness());
        QVERIFY(bar.ticker()->isAnimating());
        bar.hide();
        QVERIFY(!bar.ticker()->isAnimating());
    }
};

QTEST_MAIN(TickerBarViewTest)
#include "TickerBarViewTest.moc"
