#include "windows/TimelineView.h"
#include "StateFixture.h"
#include "state/TimelineStore.h"
#include "windows/EventRow.h"
#include "windows/SegmentedControl.h"
#include "windows/TimelineWindowController.h"

#include <QDesktopServices>
#include <QToolButton>
#include <QtTest>

using namespace virel;
using Kind = TimelineEvent::Kind;
using Importance = TimelineEvent::Importance;

namespace {

// Takes the place of the browser.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    UrlRecorder()
    {
        QDesktopServices::setUrlHandler(u"http"_qs, this, "open");
        QDesktopServices::setUrlHandler(u"https"_qs, this, "open");
    }
    ~UrlRecorder() override
    {
        QDesktopServices::unsetUrlHandler(u"http"_qs);
        QDesktopServices::unsetUrlHandler(u"https"_qs);
    }

    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

TimelineEvent makeEvent(Kind kind, const QString& symbol, std::optional<QUrl> url = std::nullopt)
{
    return {u"id-"_qs + symbol,
            QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC),
            symbol,
            symbol + u" name"_qs,
            kind,
            Importance::high,
            symbol + u" title"_qs,
            std::move(url)};
}

QList<TimelineEvent> shownEvents(const TimelineView& view)
{
    QList<TimelineEvent> events;
    for (const EventRow* row : view.rows()) {
        events.append(row->event());
    }
    return events;
}

} // namespace

class TimelineViewTest : public QObject
{
    Q_OBJECT

private slots:
    void showsEmptyTextThenProgressThenRows();
    void filterKeepsTheStoreOrder();
    void clickOpensDetailOnlyWhileListed();
    void clickOpensOnlyWebArticles_data();
    void clickOpensOnlyWebArticles();
    void rowTexts();
    void everyShowRefreshesOneWindow();

private:
    struct Timeline
    {
        Timeline()
        {
            fixture.state->setMode(DisplayMode::watchlist);
            store = std::make_unique<TimelineStore>(*fixture.state, *fixture.yahoo);
        }
        test::StateFixture fixture;
        std::unique_ptr<TimelineStore> store;
    };
};

void TimelineViewTest::showsEmptyTextThenProgressThenRows()
{
    Timeline timeline;
    TimelineView view(*timeline.fixture.state, *timeline.store);
    QVERIFY(view.emptyTextShown());
    QVERIFY(!view.progressShown());
    QVERIFY(view.footerText().isEmpty());

    QTest::mouseClick(view.refreshButton(), Qt::LeftButton);
    QVERIFY(timeline.store->loading());
    QVERIFY(view.progressShown());
    QVERIFY(view.refreshButton()->isHidden());
    QVERIFY(!view.emptyTextShown());
    QTRY_VERIFY_WITH_TIMEOUT(!timeline.store->loading(), 10000);
    QVERIFY(!view.progressShown());
    QVERIFY(!view.emptyTextShown());
    QCOMPARE(view.rows().size(), timeline.store->events().size());
    QVERIFY(view.footerText().startsWith(u"업데이트 "_qs));
}

void TimelineViewTest::filterKeepsTheStoreOrder()
{
    Timeline timeline;
    TimelineView view(*timeline.fixture.state, *timeline.store);
    view.resize(560, 620);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCoro::waitFor(timeline.store->refresh());
    const QList<TimelineEvent>& all = timeline.store->events();
    QVERIFY(std::ranges::any_of(all, [](const TimelineEvent& e) { return e.kind == Kind::news; }));
    QVERIFY(std::ranges::any_of(all, [](const TimelineEvent& e) { return e.kind == Kind::dividend; }));
    QCOMPARE(shownEvents(view), all);

    SegmentedControl* picker = view.filterPicker();
    QCOMPARE(picker->count(), 5);
    for (int index = 1; index < picker->count(); ++index) {
        const Kind kind = TimelineKinds::all().at(index - 1);
        QTest::mouseClick(picker, Qt::LeftButton, {}, picker->segmentRect(index).center());
        QCOMPARE(view.filter(), std::optional(kind));
        QList<TimelineEvent> expected;
        std::ranges::copy_if(all, std::back_inserter(expected),
                             [&](const TimelineEvent& e) { return e.kind == kind; });
        QCOMPARE(shownEvents(view), expected);
        QCOMPARE(view.emptyTextShown(), expected.isEmpty());
    }
    QTest::mouseClick(picker, Qt::LeftButton, {}, picker->segmentRect(0).center());
    QCOMPARE(view.filter(), std::nullopt);
    QCOMPARE(shownEvents(view), all);
}

void TimelineViewTest::clickOpensDetailOnlyWhileListed()
{
    test::StateFixture fixture;
    fixture.state->setMode(DisplayMode::watchlist);
    QList<WatchItem> opened;
    fixture.state->openDetail = [&](const WatchItem& item) { opened.append(item); };
    UrlRecorder browser;
    EventRow row(makeEvent(Kind::move, u"NVDA"_qs), *fixture.state);
    QTest::mouseClick(&row, Qt::LeftButton);
    QCOMPARE(opened, (QList<WatchItem>{{u"NVDA"_qs, u"NVDA"_qs}}));

    fixture.state->removeSymbol(u"NVDA"_qs);
    QTest::mouseClick(&row, Qt::LeftButton);
    QCOMPARE(opened.size(), 1);

    EventRow dividend(makeEvent(Kind::dividend, u"005930.KS"_qs), *fixture.state);
    fixture.state->openDetail = nullptr;
    QTest::mouseClick(&dividend, Qt::LeftButton);
    QVERIFY(browser.opened.isEmpty());
}

void TimelineViewTest::clickOpensOnlyWebArticles_data()
{
    QTest::addColumn<QUrl>("url");
    QTest::addColumn<bool>("opens");
    QTest::newRow("https") << QUrl(u"https://news.example.com/a"_qs) << true;
    QTest::newRow("http") << QUrl(u"http://news.example.com/a"_qs) << true;
    QTest::newRow("file") << QUrl(u"file:///etc/passwd"_qs) << false;
    QTest::newRow("javascript") << QUrl(u"javascript:alert(1)"_qs) << false;
}

void TimelineViewTest::clickOpensOnlyWebArticles()
{
    QFETCH(QUrl, url);
    QFETCH(bool, opens);
    test::StateFixture fixture;
    fixture.state->setMode(DisplayMode::watchlist);
    int details = 0;
    fixture.state->openDetail = [&](const WatchItem&) { ++details; };
    UrlRecorder browser;
    EventRow row(makeEvent(Kind::news, u"NVDA"_qs, url), *fixture.state);
    QTest::mouseClick(&row, Qt::LeftButton);
    QCOMPARE(browser.opened, opens ? QList<QUrl>{url} : QList<QUrl>{});
    // An article row never opens the detail window, even when it opens nothing.
    QCOMPARE(details, 0);
}

void TimelineViewTest::rowTexts()
{
    QCOMPARE(EventRow::badgeText(Importance::critical), u"Critical"_qs);
    QCOMPARE(EventRow::badgeText(Importance::low), u"Low"_qs);
    const QDateTime date(QDate(2024, 5, 3), QTime(15, 5), Qt::LocalTime);
    QCOMPARE(EventRow::dateText(date, QLocale(QLocale::Korean, QLocale::SouthKorea)),
             u"5월 3일 오후 3:05"_qs);
    // Newer locale data puts a narrow no-break space before the marker.
    QCOMPARE(EventRow::dateText(date, QLocale(QLocale::English, QLocale::UnitedStates))
                 .replace(QChar(0x202f), u' '),
             u"May 3, 3:05 PM"_qs);
    // Never seconds, even where the short format has them.
    QCOMPARE(EventRow::dateText(date, QLocale::c()), u"May 3, 15:05"_qs);

    test::StateFixture fixture;
    TimelineEvent dividend = makeEvent(Kind::dividend, u"005930.KS"_qs);
    dividend.symbolName = u"삼성전자"_qs;
    dividend.date = date;
    EventRow row(dividend, *fixture.state);
    QVERIFY(row.detailText().startsWith(u"삼성전자 · 배당 · "_qs));
}

void TimelineViewTest::everyShowRefreshesOneWindow()
{
    Timeline timeline;
    TimelineWindowController controller(*timeline.fixture.state, *timeline.store);
    QVERIFY(!controller.view());
    controller.show();
    QPointer<TimelineView> view = controller.view();
    QVERIFY(view);
    QCOMPARE(view->windowTitle(), u"virel — 이벤트 타임라인"_qs);
    QCOMPARE(view->size(), QSize(560, 620));
    QVERIFY(timeline.store->loading());
    QTRY_VERIFY_WITH_TIMEOUT(!timeline.store->loading(), 10000);
    const QDateTime first = timeline.store->refreshedAt();
    QVERIFY(first.isValid());

    view->setFilter(Kind::news);
    view->close();
    QVERIFY(view);
    QVERIFY(view->isHidden());
    controller.show();
    QCOMPARE(controller.view(), view.data());
    QVERIFY(view->isVisible());
    QCOMPARE(view->filter(), std::optional(Kind::news));
    QVERIFY(timeline.store->loading());
    QTRY_VERIFY_WITH_TIMEOUT(!timeline.store->loading(), 10000);
}

QTEST_MAIN(TimelineViewTest)
#include "TimelineViewTest.moc"
