#include "ServiceFixture.h"
#include "StateFixture.h"
#include "windows/EditRows.h"
#include "windows/EditView.h"
#include "windows/EditWindowController.h"
#include "windows/LinkView.h"
#include "windows/LinkWindowController.h"
#include "windows/SegmentedControl.h"
#include "windows/WatchListArea.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <qcoro/qcorosignal.h>

using namespace virel;
using namespace std::chrono_literals;

namespace {

// Answers one hit named after the query and records it; with `gated`, calls wait for their gate.
struct ScriptedSearch
{
    QStringList queries;
    bool gated = false;
    QList<std::shared_ptr<QTimer>> gates;

    EditView::SearchFunction function()
    {
        return [this](QString query) -> QCoro::Task<QList<SearchResult>> {
            queries.append(query);
            if (gated) {
                auto gate = std::make_shared<QTimer>();
                gate->setSingleShot(true);
                gates.append(gate);
                co_await qCoro(gate.get(), &QTimer::timeout);
            }
            co_return QList<SearchResult>{{query.toUpper(), query + u" Inc."_qs, u"NMS"_qs, u"Equity"_qs}};
        };
    }
};

// Types `text` key by key, as a user would (QTest::keyClicks takes Latin-1 only).
void type(QWidget* widget, const QString& text)
{
    for (const QChar character : text) {
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(character), Qt::NoModifier);
    }
}

QStringList symbols(const QList<WatchItem>& items)
{
    QStringList result;
    std::ranges::transform(items, std::back_inserter(result),
                           [](const WatchItem& item) { return item.symbol; });
    return result;
}

struct Editor
{
    Editor() { view.setSearchDelay(10ms); }

    test::StateFixture fixture;
    ScriptedSearch search;
    EditView view{*fixture.state, search.function()};
};

const auto kStart = QStringLiteral("/api/mac/device/start");
const auto kPoll = QStringLiteral("/api/mac/device/poll");

// The window's delays, a tenth of the real ones.
constexpr LinkViewIntervals kScaled{120ms, 160ms, 20ms};

struct AccountFixture : test::ServiceFixture
{
    AccountFixture() : ServiceFixture(ServiceTimeouts{300ms, 2s}, LinkIntervals{25ms, 100ms, 10ms}) {}

    QString pendingCode() const { return host.service.pendingUserCodes().value(0); }
};

} // namespace

class EditAndLinkViewTest : public QObject
{
    Q_OBJECT

private slots:
    void searchesOnceTypingStopsNeverForBlanksAndOnlyTheLatestShows()
    {
        Editor editor;
        auto& [fixture, search, view] = editor;
        type(view.searchField(), u" \t "_qs);
        QTest::qWait(50); // a search for blanks would be among the queries below
        view.searchField()->clear();
        type(view.searchField(), u"삼성"_qs);
        QTRY_COMPARE(view.searchRows().size(), 1);
        QCOMPARE(search.queries, QStringList{u"삼성"_qs});
        QVERIFY(!view.searching());
        view.searchField()->clear();
        QVERIFY(!view.resultSectionShown() && view.results().isEmpty());

        search.gated = true;
        type(view.searchField(), u"a"_qs);
        QTRY_COMPARE(search.queries.size(), 2);
        type(view.searchField(), u"b"_qs);
        QTRY_COMPARE(search.queries.size(), 3);
        // An answer that arrives while a later search runs must not show.
        search.gates.at(0)->start(0);
        QTest::qWait(20);
        QVERIFY(view.results().isEmpty() && view.searching());
        search.gates.at(1)->start(0);
        QTRY_COMPARE(view.results().size(), 1);
        QCOMPARE(view.results().first().symbol, u"AB"_qs);

        // A search cancelled by clearing the field leaves no results behind either.
        type(view.searchField(), u"c"_qs);
        QTRY_COMPARE(search.queries.size(), 4);
        view.searchField()->clear();
        search.gates.at(2)->start(0);
        QTest::qWait(20);
        QVERIFY(view.results().isEmpty() && !view.searching());
    }

    void modePickerFollowsTheStateAndAddsByButtonOrReturn()
    {
        Editor editor;
        auto& [fixture, search, view] = editor;
        SegmentedControl* picker = view.modePicker();
        QTest::mouseClick(picker, Qt::LeftButton, {}, picker->segmentRect(1).center());
        QCOMPARE(fixture.state->mode(), DisplayMode::watchlist);
        QCOMPARE(view.footerText(), u"로그인 전까지 변경은 이 컴퓨터에만 저장됩니다"_qs);
        view.setSignedIn(true);
        QCOMPARE(view.footerText(), u"변경은 Virel 계정에 동기화됩니다"_qs);
        fixture.state->setMode(DisplayMode::market); // switched elsewhere
        QCOMPARE(picker->currentIndex(), 0);
        QCOMPARE(view.footerText(), u"Market Mode 구성은 이 컴퓨터에만 저장됩니다"_qs);
        const DisplayMode mode = DisplayMode::watchlist;
        fixture.state->setMode(mode);
        type(view.searchField(), u"aapl"_qs);
        QTRY_COMPARE(view.searchRows().size(), 1);
        QPushButton* add = view.searchRows().first()->addButton();
        QTest::mouseClick(add, Qt::LeftButton);
        QCOMPARE(fixture.state->storedItems(mode).constLast(), (WatchItem{u"AAPL"_qs, u"aapl Inc."_qs}));
        QCOMPARE(add->text(), u"추가됨"_qs);
        QVERIFY(!add->isEnabled());
        QVERIFY(view.listHeaderText().contains(QStringLiteral("(%1)").arg(fixture.state->items().size())));
        // Return adds the first result; with nothing typed it is done.
        QSignalSpy done(&view, &EditView::done);
        view.searchField()->clear();
        type(view.searchField(), u"tsla"_qs);
        QTRY_COMPARE(view.searchRows().size(), 1);
        QTest::keyClick(view.searchField(), Qt::Key_Return);
        QCOMPARE(fixture.state->storedItems(mode).constLast().symbol, u"TSLA"_qs);
        view.searchField()->clear();
        QTest::keyClick(view.searchField(), Qt::Key_Return);
        QCOMPARE(done.size(), 1);
    }

    void movedEntry_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first to end") << 0 << 3 << u"BCA"_qs;
        QTest::newRow("first after second") << 0 << 2 << u"BAC"_qs;
        QTest::newRow("just after itself") << 1 << 2 << u"ABC"_qs;
        QTest::newRow("out of range") << 3 << 0 << u"ABC"_qs;
    }
    void movedEntry()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        const QList<WatchItem> items{{u"A"_qs, u"A"_qs}, {u"B"_qs, u"B"_qs}, {u"C"_qs, u"C"_qs}};
        QTEST(symbols(virel::movedEntry(items, from, to)).join(QString()), "expected");
    }

    void listEditedByDragKeysAndTrashButton()
    {
        Editor editor;
        auto& [fixture, search, view] = editor;
        fixture.state->setMode(DisplayMode::watchlist);
        fixture.state->rotate();
        view.resize(440, 580);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        WatchListArea* list = view.list();
        const int third = list->row(2)->geometry().center().y();
        const int top = list->row(0)->geometry().top() + 3;
        QTest::mousePress(list, Qt::LeftButton, {}, QPoint(20, third));
        QTest::mouseMove(list, QPoint(20, third - 10));
        QTest::mouseMove(list, QPoint(20, top));
        QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(20, top));
        const QStringList expected{u"000660.KS"_qs, u"NVDA"_qs, u"005930.KS"_qs};
        QCOMPARE(symbols(fixture.state->storedItems(DisplayMode::watchlist)), expected);
        QCOMPARE(fixture.state->rotationIndex(), 0);
        // A press and release without moving is a click: it selects and moves nothing.
        QTRY_VERIFY(list->row(1)->geometry().top() > list->row(0)->geometry().top());
        QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(20, list->row(2)->geometry().center().y()));
        QCOMPARE(symbols(fixture.state->items()), expected);
        QCOMPARE(list->selectedIndex(), 2);

        QSignalSpy done(&view, &EditView::done);
        QTest::keyClick(view.searchField(), Qt::Key_Down);
        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up}) {
            QTest::keyClick(list, key);
        }
        QCOMPARE(list->selectedIndex(), 1);
        QTest::keyClick(list, Qt::Key_Delete);
        QCOMPARE(symbols(fixture.state->items()), (QStringList{u"000660.KS"_qs, u"005930.KS"_qs}));
        // The entry that moved into the removed one's place is chosen next.
        QCOMPARE(list->selectedIndex(), 1);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(done.size(), 1);

        QTest::mouseClick(list->row(0)->removeButton(), Qt::LeftButton);
        QCOMPARE(symbols(fixture.state->items()), QStringList{u"005930.KS"_qs});
    }

    void closingForgetsTheSearch()
    {
        test::StateFixture fixture;
        EditWindowController controller(*fixture.state, *fixture.yahoo);
        controller.show();
        QPointer<EditView> first = controller.view();
        first->setSearchDelay(20ms);
        type(first->searchField(), u"삼성"_qs);
        QTest::mouseClick(first->doneButton(), Qt::LeftButton);
        QTRY_VERIFY(!first);
        controller.show();
        QVERIFY(controller.view()->query().isEmpty());
        // The search pending at closing never reached the market.
        QTest::qWait(100);
        QCOMPARE(fixture.server.requestCount(fake::FakeServer::searchPath), 0);
    }

    void link_followsTheLinkStateThroughEveryStateAndOffersRetryAndCloseOnFailure()
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
        // A longer code, and one whose time ran out before the failure shows.
        QCOMPARE(LinkView::countdown(3h + 62s), u"3:01:02"_qs);
        QCOMPARE(LinkView::countdown(-30s), u"0:00"_qs);

        QVERIFY(fixture.host.service.approve(fixture.pendingCode(), u"me@example.com"_qs));
        QTRY_COMPARE(view.page(), LinkView::Page::success);
        QCOMPARE(view.emailText(), u"me@example.com"_qs);
        QTRY_COMPARE(closes.size(), 1); // success closes the window by itself after a moment
        fixture.account->logout();
        QCOMPARE(view.page(), LinkView::Page::preparing);

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

    void linkWindow_startsALinkOnlyWhenNoneRunsAndClosingKeepsIt()
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

QTEST_MAIN(EditAndLinkViewTest)
#include "EditAndLinkViewTest.moc"
