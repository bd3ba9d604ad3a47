#include "app/AppDelegate.h"

#include "FakeNotifier.h"
#include "FakeScreens.h"
#include "FakeServiceHost.h"
#include "MemorySecretStore.h"
#include "TempSettings.h"
#include "app/AlertDialog.h"
#include "app/MinutesDialog.h"
#include "app/StatusItem.h"
#include "app/UpdateDialog.h"
#include "fakemarket/FakeAppcast.h"
#include "model/Formatters.h"
#include "notch/NotchWindowController.h"
#include "platform/BrowserLauncher.h"
#include "windows/DetailView.h"
#include "windows/DetailWindowController.h"
#include "windows/EditView.h"
#include "windows/EditWindowController.h"
#include "windows/LinkView.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>

using namespace virel;
using namespace std::chrono_literals;

namespace {

// The whole application against the in-process fake market and service, with short periods.
struct Shell
{
    test::FakeServiceHost host;
    fake::FakeAppcast appcast{host.server};
    test::TempSettings settings;
    test::FakeNotifier notifier;
    test::MemorySecretStore secrets;
    test::FakeScreenFacts screens{1920, 1080};
    NoStatusItemScan statusItems;
    BrowserLauncher* browser = nullptr;
    std::unique_ptr<AppDelegate> delegate;

    void launch(const QStringList& arguments = {})
    {
        const UpdateService::Options updates{.feed = host.origin().resolved(QUrl(fake::FakeAppcast::path)),
                                             .currentVersion = u"0.1.0"_qs,
                                             .firstCheckDelay = 1h};
        delegate = std::make_unique<AppDelegate>(AppEnvironment{
            .settings = *settings,
            .notifier = notifier,
            .secrets = secrets,
            .screens = screens,
            .statusItems = statusItems,
            .clock = Clock::system(),
            .yahooOrigin = host.origin(),
            .serviceOrigin = host.origin(),
            .updates = updates,
            .quit = [] {},
            .browser = browser,
            .stateIntervals = {.poll = 1h, .rotation = 1h, .tick = 1s},
            .titleInterval = 20ms,
            .glanceDelay = 50ms,
        });
        delegate->applicationDidFinishLaunching(arguments);
    }

    AppState& state() const { return *delegate->state(); }
    NotchWindowController& notch() const { return *delegate->notchController(); }
    QString title() const { return delegate->statusItem()->title().text; }

    std::optional<MenuRow> row(const QString& title) const
    {
        QList<MenuRow> rows = buildStatusMenu(delegate->menuInputs());
        while (!rows.isEmpty()) {
            const MenuRow candidate = rows.takeFirst();
            if (candidate.title == title) {
                return candidate;
            }
            rows.append(candidate.submenu);
        }
        return std::nullopt;
    }
    void choose(const QString& title) const
    {
        const auto chosen = row(title);
        QVERIFY2(chosen, qPrintable(title));
        delegate->perform(chosen->command, chosen->value);
    }
};

template <typename Widget> Widget* visibleTopLevel()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* found = qobject_cast<Widget*>(widget); found && found->isVisible()) {
            return found;
        }
    }
    return nullptr;
}

} // namespace

class AppDelegateTest : public QObject
{
    Q_OBJECT

public slots:
    void open(const QUrl& url) { m_opened.append(url); }

private:
    QList<QUrl> m_opened;

private slots:
    void initTestCase()
    {
        for (const char* scheme : {"http", "https"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
        }
    }

    void launch_switchTitleAndTheStripCarryingTheMenu()
    {
        Shell shell;
        shell.launch({u"--edit"_qs});
        QCOMPARE(shell.title(), u"virel"_qs);
        QVERIFY(!QApplication::quitOnLastWindowClosed());
        // The rotating symbol's quote replaces "virel" within a title period of its arrival.
        QTRY_VERIFY_WITH_TIMEOUT(shell.state().quoteService().quotes().contains(u"^KS11"_qs), 3000);
        const Quote kospi = shell.state().quoteService().quotes().value(u"^KS11"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(shell.title(), kospi.displayName + u' ' + formatChange(kospi), 1000);

        // Without a tray the strip carries the title as its tooltip and opens the menu.
        StatusItem& item = *shell.delegate->statusItem();
        QWidget* strip = shell.notch().stripWidget();
        QCOMPARE(strip->toolTip(), item.title().text);
        const QPoint at = strip->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, strip->mapToGlobal(at));
        QApplication::sendEvent(strip, &event);
        QTRY_VERIFY_WITH_TIMEOUT(item.menu().isVisible(), 1000);
        item.menu().close();
        // The switch opened the editor, and nothing else.
        QVERIFY2(observe(shell).contains(u"detail:- edit:1 glance:0"_qs), qPrintable(observe(shell)));
    }

    void alertFiringAndTimerEnd_flashGlance()
    {
        Shell shell;
        shell.notifier.topCentreBanners = true;
        shell.launch();
        shell.state().timerEngine().onFinish();
        // Beneath a banner at the top centre, not over it.
        QVERIFY(shell.notch().glanceWidget()->y() >= shell.notch().stripWidget()->geometry().bottom() + 100);
        Shell other;
        other.launch();
        other.state().alertEngine().onFire({}, {});
        QVERIFY(other.notch().glanceWidget());
    }

    void menu_data()
    {
        QTest::addColumn<QStringList>("choices");
        QTest::addColumn<QString>("shown"); // what `observe` reports afterwards
        QTest::newRow("ticker placement stored")
            << QStringList{u"순환 (흐름 없음)"_qs} << u"ticker:rotate"_qs;
        QTest::newRow("timer resumed and reset")
            << QStringList{u"25분 시작"_qs, u"일시정지"_qs, u"재개"_qs, u"리셋"_qs} << u"timer: "_qs;
        QTest::newRow("detail of the rotating symbol")
            << QStringList{u"상세 보기 (차트·타임라인)"_qs} << u"detail:^KS11"_qs;
        QTest::newRow("edit window") << QStringList{u"노치 편집… (종목 추가·삭제·순서)"_qs} << u"edit:1"_qs;
    }
    void menu()
    {
        QFETCH(QStringList, choices);
        QFETCH(QString, shown);
        Shell shell;
        shell.launch();
        for (const QString& choice : choices) {
            shell.choose(choice);
        }
        QVERIFY2(observe(shell).contains(shown), qPrintable(observe(shell)));
        const auto chosen = shell.row(choices.constLast());
        QVERIFY(!chosen || chosen->checked.value_or(true));
    }

    void signedIn_restoredFromASlowKeychainSyncsAtOnceAndEditsReachTheAccount()
    {
        Shell shell;
        const QString token = shell.host.service.issueToken(u"kim@example.com"_qs);
        shell.secrets.token = token;
        shell.settings->setValue(u"account.tokenStored"_qs, true);
        shell.secrets.loadDelay = 100ms; // a slow keychain
        shell.launch();
        QTRY_VERIFY_WITH_TIMEOUT(shell.row(u"계정: kim@example.com"_qs), 3000);
        // The periodic sync is a minute away: only the restore itself can have asked.
        QTRY_VERIFY_WITH_TIMEOUT(!shell.host.service.requestsTo(u"/api/mac/watchlist"_qs).isEmpty(), 2000);
        shell.choose(u"Watchlist Mode"_qs);
        shell.state().addSymbol(u"aapl"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(
            std::ranges::any_of(shell.host.service.watchlist(token),
                                [](const auto& entry) { return entry.ticker == u"AAPL"; }),
            3000);
        shell.choose(u"로그아웃"_qs);
        QVERIFY(shell.row(u"Virel 로그인…"_qs));
    }

    void noBrowser_theLinkWindowOrANotificationSaysSo()
    {
        BrowserLauncher noBrowser(u"false"_qs);
        const auto restore = qScopeGuard([this] { initTestCase(); });
        for (const char* scheme : {"http", "https"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &noBrowser, "open");
        }
        Shell shell;
        shell.browser = &noBrowser;
        shell.launch();
        shell.choose(u"Virel 웹 열기"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(shell.notifier.posted.size(), 1, 3000);
        shell.choose(u"Virel 로그인…"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(
            visibleTopLevel<LinkView>() && visibleTopLevel<LinkView>()->browserFailureShown(), 3000);
        QCOMPARE(visibleTopLevel<LinkView>()->addressText(),
                 shell.host.origin().toString() + u"/link/mac"_qs);
        QCOMPARE(shell.notifier.posted.size(), 1);
    }

    void activeModeAgainPolls_anAlertRuleItsMenuRowDeletesAndATimerOfTheMinutesTyped()
    {
        Shell shell;
        shell.launch();
        const QString path = fake::FakeServer::chartPath;
        QTRY_COMPARE_WITH_TIMEOUT(shell.host.server.requestCount(path), 10, 3000);
        shell.choose(u"Market Mode"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(shell.host.server.requestCount(path), 20, 3000);
        shell.choose(u"알림 추가…"_qs);
        AlertDialog* dialog = shell.delegate->alertDialog();
        QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
        shell.choose(u"알림 추가…"_qs);
        QCOMPARE(shell.delegate->alertDialog(), dialog); // a second request raises the open one
        dialog->symbolBox()->setCurrentIndex(1);
        dialog->directionBox()->setCurrentIndex(1);
        dialog->priceField()->setText(u"70,000"_qs);
        dialog->accept();
        QCOMPARE(shell.state().alertEngine().rules().size(), 1);
        shell.choose(u"삭제: KOSDAQ ≤ 70000.0"_qs);
        QVERIFY(shell.state().alertEngine().rules().isEmpty());
        shell.choose(u"사용자 지정…"_qs);
        shell.delegate->minutesDialog()->minutesField()->setText(u"90"_qs);
        shell.delegate->minutesDialog()->accept();
        QCOMPARE(shell.state().timerEngine().display(), u"1:30:00"_qs);
    }

    void checkForUpdates_downloadOpensItAndSkipIsRemembered()
    {
        const auto clickInUpdateDialog = [](Shell& shell, const QString& text) {
            shell.choose(u"업데이트 확인…"_qs);
            QTRY_VERIFY_WITH_TIMEOUT(visibleTopLevel<UpdateDialog>(), 3000);
            for (QPushButton* button : visibleTopLevel<UpdateDialog>()->findChildren<QPushButton*>()) {
                if (button->text() == text && button->isEnabled()) {
                    return button->click();
                }
            }
            QFAIL(qPrintable(text));
        };
        Shell shell;
        shell.launch();
        clickInUpdateDialog(shell, u"다운로드"_qs);
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.at(0).path(), u"/downloads/virel-1.0.0.tar.gz"_qs);
        clickInUpdateDialog(shell, u"이 버전 건너뛰기"_qs);
        QCOMPARE(shell.delegate->updateService().skippedVersion(), u"1.0.0"_qs);
    }

private:
    // What a user would see of the shell, as one line.
    static QString observe(Shell& shell)
    {
        const DetailView* detail = shell.delegate->detailController()->view();
        return u"ticker:%1 timer:%2 detail:%3 edit:%4 glance:%5"_qs.arg(
            shell.settings->value(u"tickerPlacement"_qs).toString(), shell.state().timerEngine().display(),
            detail && detail->isVisible() ? detail->symbol() : u"-"_qs,
            QString::number(shell.delegate->editController()->view() != nullptr),
            QString::number(shell.notch().glanceWidget() != nullptr));
    }
};

QTEST_MAIN(AppDelegateTest)
#include "AppDelegateTest.moc"
