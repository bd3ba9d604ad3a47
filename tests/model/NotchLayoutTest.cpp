#include "model/NotchLayout.h"
#include "model/TickerMotion.h"

#include <QTest>

using namespace virel;
namespace NL = virel::NotchLayout;

Q_DECLARE_METATYPE(virel::ScreenInfo)
Q_DECLARE_METATYPE(virel::DeskRect)
Q_DECLARE_METATYPE(std::optional<virel::DeskRect>)
Q_DECLARE_METATYPE(std::optional<virel::NotchLayout::ReservedBand>)
Q_DECLARE_METATYPE(virel::TickerMotion::Conditions)

namespace {

ScreenInfo plainScreen(double width = 1440, double height = 900, double panel = 0)
{
    ScreenInfo s;
    s.frame = {0, 0, width, height};
    s.visibleFrame = {0, 0, width, height - panel};
    return s;
}

ScreenInfo notchedScreen(double inset, std::optional<double> leftArea, std::optional<double> rightArea)
{
    ScreenInfo s = plainScreen(1512, 982);
    s.topInset = inset;
    if (leftArea) {
        s.auxiliaryTopLeft = DeskRect{0, 982 - inset, *leftArea, inset};
    }
    if (rightArea) {
        s.auxiliaryTopRight = DeskRect{1512 - *rightArea, 982 - inset, *rightArea, inset};
    }
    return s;
}

// A status item 24 points high at the top of a 1440×900 primary screen, `x` in window-list terms.
ForeignWindow statusItem(double x, double width = 30, double y = 0, qint64 pid = 4242)
{
    return ForeignWindow{25, pid, QRectF(x, y, width, 24)};
}

constexpr qint64 ownPid = 1000;
constexpr double plainNotchRight = 726; // 720 + 12 / 2

} // namespace

class NotchLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void notchWidthAndHeight_data()
    {
        QTest::addColumn<ScreenInfo>("screen");
        QTest::addColumn<double>("notch");
        QTest::addColumn<double>("height");
        QTest::newRow("no housing") << plainScreen() << 12.0 << 24.0;
        QTest::newRow("negative inset counts as none") << [] {
            ScreenInfo s = plainScreen();
            s.topInset = -3;
            return s;
        }() << 12.0 << 24.0;
        QTest::newRow("housing between two free areas") << notchedScreen(32, 655, 655) << 202.0 << 32.0;
        QTest::newRow("housing without free areas") << notchedScreen(32, {}, {}) << 200.0 << 32.0;
        QTest::newRow("housing with one free area") << notchedScreen(32, 655, {}) << 200.0 << 32.0;
    }
    void notchWidthAndHeight()
    {
        QFETCH(ScreenInfo, screen);
        QTEST(NL::notchWidth(screen), "notch");
        QTEST(NL::stripHeight(screen), "height");
    }

    void stripOnPlainScreen_hangsFromTheTopCentred()
    {
        const ScreenInfo screen = plainScreen();
        const auto g =
            NL::compute(screen, {screen}, std::nullopt, ownPid, TickerPlacement::belowMenuBar, false);
        QCOMPARE(g.strip, (DeskRect{524, 876, 392, 24}));
        QCOMPARE(g.tickerBar, (DeskRect{0, 854, 1440, 22}));
        QCOMPARE(NL::glanceFrame(g.notchCenterX, g.strip, QSizeF(320, 200)), (DeskRect{560, 670, 320, 200}));
        // Its window's clear edges reach 8 beyond the card and up to the strip, not over it.
        QCOMPARE(NL::glanceWindowFrame(DeskRect{560, 670, 320, 200}, g.strip),
                 (DeskRect{552, 662, 336, 214}));
        QVERIFY(
            !NL::compute(screen, {screen}, std::nullopt, ownPid, TickerPlacement::rotate, false).tickerBar);
    }

    void stripOnNotchedScreen_leftPartEndsAtTheHousing()
    {
        const ScreenInfo screen = notchedScreen(32, 655, 655);
        const DeskRect strip = NL::stripFrame(screen, NL::notchWidth(screen), 190);
        QCOMPARE(strip, (DeskRect{756 - 101 - 190, 982 - 32, 190 + 202 + 190, 32}));
    }

    void rightWidth_data()
    {
        using Windows = std::optional<QList<ForeignWindow>>;
        QTest::addColumn<Windows>("windows");
        QTest::addColumn<double>("width");
        QTest::newRow("list unavailable") << Windows() << 190.0;
        QTest::newRow("empty list") << Windows(QList<ForeignWindow>{}) << 190.0;
        QTest::newRow("item 150 after the notch") << Windows({statusItem(plainNotchRight + 150)}) << 140.0;
        QTest::newRow("item 50 after: the minimum") << Windows({statusItem(plainNotchRight + 50)}) << 70.0;
        QTest::newRow("item 400 after: capped") << Windows({statusItem(plainNotchRight + 400)}) << 190.0;
        QTest::newRow("nearest of several wins")
            << Windows({statusItem(plainNotchRight + 300), statusItem(plainNotchRight + 120),
                        statusItem(plainNotchRight + 200)})
            << 110.0;
        const double near = plainNotchRight + 100;
        QTest::newRow("own window ignored") << Windows({statusItem(near, 30, 0, ownPid)}) << 190.0;
        QTest::newRow("500 wide ignored") << Windows({statusItem(near, 500)}) << 190.0;
        QTest::newRow("499 wide counts") << Windows({statusItem(near, 499)}) << 90.0;
        QTest::newRow("centre 45 below the top ignored") << Windows({statusItem(near, 30, 33)}) << 190.0;
        QTest::newRow("centre 44 below the top counts") << Windows({statusItem(near, 30, 32)}) << 90.0;
        QTest::newRow("left of the notch ignored") << Windows({statusItem(600)}) << 190.0;
        QTest::newRow("exactly at the notch edge ignored") << Windows({statusItem(plainNotchRight)}) << 190.0;
        QTest::newRow("beyond the screen's right edge ignored") << Windows({statusItem(1440)}) << 190.0;
        QTest::newRow("other layer") << Windows({ForeignWindow{24, 4242, QRectF(near, 0, 30, 24)}}) << 190.0;
        QTest::newRow("no layer") << Windows({ForeignWindow{{}, 4242, QRectF(near, 0, 30, 24)}}) << 190.0;
        QTest::newRow("owner missing") << Windows({ForeignWindow{25, {}, QRectF(near, 0, 30, 24)}}) << 190.0;
        QTest::newRow("owner beyond 32 bits")
            << Windows({ForeignWindow{25, 1LL << 40, QRectF(near, 0, 30, 24)}}) << 190.0;
        QTest::newRow("bounds missing") << Windows({ForeignWindow{25, 4242, {}}}) << 190.0;
    }
    void rightWidth()
    {
        QFETCH(std::optional<QList<ForeignWindow>>, windows);
        const ScreenInfo screen = plainScreen();
        QTEST(NL::rightWidth(screen, 12, NL::primaryTop({screen}, screen), windows, ownPid), "width");
    }

    void rightWidth_onSecondScreen_measuresFromThePrimaryTop()
    {
        const ScreenInfo primary = plainScreen();
        ScreenInfo second = plainScreen(1920, 1080);
        second.frame.x = second.visibleFrame.x = 1440;
        const double notchRight = 1440 + 960 + 6;
        // The second screen is 180 points taller, so its top is at y = -180 in window-list terms.
        const QList<ForeignWindow> items{statusItem(notchRight + 150, 30, -180)};
        QCOMPARE(NL::rightWidth(second, 12, NL::primaryTop({primary, second}, second), items, ownPid), 140.0);
        QCOMPARE(NL::primaryTop({}, second), 1080.0);
    }

    void widthCheck_data()
    {
        QTest::addColumn<double>("now");
        QTest::addColumn<bool>("relayout");
        QTest::newRow("4 more") << 144.0 << false;
        QTest::newRow("5 more") << 145.0 << true;
        QTest::newRow("5 less") << 135.0 << true;
    }
    void widthCheck()
    {
        QFETCH(double, now);
        QTEST(NL::widthMoved(140, now), "relayout");
    }

    void band_data()
    {
        QTest::addColumn<double>("workAreaTop");                       // below the screen's top edge
        QTest::addColumn<double>("panelBand");                         // what other clients reserve
        QTest::addColumn<std::optional<NL::ReservedBand>>("reserved"); // with the panel band then
        QTest::addColumn<double>("stripY");
        QTest::addColumn<std::optional<DeskRect>>("band");
        QTest::addColumn<std::optional<DeskRect>>("hole");
        const std::optional<DeskRect> none;
        const DeskRect alone{0, 854, 1440, 46};  // strip at the top, bar under it
        const DeskRect shared{0, 846, 1440, 24}; // under a 30 point panel, as deep as the strip
        const DeskRect hole{524, 848, 392, 22};
        const auto held = [](DeskRect band, double panelBand) {
            return std::optional(NL::ReservedBand{band, panelBand});
        };
        const std::optional<NL::ReservedBand> free;
        QTest::newRow("no top panel: strip at the top, bar under it")
            << 0.0 << 0.0 << free << 876.0 << std::optional(alone) << none;
        QTest::newRow("30 point panel: strip hangs from it, bar leaves its width free")
            << 30.0 << 0.0 << free << 846.0 << std::optional(shared) << std::optional(hole);
        QTest::newRow("own band, strip and bar, is no panel")
            << 46.0 << 0.0 << held(alone, 0) << 876.0 << std::optional(alone) << none;
        QTest::newRow("a later panel our band hides, told by its reservation")
            << 46.0 << 30.0 << held(alone, 0) << 846.0 << std::optional(shared) << std::optional(hole);
        QTest::newRow("own band under a panel is not the panel")
            << 54.0 << 0.0 << held(shared, 0) << 846.0 << std::optional(shared) << std::optional(hole);
        QTest::newRow("a reserving panel that quit leaves our band's top")
            << 54.0 << 0.0 << held(shared, 30) << 876.0 << std::optional(alone) << none;
        QTest::newRow("panel grown past the reserved band")
            << 60.0 << 0.0 << held(shared, 0) << 816.0 << std::optional(DeskRect{0, 816, 1440, 24})
            << std::optional(DeskRect{524, 818, 392, 22});
    }
    void band()
    {
        QFETCH(double, workAreaTop);
        QFETCH(std::optional<NL::ReservedBand>, reserved);
        ScreenInfo screen = plainScreen(1440, 900, workAreaTop);
        QFETCH(double, panelBand);
        screen.panelBand = panelBand;
        const auto g = NL::compute(screen, {screen}, std::nullopt, ownPid, TickerPlacement::belowMenuBar,
                                   false, reserved);
        QTEST(g.strip.y, "stripY");
        QTEST(g.tickerBand, "band");
        QTEST(g.tickerBarHole, "hole");
    }

    void topStrut_data()
    {
        QTest::addColumn<QRectF>("band");
        QTest::addColumn<double>("scale");
        QTest::addColumn<QList<quint32>>("strut");
        QTest::newRow("under a 30 px panel")
            << QRectF(0, 30, 1920, 22) << 1.0 << QList<quint32>{0, 0, 52, 0, 0, 0, 0, 0, 0, 1919, 0, 0};
        QTest::newRow("second screen to the right")
            << QRectF(1920, 24, 1280, 22) << 1.0 << QList<quint32>{0, 0, 46, 0, 0, 0, 0, 0, 1920, 3199, 0, 0};
        QTest::newRow("doubled pixels")
            << QRectF(0, 24, 960, 22) << 2.0 << QList<quint32>{0, 0, 92, 0, 0, 0, 0, 0, 0, 1919, 0, 0};
    }
    void topStrut()
    {
        QFETCH(QRectF, band);
        QFETCH(double, scale);
        const auto numbers = NL::topStrut(band, scale);
        QTEST(QList<quint32>(numbers.begin(), numbers.end()), "strut");
    }

    void layerBands_data()
    {
        QTest::addColumn<bool>("tickerBar");
        QTest::addColumn<double>("stripHeight");
        QTest::addColumn<QList<int>>("bands"); // bar zone, strip zone, glance top
        QTest::newRow("bar keeps the strip's band") << true << 24.0 << QList{24, 0, 22};
        QTest::newRow("bar band no lower than the bar") << true << 20.0 << QList{22, 0, 18};
        QTest::newRow("strip alone keeps its own band") << false << 24.0 << QList{0, 24, 22};
    }
    void layerBands()
    {
        QFETCH(bool, tickerBar);
        QFETCH(double, stripHeight);
        const NL::LayerBands b = NL::layerBands(tickerBar, stripHeight);
        QTEST((QList{b.barZone, b.stripZone, b.glanceTop}), "bands");
    }

    void tickerBar_onlyBelowMenuBarWithoutFocus()
    {
        QVERIFY(NL::showsTickerBar(TickerPlacement::belowMenuBar, false));
        QVERIFY(!NL::showsTickerBar(TickerPlacement::belowMenuBar, true));
        QVERIFY(!NL::showsTickerBar(TickerPlacement::notchRight, false));
        QVERIFY(!NL::showsTickerBar(TickerPlacement::rotate, false));
    }

    void fullScreen_data()
    {
        QTest::addColumn<std::optional<DeskRect>>("window");
        QTest::addColumn<bool>("hides");
        QTest::newRow("none active") << std::optional<DeskRect>() << false;
        QTest::newRow("on this screen") << std::optional(DeskRect{0, 0, 1440, 900}) << true;
        QTest::newRow("on the screen to the right") << std::optional(DeskRect{1440, 0, 1920, 1080}) << false;
    }
    void fullScreen()
    {
        QFETCH(std::optional<DeskRect>, window);
        QTEST(NL::fullScreenOn(window, DeskRect{0, 0, 1440, 900}), "hides");
    }

    void nameCuts_data()
    {
        using Forms = QList<QList<double>>;
        const Forms two{{30, 25, 20, 11}, {40, 35, 30, 25, 11}};
        QTest::addColumn<Forms>("forms");
        QTest::addColumn<double>("excess");
        QTest::addColumn<QList<int>>("cuts");
        QTest::newRow("fits: nothing cut") << two << 0.0 << QList<int>{0, 0};
        QTest::newRow("the longer name loses what is needed") << two << 4.0 << QList<int>{0, 1};
        QTest::newRow("once as short as the other, both are cut") << two << 12.0 << QList<int>{1, 2};
        QTest::newRow("far too little room: both down to the ellipsis") << two << 1e3 << QList<int>{3, 4};
        QTest::newRow("a first cut wider than the whole name goes on")
            << Forms{{32, 41, 34}, {46, 47, 41, 34}} << 3.0 << QList<int>{0, 2};
    }
    void nameCuts()
    {
        QFETCH(QList<QList<double>>, forms);
        QFETCH(double, excess);
        QTEST(NL::nameCuts(forms, excess), "cuts");
    }

    void deskConversion_flipsAroundThePrimaryScreen()
    {
        const QRectF primary(0, 0, 1440, 900);
        QCOMPARE(fromDesk(DeskRect{524, 876, 392, 24}, primary), QRectF(524, 0, 392, 24));
        QCOMPARE(toDesk(QRectF(524, 0, 392, 24), primary), (DeskRect{524, 876, 392, 24}));
        QCOMPARE(toDesk(QPointF(600, 27), primary), QPointF(600, 873));
        const QRectF offsetPrimary(100, 50, 1440, 900);
        QCOMPARE(fromDesk(toDesk(QRectF(300, 60, 10, 20), offsetPrimary), offsetPrimary),
                 QRectF(300, 60, 10, 20));
    }
    void tickerShift_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<double>("cycle");
        QTest::addColumn<double>("shift");
        // At 28 points a second a 428-point cycle repeats every 428 / 28 s.
        QTest::newRow("one second") << 1.0 << 428.0 << 28.0;
        QTest::newRow("one cycle later") << 428.0 / 28.0 + 1.0 << 428.0 << 28.0;
        QTest::newRow("five cycles later") << 5 * 428.0 / 28.0 + 10.0 << 428.0 << 280.0;
        QTest::newRow("one-point cycle stands still") << 0.01 << 1.0 << 0.0;
    }
    void tickerShift()
    {
        QFETCH(double, seconds);
        QFETCH(double, cycle);
        QFETCH(double, shift);
        QVERIFY(qAbs(TickerMotion::shiftAt(seconds, 28, cycle) - shift) < 1e-6);
    }

    void tickerMode_data()
    {
        using Mode = TickerMotion::Mode;
        using C = TickerMotion::Conditions;
        QTest::addColumn<C>("conditions");
        QTest::addColumn<Mode>("mode");
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
    void tickerMode()
    {
        QFETCH(TickerMotion::Conditions, conditions);
        QTEST(TickerMotion::decide(conditions), "mode");
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
        QTEST(TickerMotion::steppedShift(entry, steps, {0, 100, 250}, 400), "shift");
    }

    void serverCopy_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<bool>("opaque");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<double>("stripWidth");
        QTest::addColumn<bool>("usable");
        QTest::newRow("X11, opaque band, unscaled") << u"xcb"_qs << true << 1.0 << 2400.0 << true;
        QTest::newRow("Wayland paints through Qt") << u"wayland"_qs << true << 1.0 << 2400.0 << false;
        QTest::newRow("translucent band needs the blend") << u"xcb"_qs << false << 1.0 << 2400.0 << false;
        QTest::newRow("scaled screen") << u"xcb"_qs << true << 1.5 << 2400.0 << false;
        QTest::newRow("strip as wide as an X pixmap") << u"xcb"_qs << true << 1.0 << 32767.0 << true;
        QTest::newRow("strip wider than an X pixmap") << u"xcb"_qs << true << 1.0 << 32768.0 << false;
    }
    void serverCopy()
    {
        QFETCH(QString, platform);
        QFETCH(bool, opaque);
        QFETCH(double, ratio);
        QFETCH(double, stripWidth);
        QTEST(TickerMotion::serverCopyUsable(platform, opaque, ratio, stripWidth), "usable");
    }
};

QTEST_GUILESS_MAIN(NotchLayoutTest)
#include "NotchLayoutTest.moc"
