#include "notch/NotchWindowController.h"
#include "FakeScreens.h"
#include "StateFixture.h"
#include "notch/GlanceView.h"

#include <QEvent>
#include <QWidget>

using namespace virel;
using namespace virel::test;
using namespace std::chrono_literals;

namespace {

// Qt coordinates of a 1440 × 900 screen: the strip spans x 524..915, y 0..23.
constexpr QPoint onStrip(600, 10);
constexpr QPoint farAway(100, 600);

void enterStrip(QWidget* strip)
{
    QEvent enter(QEvent::Enter);
    QCoreApplication::sendEvent(strip, &enter);
}

} // namespace

class NotchWindowControllerTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<MorningStateFixture> f;
    std::unique_ptr<FakeScreenFacts> screens;
    std::unique_ptr<FakeStatusItemScan> scan;
    QPoint pointer;

    std::unique_ptr<NotchWindowController> makeController()
    {
        auto controller = std::make_unique<NotchWindowController>(*f->state, *screens, *scan, f->clock);
        controller->setPointerSource([this] { return pointer; });
        controller->setHoverPollInterval(5ms);
        return controller;
    }

private slots:
    void init()
    {
        f = std::make_unique<MorningStateFixture>();
        screens = std::make_unique<FakeScreenFacts>();
        scan = std::make_unique<FakeStatusItemScan>();
        pointer = farAway;
    }
    void cleanup()
    {
        scan.reset();
        screens.reset();
        f.reset();
    }

    void layout_placesStripAndTickerBarAtTheTop()
    {
        const auto controller = makeController();
        QWidget* strip = controller->stripWidget();
        QVERIFY(strip);
        QVERIFY(strip->isVisible());
        QCOMPARE(strip->geometry(), QRect(524, 0, 392, 24));
        QCOMPARE(controller->geometry().notchCenterX, 720.0);
        QWidget* bar = controller->tickerBarWidget();
        QVERIFY(bar);
        QCOMPARE(bar->geometry(), QRect(0, 24, 1440, 22));
        QVERIFY(!controller->glanceWidget());
    }

    void panels_areUnmanagedAndNeverFocused()
    {
        const auto controller = makeController();
        for (QWidget* panel : {controller->stripWidget(), controller->tickerBarWidget()}) {
            const Qt::WindowFlags flags = panel->windowFlags();
            QVERIFY(flags.testFlag(Qt::FramelessWindowHint));
            QVERIFY(flags.testFlag(Qt::BypassWindowManagerHint));
            QVERIFY(flags.testFlag(Qt::WindowStaysOnTopHint));
            QVERIFY(flags.testFlag(Qt::WindowDoesNotAcceptFocus));
            QVERIFY(panel->testAttribute(Qt::WA_ShowWithoutActivating));
        }
        QVERIFY(!controller->stripWidget()->windowFlags().testFlag(Qt::WindowTransparentForInput));
        QVERIFY(controller->tickerBarWidget()->windowFlags().testFlag(Qt::WindowTransparentForInput));
        QVERIFY(QApplication::focusWidget() == nullptr);
    }

    void tickerBar_sitsUnderTheTopPanel()
    {
        screens->setScreen(1920, 1080, 32);
        const auto controller = makeController();
        QCOMPARE(controller->tickerBarWidget()->geometry(), QRect(0, 32, 1920, 22));
        QCOMPARE(controller->stripWidget()->geometry(), QRect(960 - 6 - 190, 0, 392, 24));
    }

    void tickerBar_followsPlacementAndFocusMode()
    {
        const auto controller = makeController();
        f->state->setTickerPlacement(TickerPlacement::rotate);
        controller->layout();
        QVERIFY(!controller->tickerBarWidget());
        f->state->setTickerPlacement(TickerPlacement::belowMenuBar);
        QTRY_VERIFY(controller->tickerBarWidget()); // relaid out on the next turn without being asked
        QCOMPARE(controller->tickerBarWidget()->height(), 22);
        f->state->setFocusMode(true);
        QTRY_VERIFY(!controller->tickerBarWidget());
        f->state->setFocusMode(false);
        f->state->setTickerPlacement(TickerPlacement::notchRight);
        controller->layout();
        QVERIFY(!controller->tickerBarWidget());
    }

    void screenChange_movesTheStrip()
    {
        const auto controller = makeController();
        screens->setScreen(1920, 1080);
        emit screens->changed();
        QTRY_COMPARE(controller->stripWidget()->geometry(), QRect(960 - 6 - 190, 0, 392, 24));
        QCOMPARE(controller->tickerBarWidget()->geometry(), QRect(0, 24, 1920, 22));
    }

    void noScreen_leavesEverythingAlone()
    {
        screens->main.reset();
        const auto controller = makeController();
        QVERIFY(!controller->stripWidget());
        controller->flashGlance(0.01);
        QVERIFY(!controller->glanceWidget());
    }

    void unavailableWindowList_keepsTheFullRightWidth()
    {
        NoStatusItemScan none;
        NotchWindowController controller(*f->state, *screens, none, f->clock);
        QCOMPARE(controller.geometry().rightWidth, 190.0);
    }

    void widthCheck_relaysOutOnlyForMoreThanFourPoints()
    {
        scan->list = QList<ForeignWindow>{{25, 4242, QRectF(726 + 150, 0, 30, 24)}};
        const auto controller = makeController();
        controller->setWidthCheckInterval(5ms);
        QCOMPARE(controller->geometry().rightWidth, 140.0);
        QCOMPARE(controller->stripWidget()->width(), 190 + 12 + 140);
        scan->list = QList<ForeignWindow>{{25, 4242, QRectF(726 + 153, 0, 30, 24)}};
        QTest::qWait(40);
        QCOMPARE(controller->geometry().rightWidth, 140.0);
        scan->list = QList<ForeignWindow>{{25, 4242, QRectF(726 + 155, 0, 30, 24)}};
        QTRY_COMPARE(controller->geometry().rightWidth, 145.0);
        QCOMPARE(controller->stripWidget()->width(), 190 + 12 + 145);
    }

    void hover_opensAndClosesTheGlance()
    {
        const auto controller = makeController();
        QVERIFY2(!controller->isPolling(), "no polling while the pointer is away");
        pointer = onStrip;
        enterStrip(controller->stripWidget());
        QWidget* glance = controller->glanceWidget();
        QVERIFY(glance);
        QVERIFY(f->state->expanded());
        QCOMPARE(glance->width(), 320);
        QCOMPARE(glance->geometry().center().x(),
                 720 - 1); // centred on the notch (QRect's centre rounds down)
        QCOMPARE(glance->y(), 24 + 6);
        QVERIFY(controller->isPolling());

        pointer = QPoint(700, 27); // in the gap between strip and glance
        QTest::qWait(30);
        QVERIFY(controller->glanceWidget());
        pointer = QPoint(700, 100); // over the glance
        QTest::qWait(30);
        QVERIFY(controller->glanceWidget());
        pointer = QPoint(glance->geometry().right() + 1 + 9, 100); // 9 right of the glance
        QTRY_VERIFY(!controller->glanceWidget());
        QVERIFY(!f->state->expanded());
    }

    void hover_marginsBelowTheStrip()
    {
        const auto controller = makeController();
        pointer = onStrip;
        enterStrip(controller->stripWidget());
        pointer = QPoint(500, 60); // beside the glance, still near the strip: it closes, polling goes on
        QTRY_VERIFY(!controller->glanceWidget());
        pointer = QPoint(600, 24 + 5); // 5 below the strip's bottom edge (y = 24): stays closed
        QTest::qWait(30);
        QVERIFY(!controller->glanceWidget());
        pointer = QPoint(600, 24 + 3); // 3 below: opens
        QTRY_VERIFY(controller->glanceWidget());
    }

    void hover_stopsPollingOnceThePointerIsAway()
    {
        const auto controller = makeController();
        pointer = onStrip;
        enterStrip(controller->stripWidget());
        pointer = farAway;
        QTRY_VERIFY(!controller->glanceWidget());
        QTRY_VERIFY(!controller->isPolling());
    }

    void flash_closesAfterItsTimeWhenThePointerIsElsewhere()
    {
        const auto controller = makeController();
        controller->flashGlance(0.08);
        QVERIFY(controller->glanceWidget());
        QVERIFY(f->state->expanded());
        QTest::qWait(40);
        QVERIFY2(controller->glanceWidget(), "a resting pointer does not close it early");
        QTRY_VERIFY_WITH_TIMEOUT(!controller->glanceWidget(), 1000);
        QVERIFY(!f->state->expanded());
    }

    void flash_staysOpenWithThePointerOnTheStrip()
    {
        const auto controller = makeController();
        controller->flashGlance(0.03);
        pointer = onStrip;
        QTest::qWait(100);
        QVERIFY(controller->glanceWidget());
        pointer = farAway;
        QTRY_VERIFY(!controller->glanceWidget());
    }

    void glance_growsWhenAnAlertFiresWhileOpen()
    {
        const auto controller = makeController();
        controller->flashGlance(10);
        QWidget* glance = controller->glanceWidget();
        const int before = glance->height();
        f->fireAlert(QStringLiteral("^KS11"), QStringLiteral("KOSPI"), 1, 2);
        QTRY_VERIFY(glance->height() > before);
        QCOMPARE(glance->y(), 30);
    }
};

QTEST_MAIN(NotchWindowControllerTest)
#include "NotchWindowControllerTest.moc"
