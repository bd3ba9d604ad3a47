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

    void layout_stripOnTheNotchBarUnderThePanelBothFollowingTheScreen()
    {
        screens->setScreen(1920, 1080, 32);
        const auto controller = makeController();
        QVERIFY(controller->stripWidget()->isVisible());
        QCOMPARE(controller->stripWidget()->geometry(), QRect(764, 0, 392, 24));
        QCOMPARE(controller->tickerBarWidget()->geometry(), QRect(0, 32, 1920, 22));
        QVERIFY(!controller->glanceWidget());
        // Clicks go through the ticker bar to what lies under it; nothing takes the focus.
        QVERIFY(controller->tickerBarWidget()->windowFlags().testFlag(Qt::WindowTransparentForInput));
        QVERIFY(!controller->stripWidget()->windowFlags().testFlag(Qt::WindowTransparentForInput));
        QVERIFY(QApplication::focusWidget() == nullptr);
        screens->setScreen(1440, 900);
        emit screens->changed();
        QTRY_COMPARE(controller->stripWidget()->geometry(), QRect(524, 0, 392, 24));
        QCOMPARE(controller->tickerBarWidget()->geometry(), QRect(0, 24, 1440, 22));
    }

    void noScreen_leavesEverythingAlone()
    {
        screens->main.reset();
        const auto controller = makeController();
        QVERIFY(!controller->stripWidget());
        controller->flashGlance(0.01);
        QVERIFY(!controller->glanceWidget());
    }

    void tickerBar_followsPlacementAndFocusMode()
    {
        const auto controller = makeController();
        f->state->setTickerPlacement(TickerPlacement::rotate);
        controller->layout();
        QVERIFY(!controller->tickerBarWidget());
        f->state->setTickerPlacement(TickerPlacement::belowMenuBar);
        QTRY_VERIFY(controller->tickerBarWidget()); // relaid out on the next turn without being asked
        f->state->setFocusMode(true);
        QTRY_VERIFY(!controller->tickerBarWidget());
        f->state->setFocusMode(false);
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

    void hover_opensAndClosesTheGlanceWithinItsMargins()
    {
        const auto controller = makeController();
        QVERIFY2(!controller->isPolling(), "no polling while the pointer is away");
        pointer = onStrip;
        enterStrip(controller->stripWidget());
        QWidget* glance = controller->glanceWidget();
        QVERIFY(glance);
        QVERIFY(f->state->expanded());
        QCOMPARE(glance->geometry().center().x(), 720 - 1); // centred on the notch (QRect rounds down)
        QCOMPARE(glance->y(), 24 + 6);
        QVERIFY(controller->isPolling());

        // The margins themselves are the layout's; here only that the pointer is followed.
        pointer = QPoint(700, 100); // over the glance
        QTest::qWait(30);
        QVERIFY(controller->glanceWidget());
        pointer = QPoint(glance->geometry().right() + 1 + 9, 100); // 9 right of the glance
        QTRY_VERIFY(!controller->glanceWidget());
        QVERIFY(!f->state->expanded());
        pointer = onStrip;
        enterStrip(controller->stripWidget());
        pointer = QPoint(500, 60); // beside the glance, still near the strip: it closes, polling goes on
        QTRY_VERIFY(!controller->glanceWidget());
        pointer = QPoint(600, 24 + 3); // 3 below the strip's bottom edge (y = 24): opens
        QTRY_VERIFY(controller->glanceWidget());
        pointer = farAway;
        QTRY_VERIFY(!controller->isPolling());
    }

    void flash_closesAfterItsTimeUnlessThePointerIsOnTheStripAndGrowsForAnAlert()
    {
        const auto controller = makeController();
        controller->flashGlance(0.08);
        QVERIFY(f->state->expanded());
        pointer = QPoint(300, 500);
        QTest::qWait(40);
        QVERIFY2(controller->glanceWidget(), "a pointer moving elsewhere does not close it early");
        QTRY_VERIFY_WITH_TIMEOUT(!controller->glanceWidget(), 1000);
        QVERIFY(!f->state->expanded());

        controller->flashGlance(0.03);
        pointer = onStrip;
        QTest::qWait(100);
        QVERIFY(controller->glanceWidget());
        pointer = farAway;
        QTRY_VERIFY(!controller->glanceWidget());
        controller->flashGlance(10);
        // An alert firing while the card is open grows it downward.
        auto* glance = qobject_cast<GlanceView*>(controller->glanceWidget());
        QVERIFY(!glance->alertText());
        const int before = glance->height();
        f->fireAlert(u"^KS11"_qs, u"KOSPI"_qs, 1, 2);
        QCOMPARE(glance->alertText(), std::optional(u"알림 · KOSPI ≥ 1.0"_qs));
        QTRY_VERIFY(glance->height() > before);
        QCOMPARE(glance->y(), 30);
        pointer = onStrip;
        QTest::qWait(30);
        pointer = farAway;
        QTRY_VERIFY2(!controller->glanceWidget(), "came and left: closes before its time");
    }
};

QTEST_MAIN(NotchWindowControllerTest)
#include "NotchWindowControllerTest.moc"
