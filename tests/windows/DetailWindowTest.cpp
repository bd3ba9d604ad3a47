#include "ServiceFixture.h"
#include "StateFixture.h"
#include "model/Formatters.h"
#include "windows/DetailHeader.h"
#include "windows/DetailTimelineList.h"
#include "windows/DetailView.h"
#include "windows/DetailWindowController.h"
#include "windows/SegmentedControl.h"
#include "windows/WebSessionBridge.h"
#include "windows/WebTabView.h"

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
        // Loads still running finish before the next test starts.
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
        m_fx.server.faults().add(fake::FakeServer::chartPath + u"NVDA"_qs, Fault::delayed(100ms));
        m_fx.server.faults().add(fake::FakeServer::chartPath + u"005930.KS"_qs, Fault::delayed(400ms));
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
        // Without an embedded web helper the web tab offers the page address instead.
        const QUrl page = WebSessionBridge::pageUrl(m_service.host.origin(), u"/symbol/NVDA"_qs);
        WebTabView* tab = view()->webTab();
        QTRY_COMPARE(tab->resolved(), page);
        QVERIFY(labelTexts(tab).contains(page.toDisplayString()));
        QTest::mouseClick(tab->findChild<QPushButton*>(), Qt::LeftButton);
        QTest::mouseClick(view()->header()->browserButton(), Qt::LeftButton);
        QCOMPARE(m_opened, (QList<QUrl>{article, page, page}));
        QVERIFY(!WebSessionBridge::attempted()); // signed out: no session is asked for
    }

    // Runs last: the session is asked for once per process.
    void signedInTheFirstWebTabAsksForASessionOnce()
    {
        m_service.secrets.token = m_service.host.service.issueToken(u"demo@virel.app"_qs);
        m_service.settings->setValue(u"account.tokenStored"_qs, true);
        test::awaitTask(m_service.account->restore());
        const QString webSession = u"/api/mac/web-session"_qs;
        m_controller->show({u"NVDA"_qs, u"NVDA"_qs});
        QTRY_VERIFY(view()->webTab()->resolved());
        QVERIFY(view()->webTab()->resolved()->path().startsWith(u"/session/"));
        m_controller->show({u"005930.KS"_qs, u"삼성전자"_qs});
        QTRY_COMPARE(view()->webTab()->resolved(), view()->webURL());
        QCOMPARE(m_service.host.service.requestsTo(webSession).size(), 1);
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
