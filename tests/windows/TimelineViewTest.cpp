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

public slots:
    // Takes the place of the default browser.
    void open(const QUrl& url) { m_opened.append(url); }

private:
    QList<QUrl> m_opened;

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

private slots:
    void initTestCase()
    {
        for (const char* scheme : {"http", "https"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
        }
    }

    void emptyThenProgressThenRowsAndFilters()
    {
        Timeline timeline;
        TimelineWindowController controller(*timeline.fixture.state, *timeline.store);
        controller.show(); // every show refreshes
        TimelineView& view = *controller.view();
        QVERIFY(view.progressShown() && !view.emptyTextShown());
        QTRY_VERIFY_WITH_TIMEOUT(!timeline.store->loading(), 10000);
        QVERIFY(!view.progressShown() && !view.emptyTextShown());
        QVERIFY(view.footerText().startsWith(u"업데이트 "_qs));
        const QList<TimelineEvent> all = timeline.store->events();
        QCOMPARE(shownEvents(view), all);

        SegmentedControl* picker = view.filterPicker();
        for (int index = 1; index < picker->count(); ++index) {
            const Kind kind = TimelineKinds::all().at(index - 1);
            QTest::mouseClick(picker, Qt::LeftButton, {}, picker->segmentRect(index).center());
            QList<TimelineEvent> expected;
            std::ranges::copy_if(all, std::back_inserter(expected),
                                 [&](const auto& e) { return e.kind == kind; });
            QCOMPARE(shownEvents(view), expected);
            QCOMPARE(view.emptyTextShown(), expected.isEmpty());
        }
        QVERIFY(std::ranges::any_of(all, [](const auto& e) { return e.kind == Kind::news; }));
        QVERIFY(std::ranges::any_of(all, [](const auto& e) { return e.kind == Kind::dividend; }));

        // Closed and shown again: the same window keeps its filter and refreshes.
        view.close();
        controller.show();
        QCOMPARE(controller.view(), &view);
        QCOMPARE(view.filter(), std::optional(TimelineKinds::all().constLast()));
        QVERIFY(timeline.store->loading());
        QTRY_VERIFY_WITH_TIMEOUT(!timeline.store->loading(), 10000);
        QTest::mouseClick(view.refreshButton(), Qt::LeftButton);
        QVERIFY(view.progressShown() && view.refreshButton()->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(!timeline.store->loading(), 10000);
    }

    void click_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QString>("opened"); // "detail", the address, or nothing
        const QUrl https(u"https://news.example.com/a"_qs);
        QTest::newRow("move of a listed symbol opens its detail")
            << Kind::move << QUrl() << true << u"detail"_qs;
        QTest::newRow("move of a removed symbol opens nothing") << Kind::move << QUrl() << false << QString();
        QTest::newRow("https article") << Kind::news << https << true << https.toString();
        QTest::newRow("javascript address")
            << Kind::news << QUrl(u"javascript:alert(1)"_qs) << true << QString();
    }
    void click()
    {
        QFETCH(Kind, kind);
        QFETCH(QUrl, url);
        QFETCH(bool, listed);
        test::StateFixture fixture;
        fixture.state->setMode(DisplayMode::watchlist);
        QStringList opened;
        fixture.state->openDetail = [&](const WatchItem&) { opened.append(u"detail"_qs); };
        if (!listed) {
            fixture.state->removeSymbol(u"NVDA"_qs);
        }
        m_opened.clear();
        const std::optional<QUrl> link = url.isEmpty() ? std::nullopt : std::optional(url);
        const QDateTime at = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
        EventRow row({u"id"_qs, at, u"NVDA"_qs, u"NVIDIA"_qs, kind, Importance::high, u"title"_qs, link},
                     *fixture.state);
        QTest::mouseClick(&row, Qt::LeftButton);
        for (const QUrl& address : m_opened) {
            opened.append(address.toString());
        }
        QTEST(opened.join(u' '), "opened");
    }

    void rowDateNeverHasSeconds()
    {
        const QDateTime date(QDate(2024, 5, 3), QTime(15, 5), Qt::LocalTime);
        QCOMPARE(EventRow::dateText(date, QLocale::c()), u"May 3, 15:05"_qs);
    }
};

QTEST_MAIN(TimelineViewTest)
#include "TimelineViewTest.moc"
