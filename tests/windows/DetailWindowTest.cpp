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

QString chartPath(const QString& symbol)
{
    return fake::FakeServer::chartPath + symbol;
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

    void tabsAndPicker_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("web");
        QTest::addColumn<QString>("picked");
        QTest::addColumn<int>("extraEntries");
        QTest::newRow("KOSPI stock") << u"005930.KS"_qs << true << u"005930.KS (005930.KS)"_qs << 1;
        QTest::newRow("listed index, titled by the list") << u"^KS11"_qs << false << u"KOSPI (^KS11)"_qs << 0;
        QTest::newRow("currency") << u"KRW=X"_qs << false << u"USD/KRW (KRW=X)"_qs << 0;
    }
    void tabsAndPicker()
    {
        QFETCH(QString, symbol);
        QFETCH(bool, web);
        QFETCH(int, extraEntries);
        m_controller->show({symbol, u"ignored"_qs});
        checkTabs(web);
        QComboBox* picker = view()->header()->picker();
        QTEST(picker->currentText(), "picked");
        QCOMPARE(picker->count(), m_fx.state->items().size() + extraEntries);
    }

    void switchingSymbolAndSegments()
    {
        m_controller->show({u"NVDA"_qs, u"NVDA"_qs});
        SegmentedControl* segments = view()->tabPicker();
        QTest::mouseClick(segments, Qt::LeftButton, {}, segments->segmentRect(1).center());
        QCOMPARE(content()->currentWidget(), view()->timeline());
        QTest::mouseClick(segments, Qt::LeftButton, {}, segments->segmentRect(0).center());
        checkTabs(true);
        // To a symbol without a page: the timeline alone, and the extra entry is gone.
        QComboBox* picker = view()->header()->picker();
        picker->setFocus();
        QTest::keyClick(picker, Qt::Key_Home);
        QCOMPARE(view()->symbol(), u"^KS11"_qs);
        checkTabs(false);
        QCOMPARE(picker->count(), m_fx.state->items().size());
    }

    void timelineRows_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("absent");
        QTest::newRow("corporate events and news")
            << u"005930.KS"_qs << u"배당 · 주당 361.0|뉴스"_qs << noEvents;
        QTest::newRow("unknown symbol has no events") << u"ZZZZ"_qs << noEvents << u"기업 이벤트"_qs;
    }
    void timelineRows()
    {
        QFETCH(QString, symbol);
        QFETCH(QString, shown);
        QFETCH(QString, absent);
        m_controller->show({symbol, symbol});
        QVERIFY2(!labelTexts(view()->timeline()).contains(noEvents), "not before the answers are in");
        QTRY_VERIFY(!view()->loading());
        const QString texts = labelTexts(view()->timeline()).join(u'|');
        QVERIFY2(texts.contains(shown) && !texts.contains(absent), qPrintable(texts));
    }

    void rowDatesInKorean()
    {
        const QDateTime time(QDate(2024, 5, 1), QTime(15, 5, 42));
        const QLocale korean(QLocale::Korean, QLocale::SouthKorea);
        QCOMPARE(DetailTimelineList::eventDate(time, korean), u"2024년 5월 1일"_qs);
        QCOMPARE(DetailTimelineList::newsTime(time, korean), u"5월 1일 오후 3:05"_qs);
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
        const QString texts = labelTexts(view()->timeline()).join(u'|');
        QVERIFY2(texts.contains(u"배당"_qs) && !texts.contains(u"액면분할"_qs), qPrintable(texts));
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
        DetailView stale(*m_fx.state, *m_account, *m_fx.yahoo, u"^KS11"_qs, later);
        QVERIFY(labelTexts(stale.header()).contains(u"Stale"_qs));
        DetailView unquoted(*m_fx.state, *m_account, *m_fx.yahoo, u"TSLA"_qs);
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
        // Without an embedded web helper the web tab offers the page address instead.
        const QUrl page = WebSessionBridge::pageUrl(m_fx.server.origin(), u"/symbol/NVDA"_qs);
        WebTabView* tab = view()->webTab();
        QTRY_COMPARE(tab->resolved(), page);
        QVERIFY(labelTexts(tab).contains(page.toDisplayString()));
        QTest::mouseClick(tab->findChild<QPushButton*>(), Qt::LeftButton);
        QTest::mouseClick(view()->header()->browserButton(), Qt::LeftButton);
        QCOMPARE(m_browser.opened, (QList<QUrl>{article, page, page}));
        QVERIFY(!WebSessionBridge::attempted()); // signed out: no session is asked for
    }

    // Runs last: the session is asked for once per process.
    void signedInTheFirstWebTabAsksForASessionOnce()
    {
        m_secrets.token = m_service.issueToken(u"demo@virel.app"_qs);
        m_accountSettings->setValue(u"account.tokenStored"_qs, true);
        test::awaitTask(m_account->restore());
        const QString webSession = u"/api/mac/web-session"_qs;
        m_controller->show({u"NVDA"_qs, u"NVDA"_qs});
        QTRY_VERIFY(view()->webTab()->resolved());
        QVERIFY(view()->webTab()->resolved()->path().startsWith(u"/session/"));
        m_controller->show({u"005930.KS"_qs, u"삼성전자"_qs});
        QTRY_COMPARE(view()->webTab()->resolved(), view()->webURL());
        QCOMPARE(m_service.requestsTo(webSession).size(), 1);
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
