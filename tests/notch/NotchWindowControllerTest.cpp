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

// The pointer entering or leaving a surface, as the windowing system reports it.
void cross(QWidget* surface, QEvent::Type type)
{
    QEvent crossing(type);
    QCoreApplication::sendEvent(surface, &crossing);
}

} // namespace

class NotchWindowControllerTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<MorningStateFixture> f;
    std::unique_ptr<FakeScreenFacts> screens;
    std::unique_ptr<FakeStatusItemScan> scan;

    std::unique_ptr<NotchWindowController> makeController()
    {
        return std::make_unique<NotchWindowController>(*f->state, *screens, *scan, f->clock);
    }

private slots:
    void init()
    {
        f = std::make_unique<MorningStateFixture>();
        screens = std::make_unique<FakeScreenFacts>();
        scan = std::make_unique<FakeStatusItemScan>();
    }
    void cleanup()
    {
        scan.reset();
        screens.reset();
        f.reset();
    }

    // Where exactly is pinned by the layout's own tests and the end-to-end run; here, that the
    // controller applies it and follows the screen.
    void layout_appliedWithoutTakingFocusAndFollowsTheScreen()
    {
        screens->setScreen(1920, 1080, 32);
        const auto controller = makeController();
        QVERIFY(controller->stripWidget()->isVisible());
        QVERIFY(!controller->glanceWidget());
        QVERIFY(QApplication::focusWidget() == nullptr);
        // Clicks pass through the bar; it leaves the strip's columns to the strip.
        QVERIFY(controller->tickerBarWidget()->windowFlags().testFlag(Qt::WindowTransparentForInput));
        const QRegion barMask = controller->tickerBarWidget()->mask();
        QVERIFY(barMask.contains(QPoint(100, 5)) && !barMask.contains(QPoint(900, 5)));
        screens->setScreen(1440, 900, 0);
        emit screens->changed();
        QTRY_COMPARE(controller->stripWidget()->geometry(), QRect(524, 0, 392, 24));
        QCOMPARE(controller->tickerBarWidget()->width(), 1440);
    }

    void noScreen_leavesEverythingAlone()
    {
        screens->main.reset();
        const auto controller = makeController();
        QVERIFY(!controller->stripWidget());
        controller->flashGlance(0.01);
        QVERIFY(!controller->glanceWidget());
    }

    void tickerBar_followsPlacement()
    {
        const auto controller = makeController();
        f->state->setTickerPlacement(TickerPlacement::rotate);
        controller->layout();
        QVERIFY(!controller->tickerBarWidget());
        f->state->setTickerPlacement(TickerPlacement::belowMenuBar);
        QTRY_VERIFY(controller->tickerBarWidget()); // relaid out on the next turn without being asked
        f->state->setTickerPlacement(TickerPlacement::notchRight);
        controller->layout();
        QVERIFY(!controller->tickerBarWidget());
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

    void hover_followsTheSurfacesCrossingsWithOneGlanceWindow()
    {
        const auto controller = makeController();
        QWidget* strip = controller->stripWidget();
        cross(strip, QEvent::Enter);
        QWidget* glance = controller->glanceWidget();
        QVERIFY(glance);
        QVERIFY(f->state->expanded());

        cross(strip, QEvent::Leave); // on the way into the card
        cross(glance, QEvent::Enter);
        QTest::qWait(2 * NotchWindowController::leaveGrace.count());
        QVERIFY(controller->glanceWidget());
        cross(glance, QEvent::Leave);
        QTRY_VERIFY(!controller->glanceWidget());
        QVERIFY(!f->state->expanded());
        cross(strip, QEvent::Enter);
        QCOMPARE(controller->glanceWidget(), glance);
    }

    void flash_closesAfterItsTimeUnlessThePointerIsOnTheStrip()
    {
        const auto controller = makeController();
        QWidget* strip = controller->stripWidget();
        controller->flashGlance(0.08);
        QVERIFY(f->state->expanded());
        QTRY_VERIFY_WITH_TIMEOUT(!controller->glanceWidget(), 1000);
        QVERIFY(!f->state->expanded());

        controller->flashGlance(0.03);
        cross(strip, QEvent::Enter);
        QTest::qWait(100);
        QVERIFY(controller->glanceWidget());
        cross(strip, QEvent::Leave);
        QTRY_VERIFY(!controller->glanceWidget());
    }

    // The strip and the bar under full screen are the end-to-end run's; here, the glance.
    void fullScreen_closesTheGlanceAndOpensNone()
    {
        const auto controller = makeController();
        controller->flashGlance(10);
        screens->fullScreen = QRectF(0, 0, 1440, 900);
        emit screens->fullScreenChanged();
        QVERIFY(!controller->glanceWidget());
        controller->flashGlance(10);
        QVERIFY(!controller->glanceWidget());
    }

    void glance_growsDownwardWhenAnAlertFiresWhileOpen()
    {
        const auto controller = makeController();
        controller->flashGlance(10);
        auto* glance = qobject_cast<GlanceView*>(controller->glanceWidget());
        QVERIFY(!glance->alertText());
        const int before = glance->height();
        f->fireAlert(u"^KS11"_qs, u"KOSPI"_qs, 1, 2);
        QCOMPARE(glance->alertText(), std::optional(u"알림 · KOSPI ≥ 1.0"_qs));
        QTRY_VERIFY(glance->height() > before);
        QCOMPARE(glance->y(), 30);
    }
};

QTEST_MAIN(NotchWindowControllerTest)
#include "NotchWindowControllerTest.moc"
