#include "AwaitTask.h"
#include "MemorySecretStore.h"
#include "StateFixture.h"
#include "account/AccountService.h"
#include "account/VirelAPI.h"
#include "fakemarket/FakeService.h"
#include "model/Formatters.h"
#include "windows/DetailHeader.h"
#include "windows/DetailTimelineList.h"
#include "windows/DetailView.h"
#include "windows/DetailWindowController.h"
#include "windows/SegmentedControl.h"
#include "windows/WebSessionBridge.h"
#include "windows/WebTabView.h"
#include "windows/WebViewHost.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QToolButton>
#include <QtTest>

using namespace virel;
using namespace std::chrono_literals;
using fake::Fault;

namespace {

const QString noEvents = QStringLiteral("표시할 이벤트가 없습니다");

QStringList labelTexts(const QWidget* widget)
{
    QStringList texts;
    for (const QLabel* label : widget->findChildren<QLabel*>()) {
        texts.append(label->text());
    }
    return texts;
}

Fault slow(Fault fault)
{
    fault.delay = std::chrono::milliseconds(300);
    return fault;
}

QString chartPath(const QString& symbol)
{
    return fake::FakeServer::chartPath + symbol;
}

// A chart answer with one split whose ratio is missing.
QByteArray splitWithoutRatio()
{
    return R"({"chart":{"result":[{"meta":{"currency":"USD","symbol":"TSLA"},"timestamp":[],
        "events":{"splits":{"1700000000":{"date":1700000000,"numerator":2,"denominator":1}}},
        "indicators":{"quote":[{}]}}],"error":null}})";
}

} // namespace

// Receives the addresses the application hands to the default browser.
class BrowserStub : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class DetailWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Offscreen, the web helper cannot be embedded: the web tab falls back to the page address.
        qputenv("VIREL_SERVICE_ORIGIN", m_fx.server.origin().toString().toUtf8());
        for (const char* scheme : {"http", "https"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_browser, "open");
        }
        m_api = std::make_unique<VirelAPI>(m_fx.server.origin(), ServiceTimeouts{1s, 3s});
        m_account =
            std::make_unique<AccountService>(*m_api, m_secrets, *m_accountSettings, [](const QUrl&) {});
    }

    void init()
    {
        m_browser.opened.clear();
        m_controller = std::make_unique<DetailWindowController>(*m_fx.state, *m_account, *m_fx.yahoo);
    }

    void cleanup()
    {
        m_fx.server.faults().clearAll();
        m_fx.server.releaseHeld();
        // Loads still running finish before the next test starts.
        if (DetailView* view = m_controller->view()) {
            QTRY_VERIFY(!view->loading());
        }
        m_controller.reset();
    }

    void cleanupTestCase()
    {
        for (const char* scheme : {"http", "https"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    }

    void pickerAddsAnEntryForASymbolOutsideTheList()
    {
        const qsizetype listed = m_fx.state->items().size();
        m_controller->show({u"NVDA"_qs, u"엔비디아"_qs});
        QComboBox* picker = view()->header()->picker();
        QCOMPARE(picker->count(), listed + 1);
        QCOMPARE(picker->itemText(picker->count() - 1), u"NVDA (NVDA)"_qs);
        QCOMPARE(picker->currentText(), u"NVDA (NVDA)"_qs);

        // A listed symbol is titled with the list's name, not the item's.
        m_controller->show({u"^KS11"_qs, u"ignored"_qs});
        picker = view()->header()->picker();
        QCOMPARE(picker->count(), listed);
        QCOMPARE(picker->currentText(), u"KOSPI (^KS11)"_qs);
    }

    void initialTabFollowsTheWebTicker_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("web");
        QTest::newRow("US stock") << u"NVDA"_qs << true;
        QTest::newRow("KOSPI stock") << u"005930.KS"_qs << true;
        QTest::newRow("index") << u"^KS11"_qs << false;
        QTest::newRow("currency") << u"KRW=X"_qs << false;
    }
    void initialTabFollowsTheWebTicker()
    {
        QFETCH(QString, symbol);
        QFETCH(bool, web);
        m_controller->show({symbol, symbol});
        checkTabs(web);
    }

    void switchingToASymbolWithoutPageShowsTheTimeline()
    {
        m_controller->show({u"NVDA"_qs, u"NVDA"_qs});
        checkTabs(true);
        QComboBox* picker = view()->header()->picker();
        QCOMPARE(m_fx.state->items().first().symbol, u"^KS11"_qs);
        picker->setFocus();
        QTest::keyClick(picker, Qt::Key_Home);
        QCOMPARE(view()->symbol(), u"^KS11"_qs);
        checkTabs(false);
        // The listed symbol needs no extra entry any more.
        QCOMPARE(picker->count(), m_fx.state->items().size());
        QCOMPARE(picker->currentText(), u"KOSPI (^KS11)"_qs);
    }

    void segmentsSwitchTheContent()
    {
        m_controller->show({u"NVDA"_qs, u"NVDA"_qs});
        SegmentedControl* segments = view()->tabPicker();
        QTest::mouseClick(segments, Qt::LeftButton, {}, segments->segmentRect(1).center());
        QCOMPARE(view()->tab(), DetailTab::timeline);
        QCOMPARE(content()->currentWidget(), view()->timeline());
        QTest::mouseClick(segments, Qt::LeftButton, {}, segments->segmentRect(0).center());
        QCOMPARE(view()->tab(), DetailTab::web);
        QCOMPARE(content()->currentWidget(), view()->webTab());
    }

    void dividendRowReadsItsDetail()
    {
        m_controller->show({u"005930.KS"_qs, u"삼성전자"_qs});
        QTRY_VERIFY(!view()->loading());
        const QStringList texts = labelTexts(view()->timeline());
        QVERIFY2(texts.contains(u"배당 · 주당 361.0"_qs), qPrintable(texts.join(u" | ")));
        QVERIFY(texts.contains(u"기업 이벤트"_qs));
        QVERIFY(texts.contains(u"뉴스"_qs));
        QVERIFY(!texts.contains(noEvents));
    }

    void splitWithoutRatioReadsTheKindAlone()
    {
        m_fx.server.faults().add(chartPath(u"TSLA"_qs), Fault::withStatus(200, splitWithoutRatio()));
        m_controller->show({u"TSLA"_qs, u"TSLA"_qs});
        QTRY_VERIFY(!view()->loading());
        QCOMPARE(view()->history().events.size(), 1);
        const QStringList texts = labelTexts(view()->timeline());
        QVERIFY2(texts.contains(u"액면분할"_qs), qPrintable(texts.join(u" | ")));
        QVERIFY(std::none_of(texts.cbegin(), texts.cend(),
                             [](const QString& text) { return text.startsWith(u"액면분할 ·"); }));
    }

    void rowDatesFollowTheLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("eventDate");
        QTest::addColumn<QString>("newsTime");
        QTest::newRow("Korean") << u"ko_KR"_qs << u"2024년 5월 1일"_qs << u"5월 1일 오후 3:05"_qs;
        QTest::newRow("US English") << u"en_US"_qs << u"May 1, 2024"_qs << u"May 1 3:05 PM"_qs;
        QTest::newRow("German") << u"de_DE"_qs << u"1. Mai 2024"_qs << u"1. Mai 15:05"_qs;
        QTest::newRow("C, whose short time has seconds") << u"C"_qs << u"1 May 2024"_qs << u"1 May 15:05"_qs;
    }
    void rowDatesFollowTheLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, eventDate);
        QFETCH(QString, newsTime);
        const QDateTime time(QDate(2024, 5, 1), QTime(15, 5, 42));
        QCOMPARE(DetailTimelineList::eventDate(time, QLocale(locale)), eventDate);
        QCOMPARE(DetailTimelineList::newsTime(time, QLocale(locale)), newsTime);
    }

    void noEventsTextWaitsForTheLoad()
    {
        // An unknown symbol: no history, no news, and the answers take a while.
        m_fx.server.faults().add(chartPath(u"ZZZZ"_qs), slow(Fault::withStatus(404)));
        m_fx.server.faults().add(fake::FakeServer::searchPath, slow(Fault::withStatus(404)));
        m_controller->show({u"ZZZZ"_qs, u"ZZZZ"_qs});
        QVERIFY(view()->loading());
        QStringList texts = labelTexts(view()->timeline());
        QVERIFY(texts.contains(u"뉴스"_qs));
        QVERIFY(!texts.contains(noEvents));
        QVERIFY(!texts.contains(u"기업 이벤트"_qs));

        QTRY_VERIFY(!view()->loading());
        texts = labelTexts(view()->timeline());
        QVERIFY(texts.contains(noEvents));
    }

    void symbolChangeCancelsTheRunningLoad()
    {
        // The first symbol's history (with its split) arrives while the second symbol's is still
        // on its way; it must not land in the view.
        m_fx.server.faults().add(chartPath(u"NVDA"_qs), Fault::delayed(100ms));
        m_fx.server.faults().add(chartPath(u"005930.KS"_qs), Fault::delayed(400ms));
        m_controller->show({u"NVDA"_qs, u"NVDA"_qs});
        QSignalSpy loading(view(), &DetailView::loadingChanged);
        view()->setSymbol(u"005930.KS"_qs);
        QTRY_VERIFY(!view()->loading());
        QCOMPARE(loading.count(), 1); // never finished early by the old load
        const QList<CorporateEvent>& events = view()->history().events;
        QVERIFY(!events.isEmpty());
        QVERIFY(std::all_of(events.cbegin(), events.cend(), [](const CorporateEvent& event) {
            return event.kind == CorporateEvent::Kind::dividend && event.detail == u"주당 361.0";
        }));
        const QList<NewsItem>& news = view()->news();
        QVERIFY(!news.isEmpty());
        QVERIFY(std::none_of(news.cbegin(), news.cend(), [](const NewsItem& item) {
            return item.title.contains(u"nvidia", Qt::CaseInsensitive);
        }));
    }

    void headerShowsTheQuote()
    {
        QTRY_VERIFY(m_fx.state->quoteService().quotes().contains(u"^KS11"_qs));
        m_controller->show({u"^KS11"_qs, u"KOSPI"_qs});
        const QStringList texts = labelTexts(view()->header());
        QVERIFY2(texts.contains(u"Live"_qs), qPrintable(texts.join(u" | ")));
        QVERIFY(texts.contains(u"KRW"_qs));
        const Quote quote = m_fx.state->quoteService().quotes().value(u"^KS11"_qs);
        QVERIFY(texts.contains(formatPrice(quote)));
        QVERIFY(texts.contains(formatChange(quote)));
    }

    void oldQuoteReadsStaleAndNoQuoteHidesThePrice()
    {
        QTRY_VERIFY(m_fx.state->quoteService().quotes().contains(u"^KS11"_qs));
        test::FakeClock later(m_fx.state->quoteService().quotes().value(u"^KS11"_qs).receivedAt.addSecs(121));
        DetailView stale(*m_fx.state, *m_account, *m_fx.yahoo, u"^KS11"_qs, later);
        QVERIFY(labelTexts(stale.header()).contains(u"Stale"_qs));
        QTRY_VERIFY(!stale.loading());

        DetailView unquoted(*m_fx.state, *m_account, *m_fx.yahoo, u"TSLA"_qs);
        const auto priceLabels = unquoted.header()->findChildren<QLabel*>();
        QVERIFY(std::none_of(priceLabels.cbegin(), priceLabels.cend(),
                             [&](const QLabel* label) { return label->isVisibleTo(&unquoted); }));
        QTRY_VERIFY(!unquoted.loading());
    }

    void newsRowOpensTheArticle()
    {
        m_controller->show({u"NVDA"_qs, u"NVDA"_qs});
        QTRY_VERIFY(!view()->loading());
        const std::optional<QUrl> url = view()->news().first().url;
        QVERIFY(url);
        auto* row = view()->timeline()->findChildren<QAbstractButton*>().first();
        QTest::mouseClick(row, Qt::LeftButton);
        QCOMPARE(m_browser.opened, QList<QUrl>{*url});
    }

    void closingDropsTheViewAndReopeningLoadsAfresh()
    {
        m_controller->show({u"NVDA"_qs, u"NVDA"_qs});
        QWidget* window = m_controller->window();
        window->close();
        QVERIFY(m_controller->view() == nullptr);
        m_controller->show({u"005930.KS"_qs, u"삼성전자"_qs});
        QCOMPARE(m_controller->window(), window);
        QCOMPARE(view()->symbol(), u"005930.KS"_qs);
        QVERIFY(view()->loading());
        QVERIFY(view()->history().events.isEmpty());
        QVERIFY(window->isVisible());
    }

    void webTabWithoutEmbeddingOffersThePageInTheBrowser()
    {
        m_controller->show({u"NVDA"_qs, u"NVDA"_qs});
        const QUrl page = WebSessionBridge::pageUrl(m_fx.server.origin(), u"/symbol/NVDA"_qs);
        QCOMPARE(view()->webURL(), page);
        WebTabView* tab = view()->webTab();
        QTRY_COMPARE(tab->resolved(), page);
        QVERIFY(tab->host()->helper() == nullptr);
        QVERIFY(labelTexts(tab).contains(page.toDisplayString()));
        QTest::mouseClick(tab->findChild<QPushButton*>(), Qt::LeftButton);
        QTest::mouseClick(view()->header()->browserButton(), Qt::LeftButton);
        QCOMPARE(m_browser.opened, (QList<QUrl>{page, page}));
        QVERIFY(!WebSessionBridge::attempted()); // signed out: no session is asked for
    }

    // Runs last: the session is asked for once per process.
    void signedInTheFirstWebTabAsksForASessionOnce()
    {
        m_secrets.token = m_service.issueToken(u"demo@virel.app"_qs);
        test::awaitTask(m_account->restore());
        QVERIFY(m_account->user());
        const QString webSession = u"/api/mac/web-session"_qs;

        m_controller->show({u"NVDA"_qs, u"NVDA"_qs});
        QTRY_VERIFY(view()->webTab()->resolved());
        QCOMPARE(m_service.requestsTo(webSession).size(), 1);
        QVERIFY(view()->webTab()->resolved()->path().startsWith(u"/session/"));
        QVERIFY(WebSessionBridge::attempted());

        m_controller->show({u"005930.KS"_qs, u"삼성전자"_qs});
        QTRY_VERIFY(view()->webTab()->resolved());
        QCOMPARE(view()->webTab()->resolved(), view()->webURL());
        QCOMPARE(m_service.requestsTo(webSession).size(), 1);
    }

private:
    DetailView* view() const { return m_controller->view(); }
    QStackedWidget* content() const { return view()->findChild<QStackedWidget*>(); }

    void checkTabs(bool web)
    {
        QCOMPARE(view()->tab(), web ? DetailTab::web : DetailTab::timeline);
        QCOMPARE(view()->offeredTabs().size(), web ? 2 : 1);
        QCOMPARE(view()->tabPicker()->isVisibleTo(view()), web);
        QCOMPARE(view()->header()->browserButton()->isVisibleTo(view()), web);
        QCOMPARE(view()->webURL().has_value(), web);
        if (web) {
            QCOMPARE(view()->tabPicker()->currentIndex(), 0);
            QCOMPARE(content()->currentWidget(), view()->webTab());
        } else {
            QCOMPARE(content()->currentWidget(), view()->timeline());
        }
    }

    test::StateFixture m_fx;
    fake::FakeService m_service{m_fx.server};
    test::MemorySecretStore m_secrets;
    test::TempSettings m_accountSettings;
    std::unique_ptr<VirelAPI> m_api;
    std::unique_ptr<AccountService> m_account;
    std::unique_ptr<DetailWindowController> m_controller;
    BrowserStub m_browser;
};

QTEST_MAIN(DetailWindowTest)
#include "DetailWindowTest.moc"
