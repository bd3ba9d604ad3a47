#include "ServiceFixture.h"
#include "StateFixture.h"
#include "model/Formatters.h"
#include "state/TimelineStore.h"
#include "windows/DetailHeader.h"
#include "windows/DetailTimelineList.h"
#include "windows/DetailView.h"
#include "windows/DetailWindowController.h"
#include "windows/EventRow.h"
#include "windows/SegmentedControl.h"
#include "windows/TimelineView.h"
#include "windows/TimelineWindowController.h"
#include "windows/WebSessionBridge.h"
#include "windows/WebTabView.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QToolButton>
#include <QtTest>

using namespace virel;
using namespace std::chrono_literals;
using fake::Fault;
using Kind = TimelineEvent::Kind;

namespace {

QStringList labelTexts(const QWidget* widget)
{
    QStringList texts;
    std::ranges::transform(widget->findChildren<QLabel*>(), std::back_inserter(texts),
                           [](const QLabel* label) { return label->text(); });
    return texts;
}

QList<TimelineEvent> shownEvents(const TimelineView& view)
{
    QList<TimelineEvent> events;
    std::ranges::transform(view.rows(), std::back_inserter(events),
                           [](const EventRow* row) { return row->event(); });
    return events;
}

} // namespace

class DetailWindowTest : public QObject
{
    Q_OBJECT

public slots:
    // Takes the place of the default browser.
    void open(const QUrl& url) { m_opened.append(url); }

private slots:
    void initTestCase()
    {
        // Offscreen, the web helper cannot be embedded: the web tab falls back to the page address.
        qputenv("VIREL_SERVICE_ORIGIN", m_service.host.origin().toString().toUtf8());
        for (const char* scheme : {"http", "https"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
        }
    }

    void init()
    {
        m_opened.clear();
        m_controller = std::make_unique<DetailWindowController>(*m_fx.state, *m_service.account, *m_fx.yahoo);
    }

    void cleanup()
    {
        m_fx.server.faults().clearAll();
        if (DetailView* view = m_controller->view()) {
            QTRY_VERIFY(!view->loading());
        }
        m_controller.reset();
    }

    void tabsAndPickerFollowTheSymbol()
    {
        m_controller->show({u"005930.KS"_qs, u"ignored"_qs});
        checkTabs(true);
        // Not in the list: an extra entry, titled by its symbol.
        QComboBox* picker = view()->header()->picker();
        QCOMPARE(picker->currentText(), u"005930.KS (005930.KS)"_qs);
        QCOMPARE(picker->count(), m_fx.state->items().size() + 1);
        SegmentedControl* segments = view()->tabPicker();
        QTest::mouseClick(segments, Qt::LeftButton, {}, segments->segmentRect(1).center());
        QCOMPARE(content()->currentWidget(), view()->timeline());
        QTest::mouseClick(segments, Qt::LeftButton, {}, segments->segmentRect(0).center());
        checkTabs(true);
        // To a listed index without a page: the timeline alone, titled by the list, the extra entry gone.
        picker->setFocus();
        QTest::keyClick(picker, Qt::Key_Home);
        QCOMPARE(view()->symbol(), u"^KS11"_qs);
        QCOMPARE(picker->currentText(), u"KOSPI (^KS11)"_qs);
        checkTabs(false);
        QCOMPARE(picker->count(), m_fx.state->items().size());
    }

    void unknownSymbolHasNoEventsOnceTheAnswersAreIn()
    {
        const QString noEvents = u"표시할 이벤트가 없습니다"_qs;
        m_controller->show({u"ZZZZ"_qs, u"ZZZZ"_qs});
        QVERIFY(!labelTexts(view()->timeline()).contains(noEvents));
        QTRY_VERIFY(labelTexts(view()->timeline()).contains(noEvents));
    }

    // The detail window's rows in Korean; the timeline window's never with seconds.
    void rowDates()
    {
        const QDateTime time(QDate(2024, 5, 1), QTime(15, 5, 42));
        const QLocale korean(QLocale::Korean, QLocale::SouthKorea);
        QCOMPARE(DetailTimelineList::eventDate(time, korean), u"2024년 5월 1일"_qs);
        QCOMPARE(DetailTimelineList::newsTime(time, korean), u"5월 1일 오후 3:05"_qs);
        QCOMPARE(EventRow::dateText(time, QLocale::c()), u"May 1, 15:05"_qs);
    }

    void symbolChangeCancelsTheRunningLoad()
    {
        // NVDA's history (with its split) arrives while 005930.KS's is on its way: it must not land.
        m_fx.server.faults().add(fake::FakeServer::chartPath + u"NVDA"_qs, Fault::delayed(100ms));
        m_fx.server.faults().add(fake::FakeServer::chartPath + u"005930.KS"_qs, Fault::delayed(400ms));
        m_controller->show({u"NVDA"_qs, u"NVDA"_qs});
        QSignalSpy loading(view(), &DetailView::loadingChanged);
        view()->setSymbol(u"005930.KS"_qs);
        QTRY_VERIFY(!view()->loading());
        QCOMPARE(loading.count(), 1); // never finished early by the old load
        const QString texts = labelTexts(view()->timeline()).join(u'|');
        QVERIFY2(texts.contains(u"배당 · 주당 361.0"_qs) && !texts.contains(u"액면분할"_qs),
                 qPrintable(texts));
        QVERIFY2(!texts.contains(u"nvidia"_qs, Qt::CaseInsensitive), qPrintable(texts));
    }

    void headerShowsTheQuoteThenStaleAndNoPriceWithoutQuote()
    {
        QTRY_VERIFY(m_fx.state->quoteService().quotes().contains(u"^KS11"_qs));
        const Quote quote = m_fx.state->quoteService().quotes().value(u"^KS11"_qs);
        m_controller->show({u"^KS11"_qs, u"KOSPI"_qs});
        const QStringList texts = labelTexts(view()->header());
        for (const QString& text : {u"Live"_qs, u"KRW"_qs, formatPrice(quote), formatChange(quote)}) {
            QVERIFY2(texts.contains(text), qPrintable(text + u" in " + texts.join(u'|')));
        }
        test::FakeClock later(quote.receivedAt.addSecs(121));
        DetailView stale(*m_fx.state, *m_service.account, *m_fx.yahoo, u"^KS11"_qs, later);
        QVERIFY(labelTexts(stale.header()).contains(u"Stale"_qs));
        DetailView unquoted(*m_fx.state, *m_service.account, *m_fx.yahoo, u"TSLA"_qs);
        const auto labels = unquoted.header()->findChildren<QLabel*>();
        QVERIFY(
            std::ranges::none_of(labels, [&](const QLabel* label) { return label->isVisibleTo(&unquoted); }));
        QTRY_VERIFY(!stale.loading() && !unquoted.loading());
    }

    void newsRowAndWebTabWithoutEmbeddingOpenTheBrowser()
    {
        m_controller->show({u"NVDA"_qs, u"NVDA"_qs});
        QTRY_VERIFY(!view()->loading());
        QTest::mouseClick(view()->timeline()->findChildren<QAbstractButton*>().first(), Qt::LeftButton);
        const QUrl article = *view()->news().first().url;
        const QUrl page = WebSessionBridge::pageUrl(m_service.host.origin(), u"/symbol/NVDA"_qs);
        WebTabView* tab = view()->webTab();
        QTRY_COMPARE(tab->resolved(), page);
        QVERIFY(labelTexts(tab).contains(page.toDisplayString()));
        QTest::mouseClick(tab->findChild<QPushButton*>(), Qt::LeftButton);
        QTest::mouseClick(view()->header()->browserButton(), Qt::LeftButton);
        QCOMPARE(m_opened, (QList<QUrl>{article, page, page}));
        QVERIFY(!WebSessionBridge::attempted()); // signed out: no session is asked for
    }

    void timelineWindow_progressThenRowsFiltersAndRefresh()
    {
        test::StateFixture fixture;
        fixture.state->setMode(DisplayMode::watchlist);
        TimelineStore store(*fixture.state, *fixture.yahoo);
        TimelineWindowController controller(*fixture.state, store);
        controller.show(); // every show refreshes
        TimelineView& view = *controller.view();
        QVERIFY(view.progressShown() && !view.emptyTextShown());
        QTRY_VERIFY_WITH_TIMEOUT(!store.loading(), 10000);
        QVERIFY(!view.progressShown() && !view.emptyTextShown());
        QVERIFY(view.footerText().startsWith(u"업데이트 "_qs));
        const QList<TimelineEvent> all = store.events();
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

        // Closed and shown again: the same window keeps its filter and refreshes.
        view.close();
        controller.show();
        QCOMPARE(controller.view(), &view);
        QCOMPARE(view.filter(), std::optional(TimelineKinds::all().constLast()));
        QVERIFY(store.loading());
        QTRY_VERIFY_WITH_TIMEOUT(!store.loading(), 10000);
        QTest::mouseClick(view.refreshButton(), Qt::LeftButton);
        QVERIFY(view.progressShown() && view.refreshButton()->isHidden());
        QTRY_VERIFY_WITH_TIMEOUT(!store.loading(), 10000);
    }

    void timelineRowClick_data()
    {
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<bool>("listed");
        QTest::addColumn<QString>("opened"); // "detail", the address, or nothing
        const QUrl https(u"https://news.example.com/a"_qs);
        QTest::newRow("move of a listed symbol: its detail") << Kind::move << QUrl() << true << u"detail"_qs;
        QTest::newRow("move of a removed symbol opens nothing") << Kind::move << QUrl() << false << QString();
        QTest::newRow("https article") << Kind::news << https << true << https.toString();
        QTest::newRow("javascript") << Kind::news << QUrl(u"javascript:alert(1)"_qs) << true << QString();
    }
    void timelineRowClick()
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
        const std::optional<QUrl> link = url.isEmpty() ? std::nullopt : std::optional(url);
        const QDateTime at = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
        EventRow row({u"id"_qs, at, u"NVDA"_qs, u"NVIDIA"_qs, kind, TimelineEvent::Importance::high,
                      u"title"_qs, link},
                     *fixture.state);
        QTest::mouseClick(&row, Qt::LeftButton);
        std::ranges::transform(m_opened, std::back_inserter(opened),
                               [](const QUrl& address) { return address.toString(); });
        QTEST(opened.join(u' '), "opened");
    }

    // Runs last: the session is asked for once per process.
    void signedInTheFirstWebTabAsksForASessionOnce()
    {
        m_service.restoreSignedIn();
        m_controller->show({u"NVDA"_qs, u"NVDA"_qs});
        QTRY_VERIFY(view()->webTab()->resolved());
        QVERIFY(view()->webTab()->resolved()->path().startsWith(u"/session/"));
        m_controller->show({u"005930.KS"_qs, u"삼성전자"_qs});
        QTRY_COMPARE(view()->webTab()->resolved(), view()->webURL());
        QCOMPARE(m_service.host.service.requestsTo(u"/api/mac/web-session"_qs).size(), 1);
    }

private:
    DetailView* view() const { return m_controller->view(); }
    QStackedWidget* content() const { return view()->findChild<QStackedWidget*>(); }

    void checkTabs(bool web)
    {
        QCOMPARE(view()->tab(), web ? DetailTab::web : DetailTab::timeline);
        QCOMPARE(view()->tabPicker()->isVisibleTo(view()), web);
        QCOMPARE(view()->header()->browserButton()->isVisibleTo(view()), web);
        QCOMPARE(content()->currentWidget(),
                 web ? view()->webTab() : static_cast<QWidget*>(view()->timeline()));
    }

    test::StateFixture m_fx;
    test::ServiceFixture m_service{ServiceTimeouts{1s, 3s}};
    std::unique_ptr<DetailWindowController> m_controller;
    QList<QUrl> m_opened;
};

QTEST_MAIN(DetailWindowTest)
#include "DetailWindowTest.moc"
