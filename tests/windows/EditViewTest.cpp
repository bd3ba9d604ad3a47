#include "windows/EditView.h"
#include "StateFixture.h"
#include "market/SearchService.h"
#include "windows/EditRows.h"
#include "windows/EditWindowController.h"
#include "windows/SegmentedControl.h"
#include "windows/WatchListArea.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <memory>
#include <qcoro/qcorosignal.h>

using namespace virel;
using namespace std::chrono_literals;

namespace {

// Lets a test decide when a scripted search answers.
class Gate : public QObject
{
    Q_OBJECT

signals:
    void opened();
};

// A search that answers with one hit named after the query, recording every call. With `gated`, each
// call waits until the test opens its gate.
struct ScriptedSearch
{
    QStringList queries;
    bool gated = false;
    QList<std::shared_ptr<Gate>> gates;

    EditView::SearchFunction function()
    {
        return [this](QString query) -> QCoro::Task<QList<SearchResult>> {
            queries.append(query);
            if (gated) {
                auto gate = std::make_shared<Gate>();
                gates.append(gate);
                co_await qCoro(gate.get(), &Gate::opened);
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
    for (const WatchItem& item : items) {
        result.append(item.symbol);
    }
    return result;
}

// An edit view over a fresh state, searching through a script.
struct Editor
{
    explicit Editor(std::optional<std::chrono::milliseconds> searchDelay = 10ms)
    {
        if (searchDelay) {
            view.setSearchDelay(*searchDelay);
        }
    }

    test::StateFixture fixture;
    ScriptedSearch search;
    EditView view{*fixture.state, search.function()};
};

} // namespace

class EditViewTest : public QObject
{
    Q_OBJECT

private slots:
    void searchesOnceAfterTheLastKeystroke()
    {
        Editor editor(std::nullopt);
        auto& [fixture, search, view] = editor;
        type(view.searchField(), u"삼"_qs);
        QTest::qWait(150);
        type(view.searchField(), u"성"_qs);
        QElapsedTimer sinceLastKey;
        sinceLastKey.start();
        QVERIFY(search.queries.isEmpty());
        QTRY_COMPARE_WITH_TIMEOUT(search.queries.size(), 1, 2000);
        QVERIFY2(sinceLastKey.elapsed() >= 290, qPrintable(QString::number(sinceLastKey.elapsed())));
        QCOMPARE(search.queries.first(), u"삼성"_qs);
        QTRY_COMPARE(view.results().size(), 1);
        QVERIFY(!view.searching());
        QCOMPARE(view.searchRows().size(), 1);
        QTest::qWait(150);
        QCOMPARE(search.queries.size(), 1);
    }

    void blankQuerySendsNothing()
    {
        Editor editor(20ms);
        auto& [fixture, search, view] = editor;
        type(view.searchField(), u" \t "_qs);
        QVERIFY(!view.resultSectionShown());
        QTest::qWait(100);
        QVERIFY(search.queries.isEmpty());
        QVERIFY(!view.resultSectionShown());
    }

    void clearingTheFieldHidesResultsAtOnce()
    {
        Editor editor;
        auto& [fixture, search, view] = editor;
        type(view.searchField(), u"nv"_qs);
        QTRY_COMPARE(view.results().size(), 1);
        QVERIFY(view.resultSectionShown());
        view.searchField()->clear();
        QVERIFY(!view.resultSectionShown());
        QVERIFY(view.results().isEmpty());
        QVERIFY(!view.searching());
    }

    void supersededSearchNeverWritesResults()
    {
        Editor editor;
        auto& [fixture, search, view] = editor;
        search.gated = true;
        type(view.searchField(), u"a"_qs);
        QTRY_COMPARE(search.queries.size(), 1);
        QVERIFY(view.searching());
        type(view.searchField(), u"b"_qs);
        QTRY_COMPARE(search.queries.size(), 2);
        // The first answer arrives while the second search runs: it must not show.
        emit search.gates.at(0)->opened();
        QTest::qWait(20);
        QVERIFY(view.results().isEmpty());
        QVERIFY(view.searching());
        emit search.gates.at(1)->opened();
        QTRY_COMPARE(view.results().size(), 1);
        QCOMPARE(view.results().first().symbol, u"AB"_qs);
        QVERIFY(!view.searching());
        QCOMPARE(search.queries, (QStringList{u"a"_qs, u"ab"_qs}));

        // A search cancelled by clearing the field leaves no results behind either.
        type(view.searchField(), u"c"_qs);
        QTRY_COMPARE(search.queries.size(), 3);
        view.searchField()->clear();
        emit search.gates.at(2)->opened();
        QTest::qWait(20);
        QVERIFY(view.results().isEmpty());
        QVERIFY(!view.searching());
    }

    void searchesTheFakeMarket()
    {
        test::StateFixture fixture;
        YahooClient& yahoo = *fixture.yahoo;
        EditView view(*fixture.state,
                      [&yahoo](QString query) { return SearchService::search(yahoo, query); });
        view.setSearchDelay(20ms);
        fixture.server.clearRequests();
        type(view.searchField(), u"삼성전자"_qs);
        QTRY_VERIFY(!view.results().isEmpty());
        QCOMPARE(fixture.server.requestCount(fake::FakeServer::searchPath), 1);
        QCOMPARE(view.results().first().symbol, u"005930.KS"_qs);
        QCOMPARE(view.results().first().name, u"삼성전자"_qs);

        fixture.server.faults().add(fake::FakeServer::searchPath, fake::Fault::withStatus(500));
        type(view.searchField(), u"x"_qs);
        QTRY_COMPARE(fixture.server.requestCount(fake::FakeServer::searchPath), 2);
        QTRY_VERIFY(!view.searching());
        QVERIFY(view.results().isEmpty());
        QCOMPARE(view.resultSectionText(), u"검색 결과가 없습니다"_qs);
    }

    void addReportsOnlyInWatchlistMode_data()
    {
        QTest::addColumn<DisplayMode>("mode");
        QTest::addColumn<int>("reported");
        QTest::newRow("market") << DisplayMode::market << 0;
        QTest::newRow("watchlist") << DisplayMode::watchlist << 1;
    }

    void addReportsOnlyInWatchlistMode()
    {
        QFETCH(DisplayMode, mode);
        QFETCH(int, reported);
        Editor editor;
        auto& [fixture, search, view] = editor;
        fixture.state->setMode(mode);
        type(view.searchField(), u"aapl"_qs);
        QTRY_COMPARE(view.searchRows().size(), 1);
        SearchRow* row = view.searchRows().first();
        QCOMPARE(row->addButton()->text(), u"추가"_qs);
        QTest::mouseClick(row->addButton(), Qt::LeftButton);

        QCOMPARE(fixture.state->items().constLast(), (WatchItem{u"AAPL"_qs, u"aapl Inc."_qs}));
        QCOMPARE(fixture.state->storedItems(mode).constLast().symbol, u"AAPL"_qs);
        QCOMPARE(fixture.edits.size(), reported);
        if (reported > 0) {
            QCOMPARE(fixture.edits.first(), WatchlistChange(WatchlistAdd{u"AAPL"_qs, u"aapl Inc."_qs}));
        }
        QCOMPARE(row->addButton()->text(), u"추가됨"_qs);
        QVERIFY(!row->addButton()->isEnabled());
        QVERIFY(view.listHeaderText().contains(QStringLiteral("(%1)").arg(fixture.state->items().size())));
    }

    void returnInTheSearchFieldAddsTheFirstResult()
    {
        Editor editor;
        auto& [fixture, search, view] = editor;
        QSignalSpy done(&view, &EditView::done);
        type(view.searchField(), u"tsla"_qs);
        QTRY_COMPARE(view.searchRows().size(), 1);
        QTest::keyClick(view.searchField(), Qt::Key_Return);
        QCOMPARE(fixture.state->items().constLast().symbol, u"TSLA"_qs);
        QCOMPARE(done.size(), 0);

        // With an empty field Return is the "완료" button's.
        view.searchField()->clear();
        QTest::keyClick(view.searchField(), Qt::Key_Return);
        QCOMPARE(done.size(), 1);
    }

    void movedEntry_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("expected");
        QTest::newRow("third to top") << 2 << 0 << u"CAB"_qs;
        QTest::newRow("first to end") << 0 << 3 << u"BCA"_qs;
        QTest::newRow("first after second") << 0 << 2 << u"BAC"_qs;
        QTest::newRow("onto itself") << 1 << 1 << u"ABC"_qs;
        QTest::newRow("just after itself") << 1 << 2 << u"ABC"_qs;
        QTest::newRow("out of range") << 3 << 0 << u"ABC"_qs;
    }

    void movedEntry()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, expected);
        const QList<WatchItem> items{{u"A"_qs, u"A"_qs}, {u"B"_qs, u"B"_qs}, {u"C"_qs, u"C"_qs}};
        QCOMPARE(symbols(virel::movedEntry(items, from, to)).join(QString()), expected);
    }

    void draggingTheThirdEntryToTheTopStoresIt()
    {
        Editor editor;
        auto& [fixture, search, view] = editor;
        fixture.state->setMode(DisplayMode::watchlist);
        fixture.state->rotate();
        QCOMPARE(fixture.state->rotationIndex(), 1);
        view.resize(440, 580);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        WatchListArea* list = view.list();
        QCOMPARE(list->count(), 3);

        const QRect third = list->row(2)->geometry();
        const QRect first = list->row(0)->geometry();
        QTest::mousePress(list, Qt::LeftButton, {}, QPoint(20, third.center().y()));
        QTest::mouseMove(list, QPoint(20, third.center().y() - 10));
        QTest::mouseMove(list, QPoint(20, first.top() + 3));
        QTest::mouseRelease(list, Qt::LeftButton, {}, QPoint(20, first.top() + 3));

        const QStringList expected{u"000660.KS"_qs, u"NVDA"_qs, u"005930.KS"_qs};
        QCOMPARE(symbols(fixture.state->storedItems(DisplayMode::watchlist)), expected);
        QCOMPARE(symbols(fixture.state->items()), expected);
        QCOMPARE(fixture.state->rotationIndex(), 0);
        QVERIFY(fixture.edits.isEmpty());
        QCOMPARE(list->row(0)->item().symbol, u"000660.KS"_qs);

        // A press and release without moving is a click: it selects and moves nothing.
        QTRY_VERIFY(list->row(1)->geometry().top() > list->row(0)->geometry().top());
        QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(20, list->row(1)->geometry().center().y()));
        QCOMPARE(symbols(fixture.state->items()), expected);
        QCOMPARE(list->selectedIndex(), 1);
    }

    void keyboardMovesAndRemoves()
    {
        Editor editor;
        auto& [fixture, search, view] = editor;
        fixture.state->setMode(DisplayMode::watchlist);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy done(&view, &EditView::done);

        QTest::keyClick(view.searchField(), Qt::Key_Down);
        QCOMPARE(view.list()->selectedIndex(), 0);
        QTest::keyClick(view.list(), Qt::Key_Down);
        QTest::keyClick(view.list(), Qt::Key_Down);
        QTest::keyClick(view.list(), Qt::Key_Down);
        QCOMPARE(view.list()->selectedIndex(), 2);
        QTest::keyClick(view.list(), Qt::Key_Up);
        QCOMPARE(view.list()->selectedIndex(), 1);
        QTest::keyClick(view.list(), Qt::Key_Delete);
        QCOMPARE(symbols(fixture.state->items()), (QStringList{u"NVDA"_qs, u"000660.KS"_qs}));
        QCOMPARE(fixture.edits, (QList<WatchlistChange>{WatchlistRemove{u"005930.KS"_qs}}));
        // The entry that moved into the removed one's place is chosen next.
        QCOMPARE(view.list()->selectedIndex(), 1);
        QTest::keyClick(view.list(), Qt::Key_Return);
        QCOMPARE(done.size(), 1);
    }

    void trashButtonRemoves()
    {
        Editor editor;
        auto& [fixture, search, view] = editor;
        WatchRow* row = view.list()->row(0);
        const QString symbol = row->item().symbol;
        QTest::mouseClick(row->removeButton(), Qt::LeftButton);
        QVERIFY(std::ranges::none_of(fixture.state->items(),
                                     [&](const WatchItem& item) { return item.symbol == symbol; }));
        QCOMPARE(view.list()->count(), fixture.state->items().size());
        QCOMPARE(view.listHeaderText(), u"노치에 표시 중 (9) — 드래그로 순서 변경"_qs);
    }

    void footerFollowsThePicker()
    {
        Editor editor;
        auto& [fixture, search, view] = editor;
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QCOMPARE(view.footerText(), u"Market Mode 구성은 이 컴퓨터에만 저장됩니다"_qs);
        QCOMPARE(view.list()->count(), 10);
        SegmentedControl* picker = view.modePicker();
        QTest::mouseClick(picker, Qt::LeftButton, {}, picker->segmentRect(1).center());
        QCOMPARE(fixture.state->mode(), DisplayMode::watchlist);
        QCOMPARE(view.footerText(), u"로그인 전까지 변경은 이 컴퓨터에만 저장됩니다"_qs);
        view.setSignedIn(true);
        QCOMPARE(view.footerText(), u"변경은 Virel 계정에 동기화됩니다"_qs);
        QCOMPARE(view.list()->count(), 3);

        // A mode switch made elsewhere shows in the open window.
        fixture.state->setMode(DisplayMode::market);
        QCOMPARE(picker->currentIndex(), 0);
        QCOMPARE(view.footerText(), u"Market Mode 구성은 이 컴퓨터에만 저장됩니다"_qs);
    }

    void closingForgetsTheSearch()
    {
        test::StateFixture fixture;
        EditWindowController controller(*fixture.state, *fixture.yahoo);
        controller.show();
        QPointer<EditView> first = controller.view();
        QVERIFY(first);
        controller.show();
        QCOMPARE(controller.view(), first.data());

        type(first->searchField(), u"삼성"_qs);
        QTest::mouseClick(first->doneButton(), Qt::LeftButton);
        QTRY_VERIFY(!first);
        QVERIFY(!controller.view());
        controller.show();
        QVERIFY(controller.view());
        QVERIFY(controller.view()->query().isEmpty());
        QVERIFY(!controller.view()->resultSectionShown());
        // The search pending at closing never reached the market.
        QTest::qWait(400);
        QCOMPARE(fixture.server.requestCount(fake::FakeServer::searchPath), 0);
    }
};

QTEST_MAIN(EditViewTest)
#include "EditViewTest.moc"
