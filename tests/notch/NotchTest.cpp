#include "FakeClock.h"
#include "FakeScreens.h"
#include "StateFixture.h"
#include "notch/DarkGlass.h"
#include "notch/GlanceRow.h"
#include "notch/GlanceView.h"
#include "notch/MarqueeTicker.h"
#include "notch/NotchStripView.h"
#include "notch/NotchWindowController.h"
#include "notch/QuoteChip.h"
#include "notch/Sparkline.h"
#include "notch/TickerBarView.h"
#include "platform/Presence.h"
#include "windows/WindowStyle.h"

#include <QImage>
#include <QPainter>
#include <array>

using namespace virel;
using namespace virel::test;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::optional<Quote>)

namespace {

// A session whose lock, idle time and battery the test sets; `set` announces the change.
class FakePresence final : public Presence
{
public:
    bool screenHidden() const override { return hidden; }
    double idleSeconds() const override { return idle; }
    bool onBattery() const override { return battery; }
    void setIdleCheckInterval(std::chrono::milliseconds) override {}

    void set(bool hiddenNow, double idleNow, bool batteryNow)
    {
        hidden = hiddenNow;
        idle = idleNow;
        battery = batteryNow;
        emit changed();
    }

    bool hidden = false;
    double idle = 0;
    bool battery = false;
};

// A weekday at 10:00 in New York and midnight in Seoul: the US market open, the Korean one closed.
const QDateTime now = QDateTime::fromSecsSinceEpoch(1'699'974'000, Qt::UTC);
const QColor rise = QColor::fromRgbF(1, 0.33F, 0.33F);

Quote quote(double price, double previousClose, qint64 ageSeconds = 10)
{
    Quote q;
    q.symbol = u"005930.KS"_qs;
    q.displayName = u"삼성전자"_qs;
    q.price = price;
    q.previousClose = previousClose;
    q.receivedAt = now.addSecs(-ageSeconds);
    return q;
}

// The runs as "text/opacity%" joined by " | "; colours keep 16-bit channels, hence the rounding.
QString describe(const QuoteChip& chip)
{
    QStringList runs;
    for (const QuoteChip::Run& run : chip.runs()) {
        runs.append(run.text + u'/' + QString::number(qRound(run.color.alphaF() * 100)));
    }
    return runs.join(u" | ");
}

// Counts pixels of a column range: lit, rise red, fall blue, or the green of a regular session.
enum class Tint { lit, red, blue, green };
int pixels(const QImage& image, int fromX, int toX, Tint tint)
{
    int count = 0;
    for (int x = std::max(fromX, 0); x < std::min(toX, image.width()); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            const bool lit = c.red() + c.green() + c.blue() > 0;
            const bool red = c.red() > 120 && c.red() > c.blue() + 60 && c.green() < 120;
            const bool blue = c.blue() > 120 && c.blue() > c.red() + 40;
            const bool green = c.green() > 150 && c.red() < 120;
            count += std::array{lit, red, blue, green}[size_t(tint)] ? 1 : 0;
        }
    }
    return count;
}

void cross(QWidget* surface, QEvent::Type type)
{
    QEvent crossing(type);
    QCoreApplication::sendEvent(surface, &crossing);
}

} // namespace

class NotchTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<StateFixture> f;
    std::optional<FakeScreenFacts> screens;
    std::optional<FakeStatusItemScan> scan;

    std::unique_ptr<NotchStripView> makeStrip()
    {
        auto strip = std::make_unique<NotchStripView>(*f->state, f->state->timerEngine(), f->clock,
                                                      StripParts{12, 190, 190});
        strip->resize(392, 24);
        return strip;
    }
    std::unique_ptr<NotchWindowController> makeController()
    {
        return std::make_unique<NotchWindowController>(*f->state, *screens, *scan, f->clock);
    }

private slots:
    void init()
    {
        f = std::make_unique<StateFixture>(StateFixture::Start::now, now);
        screens.emplace();
        scan.emplace();
    }
    void cleanup() { f.reset(); }

    void chip_data()
    {
        QTest::addColumn<std::optional<Quote>>("q");
        QTest::addColumn<bool>("showPrice");
        QTest::addColumn<QString>("runs");
        QTest::addColumn<QColor>("changeColor"); // invalid: not checked
        const QColor fall = QColor::fromRgbF(0.36F, 0.62F, 1);
        const QColor flat = WindowStyle::changeColor(ChangeDirection::flat);
        QTest::newRow("no quote: faded placeholder")
            << std::optional<Quote>() << true << u"KOSPI/35"_qs << QColor();
        QTest::newRow("rise with price") << std::optional(quote(101.23, 100)) << true
                                         << u"삼성전자/90 | 101.23/70 | ▲1.23%/100"_qs << rise;
        QTest::newRow("fall") << std::optional(quote(99.6, 100)) << false << u"삼성전자/90 | ▼0.40%/100"_qs
                              << fall;
        QTest::newRow("unchanged") << std::optional(quote(100, 100)) << false
                                   << u"삼성전자/90 | ·0.00%/100"_qs << flat;
        QTest::newRow("stale dims the name")
            << std::optional(quote(100, 99, 121)) << false << u"삼성전자/40 | ▲1.01%/100"_qs << QColor();
    }
    void chip()
    {
        QFETCH(std::optional<Quote>, q);
        QFETCH(bool, showPrice);
        QFETCH(QColor, changeColor);
        const QuoteChip chip(q, u"KOSPI"_qs, showPrice, now);
        QTEST(describe(chip), "runs");
        QVERIFY(!changeColor.isValid() || chip.runs().constLast().color == changeColor);
    }

    void chip_fittedCutsOnlyTheName()
    {
        const QuoteChip chip(quote(72300, 72000), {}, true, now);
        QCOMPARE(chip.fittedTo(chip.width() + 1), chip);
        const QuoteChip cut = chip.fittedTo(chip.width() - 15);
        QVERIFY(cut.width() <= chip.width() - 15);
        QVERIFY(cut.runs()[0].text.endsWith(u"…"));
        // Far too narrow: the name shrinks to the ellipsis, price and change stay whole.
        QCOMPARE(describe(chip.fittedTo(10)), u"…/90 | 72,300/70 | ▲0.42%/100"_qs);
    }

    void sparkline_data()
    {
        QTest::addColumn<QList<double>>("closes");
        QTest::addColumn<double>("baseline");
        QTest::addColumn<QPolygonF>("points"); // in 48 × 14
        QTest::addColumn<std::optional<double>>("baselineY");
        const QPolygonF three{QPointF(0, 14), QPointF(24, 0), QPointF(48, 7)};
        const std::optional<double> none;
        QTest::newRow("spread evenly, higher is up, baseline mid height")
            << QList<double>{100, 102, 101} << 101.0 << three << std::optional(7.0);
        QTest::newRow("baseline above the highest") << QList<double>{100, 102, 101} << 103.0 << three << none;
        QTest::newRow("empty") << QList<double>{} << 5.0 << QPolygonF() << none;
        QTest::newRow("flat") << QList<double>{5, 5, 5} << 5.0 << QPolygonF() << none;
    }
    void sparkline()
    {
        QFETCH(QList<double>, closes);
        QFETCH(double, baseline);
        const Sparkline line(closes, baseline, Qt::red);
        QTEST(line.points(QSizeF(48, 14)), "points");
        QTEST(line.baselineY(QSizeF(48, 14)), "baselineY");
    }

    void paint_sparklineInItsTintOnARoundedDarkCard()
    {
        QImage image(320, 100, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        const DarkGlass glass(16);
        glass.paint(painter, QRectF(0, 0, 320, 100), true);
        Sparkline({10, 20}, 0, QColor(255, 0, 0)).paint(painter, QRectF(100, 40, 48, 14));
        painter.end();
        QVERIFY(pixels(image, 120, 128, Tint::red) > 0);
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0); // cut corner
        QCOMPARE(image.pixelColor(200, 50).alpha(), DarkGlass::fill(true).alpha());
        const QRegion mask = glass.mask(QSize(320, 100));
        QVERIFY(!mask.contains(QPoint(0, 0)) && mask.contains(QPoint(160, 0)));
    }

    // Tickers of any width move in step, flowing or stepping while the user is idle.
    void ticker_stepsWhileIdleThenFlowsOnFromWhereItStandsAllInStep()
    {
        FakeClock clock(now.addMSecs(7'777));
        FakePresence presence;
        MarqueeTicker::followPresence(presence);
        MarqueeTicker a(clock);
        MarqueeTicker b(clock);
        const QList<QuoteChip> chips(3, QuoteChip(quote(110, 100, 0), {}, true, now));
        const double pitch = chips[0].width() + 28; // equal chips: every step moves one of these
        for (MarqueeTicker* ticker : {&a, &b}) {
            ticker->resize(ticker == &a ? 300 : 900, 22);
            ticker->setChips(chips);
        }
        QVERIFY2(!a.isAnimating(), "hidden");
        a.show();
        b.show();
        presence.set(false, 300, false);
        const double standing = a.currentShift();
        clock.advance(3.9);
        QCOMPARE(a.currentShift(), standing);
        clock.advance(0.2);
        const double firstStep = a.currentShift();
        QVERIFY(firstStep > standing && firstStep - standing <= pitch);
        QCOMPARE(b.currentShift(), a.currentShift());

        // The first input: the flow goes on from there, maybe whole cycles on, at the desktop run's speed.
        presence.set(false, 0, false);
        QVERIFY(qAbs(std::remainder(a.currentShift() - firstStep, a.cycle())) < 1e-3);
        QCOMPARE(b.currentShift(), a.currentShift());

        presence.set(true, 0, false);
        QVERIFY2(!a.isAnimating(), "locked");
        presence.set(false, 0, false);
        QVERIFY(a.isAnimating());
        a.setChips({});
        QVERIFY2(!a.isAnimating(), "empty list");
    }

    void glance_darkCardTurnsStaleByItselfFollowsTheModeAndOpensARowsDetail()
    {
        QTRY_VERIFY(f->quoted());
        f->clock.advance(120.8);
        const auto glance = std::make_unique<GlanceView>(*f->state, f->state->alertEngine(), f->clock);
        glance->adjustSize();
        QCOMPARE(glance->freshness(), u"Live"_qs);
        // A dark card; its change colours are the desktop run's.
        glance->setTranslucent(false);
        const QImage image = glance->grab().toImage();
        QCOMPARE(image.pixelColor(160, image.height() - 4), DarkGlass::fill(false));
        // No new quote arrives; the moment the newest turns stale redraws the card by itself.
        f->clock.advance(0.3);
        QTRY_COMPARE_WITH_TIMEOUT(glance->freshness(), u"Stale"_qs, 2000);
        // Only the newest quote counts.
        QCOMPARE(GlanceView::isLive({{u"A"_qs, quote(1, 1, 10)}, {u"B"_qs, quote(1, 1, 500)}}, now), true);
        QCOMPARE(GlanceView::isLive({}, now), std::optional<bool>());

        f->state->setMode(DisplayMode::watchlist);
        QCOMPARE(glance->title(), u"Watchlist Mode"_qs);
        QCOMPARE(glance->rows().size(), 3);
        QCOMPARE(glance->rows()[1]->item().name, u"삼성전자"_qs);

        // A click anywhere on a row, including its empty middle, opens the detail of that row.
        glance->show();
        QList<WatchItem> opened;
        f->state->openDetail = [&opened](const WatchItem& item) { opened.append(item); };
        GlanceRow* row = glance->rows()[2];
        QTest::mouseClick(row, Qt::LeftButton, {}, row->rect().center());
        QCOMPARE(opened, QList<WatchItem>{f->state->items()[2]});
    }

    void stripCriticalCount()
    {
        const QuoteMap quotes{{u"A"_qs, quote(105, 100)},
                              {u"B"_qs, quote(95, 100)},
                              {u"C"_qs, quote(107.5, 100)},
                              {u"D"_qs, quote(104.99, 100)}};
        QCOMPARE(NotchStripView::criticalCount(quotes), 3); // 5 % or more either way; 4.99 % is not
        QCOMPARE(NotchStripView::criticalCount({{u"A"_qs, quote(0, 0)}}), 0); // no previous close
    }

    void strip_blackWithChipsBesideTheNotchTheTimerInPlaceOfOneAndSessionDotsInFocus()
    {
        QTRY_VERIFY(f->quoted());
        const auto strip = makeStrip();
        QImage image = strip->grab().toImage();
        QCOMPARE(image.pixelColor(0, 0), QColor(Qt::black));
        QCOMPARE(pixels(image, 190, 202, Tint::lit), 0);  // nothing over the housing
        QVERIFY(pixels(image, 0, 190, Tint::lit) > 50);   // the two left chips
        QVERIFY(pixels(image, 202, 392, Tint::lit) > 50); // the rotating chip
        const ChangeDirection first =
            f->state->quoteService().quotes()[f->state->items()[0].symbol].direction();
        if (first != ChangeDirection::flat) {
            QVERIFY(pixels(image, 202, 392, first == ChangeDirection::rise ? Tint::red : Tint::blue) > 5);
        }
        // The countdown replaces the second chip, so the far left of the part is now empty.
        const int twoChips = pixels(image, 0, 100, Tint::lit);
        QVERIFY(f->state->timerEngine().start(25));
        image = strip->grab().toImage();
        QVERIFY(pixels(image, 0, 190, Tint::lit) > 0);
        QVERIFY(pixels(image, 0, 100, Tint::lit) < twoChips);
        // Focus mode: its label left, then the KR (closed: gray) and US (regular session: green) dots.
        f->state->setFocusMode(true);
        image = strip->grab().toImage();
        QVERIFY(pixels(image, 0, 190, Tint::lit) > 20);
        const QColor kr = image.pixelColor(214, 12);
        QVERIFY2(qAbs(kr.red() - kr.green()) < 10 && kr.green() > 30, qPrintable(kr.name()));
        QVERIFY(pixels(image, 230, 300, Tint::green) > 0);
    }

    void strip_emptyListShowsOnlyThePlaceholder()
    {
        f->state->store({}, DisplayMode::market);
        f->state->restart();
        const QImage image = makeStrip()->grab().toImage();
        QCOMPARE(pixels(image, 0, 190, Tint::lit), 0);
        QVERIFY(pixels(image, 202, 392, Tint::lit) > 0); // "…"
    }

    void strip_rotationCrossFadesAndTickerFlowsOnlyWhenPlacedRight()
    {
        const auto strip = makeStrip();
        strip->show();
        f->state->rotate();
        QVERIFY(strip->isCrossFading());
        QTRY_VERIFY_WITH_TIMEOUT(!strip->isCrossFading(), 1000);
        FakePresence presence;
        MarqueeTicker::followPresence(presence);
        presence.set(false, 300, false);
        f->state->rotate();
        QVERIFY2(!strip->isCrossFading(), "nobody there: the next chip in one frame");
        presence.set(false, 0, false);

        QVERIFY(!strip->ticker()->isVisible() && !strip->ticker()->isAnimating());
        f->state->setTickerPlacement(TickerPlacement::notchRight);
        QVERIFY(strip->ticker()->isVisible() && strip->ticker()->isAnimating());
        f->state->setFocusMode(true);
        QVERIFY(!strip->ticker()->isAnimating());
    }

    // Its motion and place are the desktop run's.
    void tickerBar_chipsWithPricesOverASolidBandWithItsHairline()
    {
        QTRY_VERIFY(f->quoted());
        TickerBarView bar(*f->state, f->clock);
        bar.resize(1440, TickerBarView::barHeight);
        QVERIFY(bar.ticker()->contentWidth() > 500); // ten chips with prices
        bar.setTranslucent(false);
        const QImage image = bar.grab().toImage();
        QCOMPARE(image.pixelColor(2, 2), TickerBarView::background(false));
        QVERIFY(image.pixelColor(2, 21).lightness() > TickerBarView::background(false).lightness());
    }

    // Exact places are the layout tests' and the end-to-end run's; here, applied and following the screen.
    void layout_appliedWithoutTakingFocusFollowsTheScreenAndPlacement()
    {
        screens->setScreen(1920, 1080, 32);
        const auto controller = makeController();
        QVERIFY(QApplication::focusWidget() == nullptr);
        // Clicks pass through the bar; it leaves the strip's columns to the strip.
        QVERIFY(controller->tickerBarWidget()->windowFlags().testFlag(Qt::WindowTransparentForInput));
        const QRegion barMask = controller->tickerBarWidget()->mask();
        QVERIFY(barMask.contains(QPoint(100, 5)) && !barMask.contains(QPoint(900, 5)));
        screens->setScreen(1440, 900, 0);
        emit screens->changed();
        QTRY_COMPARE(controller->stripWidget()->geometry(), QRect(524, 0, 392, 24));
        QCOMPARE(controller->tickerBarWidget()->width(), 1440);
        // Which placements have a bar is the layout's tables'; a change is followed without being asked.
        f->state->setTickerPlacement(TickerPlacement::rotate);
        QTRY_VERIFY(!controller->tickerBarWidget());
    }

    void rightWidth_followsOtherStatusItems()
    {
        scan->list = QList<ForeignWindow>{{25, 4242, QRectF(726 + 150, 0, 30, 24)}};
        const auto controller = makeController();
        controller->setWidthCheckInterval(5ms);
        QCOMPARE(controller->stripWidget()->width(), 190 + 12 + 140);
        scan->list = QList<ForeignWindow>{{25, 4242, QRectF(726 + 155, 0, 30, 24)}};
        QTRY_COMPARE(controller->stripWidget()->width(), 190 + 12 + 145);
    }

    // Leaving the strip for the card is the end-to-end run's; here, entering it and a flash waiting.
    void glance_followsThePointerAFlashWaitsForItAndAnAlertGrowsIt()
    {
        const auto controller = makeController();
        QWidget* strip = controller->stripWidget();
        cross(strip, QEvent::Enter);
        QWidget* glance = controller->glanceWidget();
        QVERIFY(glance && f->state->expanded());
        cross(strip, QEvent::Leave); // on the way into the card
        cross(glance, QEvent::Enter);
        QTest::qWait(2 * NotchWindowController::leaveGrace.count());
        QVERIFY(controller->glanceWidget());
        cross(glance, QEvent::Leave);
        QTRY_VERIFY(!controller->glanceWidget());
        QVERIFY(!f->state->expanded());

        controller->flashGlance(0.03);
        cross(strip, QEvent::Enter);
        QTest::qWait(100);
        QCOMPARE(controller->glanceWidget(), glance);
        cross(strip, QEvent::Leave);
        QTRY_VERIFY(!controller->glanceWidget());
        controller->flashGlance(0.08);
        QTRY_VERIFY_WITH_TIMEOUT(!controller->glanceWidget(), 1000);

        // An alert firing while the card is open grows it downward.
        controller->flashGlance(10);
        auto* card = qobject_cast<GlanceView*>(controller->glanceWidget());
        QVERIFY(!card->alertText());
        const int before = card->height();
        f->state->alertEngine().add({.symbol = u"^KS11"_qs, .name = u"KOSPI"_qs, .threshold = 1});
        f->state->alertEngine().evaluate({{u"^KS11"_qs, quote(2, 1)}});
        QCOMPARE(card->alertText(), std::optional(u"알림 · KOSPI ≥ 1.0"_qs));
        QTRY_VERIFY(card->height() > before);
        QCOMPARE(card->y(), 30);
    }

    // No screen: nothing shows; under full screen the glance (strip and bar: the end-to-end run's).
    void noScreenOrFullScreen_noGlance()
    {
        screens->main.reset();
        auto controller = makeController();
        QVERIFY(!controller->stripWidget());
        controller->flashGlance(0.01);
        QVERIFY(!controller->glanceWidget());
        screens->setScreen(1440, 900);
        controller = makeController();
        controller->flashGlance(10);
        screens->fullScreen = QRectF(0, 0, 1440, 900);
        emit screens->fullScreenChanged();
        QVERIFY(!controller->glanceWidget());
        controller->flashGlance(10);
        QVERIFY(!controller->glanceWidget());
    }
};

QTEST_MAIN(NotchTest)
#include "NotchTest.moc"
