#include "windows/LinkView.h"
#include "ServiceFixture.h"
#include "windows/LinkWindowController.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPushButton>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

using namespace virel;
using namespace std::chrono_literals;

namespace {

const auto kStart = QStringLiteral("/api/mac/device/start");
const auto kPoll = QStringLiteral("/api/mac/device/poll");

// The window's delays, a tenth of the real ones.
constexpr LinkViewIntervals kScaled{120ms, 160ms, 20ms};

// An account service linking against the fake service, polling every 25 ms.
struct AccountFixture : test::ServiceFixture
{
    AccountFixture() : ServiceFixture(ServiceTimeouts{300ms, 2s}, LinkIntervals{25ms, 100ms, 10ms}) {}

    QString pendingCode() const { return host.service.pendingUserCodes().value(0); }
};

} // namespace

class LinkViewTest : public QObject
{
    Q_OBJECT

private slots:
    void followsTheLinkStateThroughEveryStateAndOffersRetryAndCloseOnFailure()
    {
        AccountFixture fixture;
        LinkView view(*fixture.account, fixture.clock, kScaled);
        QSignalSpy closes(&view, &LinkView::closeRequested);
        fixture.account->beginLink();
        QCOMPARE(view.page(), LinkView::Page::preparing);
        QTRY_COMPARE(view.page(), LinkView::Page::waiting);
        QCOMPARE(view.codeText(), fixture.pendingCode());
        QCOMPARE(view.countdownText(), u"10:00"_qs);
        QTest::mouseClick(view.copyButton(), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(), fixture.pendingCode());
        fixture.clock.advance(61);
        QTRY_COMPARE(view.countdownText(), u"8:59"_qs);

        QVERIFY(fixture.host.service.approve(fixture.pendingCode(), u"me@example.com"_qs));
        QTRY_COMPARE(view.page(), LinkView::Page::success);
        QCOMPARE(view.emailText(), u"me@example.com"_qs);
        QCOMPARE(closes.size(), 0);
        // Success closes the window by itself after a moment, once.
        QTRY_COMPARE(closes.size(), 1);
        QTest::qWait(200);
        QCOMPARE(closes.size(), 1);
        fixture.account->logout();
        QCOMPARE(view.page(), LinkView::Page::preparing);

        // A failure offers to try again and to close.
        fixture.host.server.faults().add(kStart, fake::Fault::withStatus(500).times(1));
        fixture.account->beginLink();
        QTRY_COMPARE(view.page(), LinkView::Page::failure);
        QCOMPARE(view.failureText(),
                 u"Virel에 연결하지 못했습니다. 네트워크를 확인하고 다시 시도해 주세요."_qs);
        QTest::mouseClick(view.closeButton(), Qt::LeftButton);
        QCOMPARE(closes.size(), 2);
        QTest::mouseClick(view.retryButton(), Qt::LeftButton);
        QTRY_COMPARE(view.page(), LinkView::Page::waiting);
    }

    void countdown_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("ten minutes") << 600 << u"10:00"_qs;
        QTest::newRow("seconds only") << 5 << u"0:05"_qs;
        QTest::newRow("hours, minutes and seconds") << 3 * 3600 + 62 << u"3:01:02"_qs;
        QTest::newRow("past") << -30 << u"0:00"_qs;
    }
    void countdown()
    {
        QFETCH(int, seconds);
        QTEST(LinkView::countdown(std::chrono::seconds(seconds)), "text");
    }

    void windowStartsALinkOnlyWhenNoneRunsAndClosingKeepsIt()
    {
        AccountFixture fixture;
        LinkWindowController controller(*fixture.account);
        controller.setIntervals(kScaled);
        controller.show();
        QTRY_COMPARE(controller.view()->page(), LinkView::Page::waiting);
        // Showing again while the code is polled keeps the code; closing does not cancel it.
        controller.show();
        QPointer<LinkView> first = controller.view();
        first->close();
        QTRY_VERIFY(!first);
        QCOMPARE(fixture.account->linkState().kind, LinkState::Kind::waiting);
        QCOMPARE(fixture.host.server.requestCount(kStart), 1);

        // After a failure, showing starts over at once.
        fixture.host.server.faults().add(kPoll, fake::Fault::withStatus(404).times(1));
        QTRY_COMPARE(fixture.account->linkState().kind, LinkState::Kind::failed);
        controller.show();
        QTRY_COMPARE(controller.view()->page(), LinkView::Page::waiting);
        QCOMPARE(fixture.host.server.requestCount(kStart), 2);

        // Signed in: showing opens the success view without starting anything, and it closes itself.
        QVERIFY(fixture.host.service.approve(controller.view()->codeText(), u"me@example.com"_qs));
        QTRY_VERIFY(fixture.account->user().has_value());
        QPointer<LinkView> second = controller.view();
        QTRY_VERIFY(!second);
        controller.show();
        QCOMPARE(controller.view()->page(), LinkView::Page::success);
        QCOMPARE(fixture.host.server.requestCount(kStart), 2);
    }
};

QTEST_MAIN(LinkViewTest)
#include "LinkViewTest.moc"
