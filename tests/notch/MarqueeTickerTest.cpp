#include "notch/MarqueeTicker.h"
#include "FakeClock.h"
#include "FakePresence.h"
#include "model/TickerMotion.h"

#include <QEvent>
#include <QImage>
#include <QTest>

using namespace virel;
using namespace Qt::StringLiterals;
using virel::test::FakeClock;
using virel::test::FakePresence;

namespace {

const QDateTime start = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);

QList<QuoteChip> risingChips(int count)
{
    QList<QuoteChip> chips;
    for (int i = 0; i < count; ++i) {
        Quote q;
        q.displayName = QStringLiteral("종목%1").arg(i);
        q.price = 110;
        q.previousClose = 100;
        q.receivedAt = start;
        chips.append(QuoteChip(q, q.displayName, true, start));
    }
    return chips;
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

bool hasRedPixel(const QImage& image, int fromX, int toX)
{
    for (int x = std::max(fromX, 0); x < std::min(toX, image.width()); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() > 150 && c.green() < 120 && c.blue() < 120) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

Q_DECLARE_METATYPE(virel::TickerMotion::Conditions)

class MarqueeTickerTest : public QObject
{
    Q_OBJECT

private slots:
    void shift_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("shift");
        // One 400-point copy with gap 28 at 28 points a second: a cycle of 428, every 428 / 28 s.
        QTest::newRow("start") << 0.0 << 0.0;
        QTest::newRow("one second") << 1.0 << 28.0;
        QTest::newRow("ten seconds") << 10.0 << 280.0;
        QTest::newRow("one cycle later") << 428.0 / 28.0 + 1.0 << 28.0;
        QTest::newRow("five cycles later") << 5 * 428.0 / 28.0 + 10.0 << 280.0;
    }
    void shift()
    {
        QFETCH(double, seconds);
        QFETCH(double, shift);
        QVERIFY(qAbs(TickerMotion::shiftAt(seconds, 28, 428) - shift) < 1e-6);
    }

    void shift_wrapsWithoutAJump()
    {
        // Just before the wrap the second copy (at cycle - shift) is where the first began.
        const double before = TickerMotion::shiftAt(428.0 / 28.0 - 0.001, 28, 428);
        const double after = TickerMotion::shiftAt(428.0 / 28.0 + 0.001, 28, 428);
        QVERIFY(qAbs((428 - before) - 0) < 0.1);
        QVERIFY(qAbs(after - 0) < 0.1);
    }

    void shift_noMovementForATinyCycle()
    {
        QCOMPARE(TickerMotion::shiftAt(1234.5, 28, 1), 0.0);
        QCOMPARE(TickerMotion::shiftAt(1234.5, 28, 0), 0.0);
    }

    void mode_data()
    {
        using Mode = TickerMotion::Mode;
        QTest::addColumn<TickerMotion::Conditions>("conditions");
        QTest::addColumn<Mode>("mode");
        using C = TickerMotion::Conditions;
        QTest::newRow("seen by someone at the keyboard: flows") << C{} << Mode::flow;
        QTest::newRow("hidden: stops") << C{.shown = false} << Mode::stop;
        QTest::newRow("fully covered: stops") << C{.covered = true} << Mode::stop;
        QTest::newRow("under a full-screen window: stops") << C{.fullScreen = true} << Mode::stop;
        QTest::newRow("session locked: stops") << C{.locked = true} << Mode::stop;
        QTest::newRow("screen off: stops") << C{.screenOff = true} << Mode::stop;
        QTest::newRow("locked while idle on battery: stops")
            << C{.locked = true, .idleSeconds = 900, .onBattery = true} << Mode::stop;
        QTest::newRow("idle 4:59: still flows") << C{.idleSeconds = 299} << Mode::flow;
        QTest::newRow("idle 5 minutes: steps") << C{.idleSeconds = 300} << Mode::step;
        QTest::newRow("on battery: steps") << C{.onBattery = true} << Mode::step;
        QTest::newRow("on battery, smooth chosen: flows")
            << C{.onBattery = true, .smoothOnBattery = true} << Mode::flow;
        QTest::newRow("smooth on battery does not outlast idleness")
            << C{.idleSeconds = 600, .onBattery = true, .smoothOnBattery = true} << Mode::step;
    }
    void mode()
    {
        QFETCH(TickerMotion::Conditions, conditions);
        QFETCH(TickerMotion::Mode, mode);
        QCOMPARE(TickerMotion::decide(conditions), mode);
    }

    void steppedShift_data()
    {
        QTest::addColumn<double>("entry");
        QTest::addColumn<qint64>("steps");
        QTest::addColumn<double>("shift");
        // Chips starting at 0, 100 and 250 in a 400-point cycle.
        QTest::newRow("before the first step it stays") << 130.0 << qint64(0) << 130.0;
        QTest::newRow("first step: the next chip start") << 130.0 << qint64(1) << 250.0;
        QTest::newRow("then one chip a step") << 130.0 << qint64(2) << 0.0;
        QTest::newRow("round the loop") << 130.0 << qint64(4) << 250.0;
        QTest::newRow("standing on a start moves a whole chip") << 100.0 << qint64(1) << 250.0;
        QTest::newRow("a hair short of a start counts as on it") << 99.8 << qint64(1) << 250.0;
    }
    void steppedShift()
    {
        QFETCH(double, entry);
        QFETCH(qint64, steps);
        QFETCH(double, shift);
        QCOMPARE(TickerMotion::steppedShift(entry, steps, {0, 100, 250}, 400), shift);
    }

    void serverCopy_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("opaque");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<double>("stripWidth");
        QTest::addColumn<bool>("usable");
        QTest::newRow("X11, opaque band, unscaled") << u"xcb"_s << true << 1.0 << 2400.0 << true;
        QTest::newRow("Wayland paints through Qt") << u"wayland"_s << true << 1.0 << 2400.0 << false;
        QTest::newRow("translucent band needs the blend") << u"xcb"_s << false << 1.0 << 2400.0 << false;
        QTest::newRow("scaled screen") << u"xcb"_s << true << 1.5 << 2400.0 << false;
        QTest::newRow("strip wider than an X pixmap") << u"xcb"_s << true << 1.0 << 40000.0 << false;
    }
    void serverCopy()
    {
        QFETCH(QString, platform);
        QFETCH(bool, opaque);
        QFETCH(double, ratio);
        QFETCH(double, stripWidth);
        QFETCH(bool, usable);
        QCOMPARE(TickerMotion::serverCopyUsable(platform, opaque, ratio, stripWidth), usable);
    }

    void twoTickers_moveInStep()
    {
        FakeClock clock(start.addMSecs(12'345));
        MarqueeTicker a(clock);
        MarqueeTicker b(clock);
        a.resize(300, 22);
        b.resize(900, 22);
        a.setChips(risingChips(3));
        b.setChips(risingChips(3));
        QVERIFY(a.contentWidth() > 0);
        QCOMPARE(a.contentWidth(), b.contentWidth());
        QCOMPARE(a.cycle(), a.contentWidth() + 28);
        QCOMPARE(a.currentShift(), b.currentShift());
        clock.advance(3.7);
        QCOMPARE(a.currentShift(), b.currentShift());
    }

    void presence_stepsWhileIdleThenFlowsOnFromWhereItStands()
    {
        FakeClock clock(start.addMSecs(7'777));
        FakePresence presence;
        MarqueeTicker::followPresence(presence);
        MarqueeTicker a(clock);
        MarqueeTicker b(clock);
        const QList<QuoteChip> chips = risingChips(3);
        const double pitch = chips[0].width() + 28; // equal chips: every step moves one of these
        for (MarqueeTicker* ticker : {&a, &b}) {
            ticker->resize(300, 22);
            ticker->setChips(chips);
            ticker->show();
        }
        presence.set(false, 300, false);
        const double standing = a.currentShift();
        clock.advance(3.9);
        QCOMPARE(a.currentShift(), standing);
        clock.advance(0.2);
        const double firstStep = a.currentShift();
        QVERIFY(firstStep > standing && firstStep - standing <= pitch);
        clock.advance(4);
        QCOMPARE(std::fmod(a.currentShift() - firstStep + a.cycle(), a.cycle()), pitch);
        QCOMPARE(b.currentShift(), a.currentShift());

        const double stepped = a.currentShift();
        presence.set(false, 0, false); // the first input: the flow goes on from there
        // Distance travelled since the step, modulo the cycle; the wall clock's rounding is far below a
        // pixel.
        const auto travelled = [&] {
            return std::fmod(a.currentShift() - stepped + 1.5 * a.cycle(), a.cycle()) - 0.5 * a.cycle();
        };
        QVERIFY(qAbs(travelled()) < 1e-3);
        clock.advance(1);
        QVERIFY(qAbs(travelled() - 28) < 1e-3);
        QCOMPARE(b.currentShift(), a.currentShift());

        presence.set(true, 0, false);
        QVERIFY2(!a.isAnimating(), "locked");
        presence.set(false, 0, false);
        QVERIFY(a.isAnimating());
    }

    void animates_onlyWhileVisibleWithContent()
    {
        FakeClock clock(start);
        MarqueeTicker ticker(clock);
        ticker.resize(400, 22);
        QVERIFY(!ticker.isAnimating());
        ticker.setChips(risingChips(2));
        QVERIFY2(!ticker.isAnimating(), "hidden");
        ticker.show();
        QVERIFY(ticker.isAnimating());
        ticker.setChips({});
        QVERIFY2(!ticker.isAnimating(), "empty list");
        ticker.setChips(risingChips(2));
        QVERIFY(ticker.isAnimating());
        ticker.hide();
        QVERIFY(!ticker.isAnimating());
    }

    void redraws_onlyWhenTheRowMoved()
    {
        FakeClock clock(start);
        MarqueeTicker ticker(clock);
        ticker.setFrameInterval(std::chrono::milliseconds(5));
        ticker.resize(400, 22);
        ticker.setChips(risingChips(2));
        PaintCounter counter;
        ticker.installEventFilter(&counter);
        ticker.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ticker));
        QTRY_VERIFY(counter.paints >= 1);
        const int settled = counter.paints;
        QTest::qWait(60); // about a dozen frames with the clock standing still
        QCOMPARE(counter.paints, settled);
        clock.advance(1);
        QTRY_COMPARE(counter.paints, settled + 1);
    }

    void paint_placesTheRowAtTheShift()
    {
        FakeClock clock(start);
        MarqueeTicker ticker(clock);
        ticker.resize(600, 22);
        ticker.setChips(risingChips(1)); // one chip: name, price, then the red change text at its end
        const double width = ticker.contentWidth();
        const double cycle = ticker.cycle();
        // Choose a time whose shift is 0, then one a quarter cycle later.
        const double seconds = static_cast<double>(start.toMSecsSinceEpoch()) / 1000.0;
        const double base = TickerMotion::shiftAt(seconds, 28, cycle);
        clock.advance((cycle - base) / 28.0);
        QVERIFY(ticker.currentShift() < 0.5 || ticker.currentShift() > cycle - 0.5);
        QImage image = ticker.grab().toImage();
        QVERIFY(hasRedPixel(image, static_cast<int>(width) - 30, static_cast<int>(width)));
        QVERIFY(!hasRedPixel(image, static_cast<int>(width) + 2, static_cast<int>(cycle) - 2));

        clock.advance(cycle / 4 / 28.0);
        image = ticker.grab().toImage();
        const int moved = static_cast<int>(cycle / 4);
        QVERIFY(hasRedPixel(image, static_cast<int>(width) - 30 - moved, static_cast<int>(width) - moved));
        QVERIFY(
            !hasRedPixel(image, static_cast<int>(width) - moved + 2, static_cast<int>(cycle) - moved - 2));
    }
};

QTEST_MAIN(MarqueeTickerTest)
#include "MarqueeTickerTest.moc"
