#include "app/AppDelegate.h"

#include "FakeNotifier.h"
#include "FakeScreens.h"
#include "FakeServiceHost.h"
#include "MemorySecretStore.h"
#include "TempSettings.h"
#include "account/AccountService.h"
#include "state/SyncService.h"
#include "app/AlertDialog.h"
#include "app/MinutesDialog.h"
#include "app/StatusItem.h"
#include "app/UpdateDialog.h"
#include "fakemarket/FakeAppcast.h"
#include "notch/NotchWindowController.h"
#include "windows/DetailView.h"
#include "windows/DetailWindowController.h"
#include "windows/EditView.h"
#include "windows/EditWindowController.h"
#include "windows/WebViewHost.h"

#include "model/Formatters.h"

#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QLineEdit>
#include <QPushButton>
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
    std::unique_ptr<AppDelegate> delegate;

    void launch(const QStringList& arguments = {})
    {
        UpdateService::Options updates;
        updates.feed = host.origin().resolved(QUrl(fake::FakeAppcast::path));
        updates.currentVersion = u"0.1.0"_qs;
        updates.firstCheckDelay = 1h;
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
            .stateIntervals = {.poll = 1h, .rotation = 1h, .tick = 1s},
            .titleInterval = 20ms,
            .glanceDelay = 50ms,
        });
        delegate->applicationDidFinishLaunching(arguments);
    }

    AppState& state() const { return *delegate->state(); }
    NotchWindowController& notch() const { return *delegate->notchController(); }
    QString title() const { return delegate->statusItem()->title().text; }

    // The menu row with this title, as the menu would show it now.
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

AlertRule nvdaAbove200()
{
    AlertRule rule;
    rule.symbol = u"NVDA"_qs;
    rule.name = u"NVDA"_qs;
    rule.threshold = 200;
    return rule;
}

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
        // The browser engine is not loaded here: the web tab falls back to the page address.
        WebViewHost::setPluginDirectories({});
        for (const char* scheme : {"http", "https"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
        }
    }

    void cleanup()
    {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<QDialog*>(widget)) {
                widget->close();
            }
        }
        m_opened.clear();
    }

    void launch_noSwitches_showsStripAndTitleOnly()
    {
        Shell shell;
        shell.launch();
        QCOMPARE(shell.title(), u"virel"_qs);
        QVERIFY(shell.notch().stripWidget() && shell.notch().stripWidget()->isVisible());
        QVERIFY(!shell.notch().glanceWidget());
        QVERIFY(!shell.delegate->detailController()->window());
        QVERIFY(!shell.delegate->editController()->view());
        QVERIFY(!QApplication::quitOnLastWindowClosed());

        // The rotating symbol's quote replaces "virel" within a title period of its arrival.
        QTRY_VERIFY_WITH_TIMEOUT(shell.state().quoteService().quotes().contains(u"^KS11"_qs), 3000);
        const Quote kospi = shell.state().quoteService().quotes().value(u"^KS11"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(shell.title(), kospi.displayName + u' ' + formatChange(kospi), 1000);
    }

    void launch_switches_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("detailSymbol"); // empty: no detail window
        QTest::addColumn<bool>("editor");
        QTest::newRow("detail, lower case") << QStringList{u"--detail"_qs, u"nvda"_qs} << u"NVDA"_qs << false;
        QTest::newRow("detail as last argument")
            << QStringList{u"--glance"_qs, u"--detail"_qs} << QString() << false;
        QTest::newRow("edit") << QStringList{u"--edit"_qs} << QString() << true;
    }

    void launch_switches()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, detailSymbol);
        QFETCH(bool, editor);
        Shell shell;
        shell.launch(arguments);
        QWidget* window = shell.delegate->detailController()->window();
        QCOMPARE(window && window->isVisible(), !detailSymbol.isEmpty());
        if (window) {
            QCOMPARE(shell.delegate->detailController()->view()->symbol(), detailSymbol);
        }
        QCOMPARE(shell.delegate->editController()->view() != nullptr, editor);
    }

    void launch_glance_opensGlanceAfterDelay()
    {
        Shell shell;
        shell.launch({u"--glance"_qs});
        QVERIFY(!shell.notch().glanceWidget());
        QTRY_VERIFY_WITH_TIMEOUT(shell.notch().glanceWidget(), 1000);
    }

    void alertFiringAndTimerEnd_flashGlance()
    {
        Shell shell;
        shell.launch();
        shell.state().alertEngine().onFire(nvdaAbove200(), Quote{});
        QVERIFY(shell.notch().glanceWidget());

        Shell other;
        other.launch();
        other.state().timerEngine().onFinish();
        QVERIFY(other.notch().glanceWidget());
    }

    void removeAlertRule_deleteRow_removesTheRule()
    {
        Shell shell;
        shell.launch();
        shell.state().alertEngine().add(nvdaAbove200());
        shell.choose(u"삭제: NVDA ≥ 200.0"_qs);
        QVERIFY(shell.state().alertEngine().rules().isEmpty());
        QVERIFY(!shell.row(u"삭제: NVDA ≥ 200.0"_qs));
    }

    void commands_unusableValues_doNothing()
    {
        Shell shell;
        shell.launch();
        shell.state().alertEngine().add(nvdaAbove200());
        shell.delegate->perform(MenuCommand::removeAlertRule, u"not-a-uuid"_qs);
        shell.delegate->perform(MenuCommand::switchMode, u"Watchlist"_qs);
        shell.delegate->perform(MenuCommand::switchTickerPlacement, 3);
        shell.delegate->perform(MenuCommand::startTimer, u"25"_qs);
        QCOMPARE(shell.state().alertEngine().rules().size(), 1);
        QCOMPARE(shell.state().mode(), DisplayMode::market);
        QCOMPARE(shell.state().tickerPlacement(), TickerPlacement::belowMenuBar);
        QVERIFY(std::holds_alternative<TimerEngine::Idle>(shell.state().timerEngine().phase()));
    }

    void choices_arePersistedAndChecked_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<QString>("other"); // a row of the same group, unchecked after the choice
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::newRow("mode") << u"Watchlist Mode"_qs << u"Market Mode"_qs << u"displayMode"_qs
                              << u"watchlist"_qs;
        QTest::newRow("ticker placement")
            << u"순환 (흐름 없음)"_qs << u"메뉴바 아래 한 줄"_qs << u"tickerPlacement"_qs << u"rotate"_qs;
    }

    void choices_arePersistedAndChecked()
    {
        QFETCH(QString, choice);
        QFETCH(QString, other);
        QFETCH(QString, key);
        QFETCH(QString, stored);
        Shell shell;
        shell.launch();
        shell.choose(choice);
        QCOMPARE(shell.settings->value(key).toString(), stored);
        QCOMPARE(shell.row(choice)->checked, std::optional(true));
        QCOMPARE(shell.row(other)->checked, std::optional(false));
    }

    void switchMode_activeModeAgain_pollsAtOnce()
    {
        Shell shell;
        shell.launch();
        const QString path = fake::FakeServer::chartPath;
        QTRY_COMPARE_WITH_TIMEOUT(shell.host.server.requestCount(path), 10, 3000);
        shell.choose(u"Market Mode"_qs);
        QTRY_COMPARE_WITH_TIMEOUT(shell.host.server.requestCount(path), 20, 3000);
    }

    void focusModeWithTimer_titleShowsCountdown()
    {
        Shell shell;
        shell.launch();
        shell.choose(u"집중모드"_qs);
        QVERIFY(shell.state().focusMode());
        QTRY_COMPARE_WITH_TIMEOUT(shell.title(), u"virel"_qs, 1000);
        shell.choose(u"25분 시작"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(shell.title().startsWith(u"⏱ 2"_qs), 1000);
        QVERIFY(shell.row(u"타이머 ("_qs + shell.state().timerEngine().display() + u')'));
        shell.choose(u"일시정지"_qs);
        QVERIFY(std::holds_alternative<TimerEngine::Paused>(shell.state().timerEngine().phase()));
        shell.choose(u"재개"_qs);
        shell.choose(u"리셋"_qs);
        QVERIFY(std::holds_alternative<TimerEngine::Idle>(shell.state().timerEngine().phase()));
    }

    void noTray_stripCarriesMenuAndTooltip()
    {
        Shell shell;
        shell.launch();
        StatusItem& item = *shell.delegate->statusItem();
        QVERIFY(!item.inTray());
        QWidget* strip = shell.notch().stripWidget();
        QCOMPARE(strip->toolTip(), item.title().text);

        const QPoint at = strip->rect().center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, strip->mapToGlobal(at));
        QApplication::sendEvent(strip, &event);
        QTRY_VERIFY_WITH_TIMEOUT(item.menu().isVisible(), 1000);
        QStringList titles;
        for (QAction* action : item.menu().actions()) {
            titles.append(action->text());
        }
        QVERIFY(titles.contains(u"종료"_qs));
        item.menu().close();
    }

    void signedIn_watchlistEditReachesTheAccount()
    {
        Shell shell;
        const QString token = shell.host.service.issueToken(u"kim@example.com"_qs);
        shell.secrets.token = token;
        shell.launch();
        QTRY_VERIFY_WITH_TIMEOUT(shell.row(u"계정: kim@example.com"_qs), 3000);
        shell.choose(u"Watchlist Mode"_qs);
        shell.state().addSymbol(u"aapl"_qs);
        const auto hasApple = [&] {
            for (const auto& entry : shell.host.service.watchlist(token)) {
                if (entry.ticker == u"AAPL"_qs) {
                    return true;
                }
            }
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(hasApple(), 3000);

        shell.choose(u"로그아웃"_qs);
        QVERIFY(shell.row(u"Virel 로그인…"_qs));
    }

    void slowKeychain_restoredSessionSyncsAtOnce()
    {
        Shell shell;
        shell.secrets.token = shell.host.service.issueToken(u"kim@example.com"_qs);
        shell.secrets.loadDelay = 100ms;
        shell.launch();
        // The periodic run is a minute away: only the restore itself can have asked.
        QTRY_VERIFY_WITH_TIMEOUT(!shell.host.service.requestsTo(u"/api/mac/watchlist"_qs).isEmpty(), 2000);
    }

    void openWeb_opensTheServiceOrigin()
    {
        Shell shell;
        shell.launch();
        shell.choose(u"Virel 웹 열기"_qs);
        QCOMPARE(m_opened.size(), 1);
        QCOMPARE(m_opened.at(0).host(), u"127.0.0.1"_qs);
        QCOMPARE(m_opened.at(0).port(), int(shell.host.server.port()));
    }

    void openDetailWindow_showsTheRotatingSymbol()
    {
        Shell shell;
        shell.launch();
        shell.choose(u"상세 보기 (차트·타임라인)"_qs);
        QCOMPARE(shell.delegate->detailController()->view()->symbol(), u"^KS11"_qs);
    }

    void alertDialog_groupedLevel_addsRuleForChosenSymbol()
    {
        Shell shell;
        shell.launch();
        shell.choose(u"알림 추가…"_qs);
        AlertDialog* dialog = shell.delegate->alertDialog();
        QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
        QCOMPARE(dialog->symbolBox()->count(), shell.state().items().size());
        QCOMPARE(dialog->symbolBox()->itemText(0), u"KOSPI (^KS11)"_qs);
        dialog->symbolBox()->setCurrentIndex(1);
        dialog->directionBox()->setCurrentIndex(1);
        dialog->priceField()->setText(u"70,000"_qs);
        dialog->accept();
        QCOMPARE(shell.state().alertEngine().rules().size(), 1);
        const AlertRule rule = shell.state().alertEngine().rules().at(0);
        QCOMPARE(rule.symbol, u"^KQ11"_qs);
        QCOMPARE(rule.direction, AlertRule::Direction::below);
        QCOMPARE(rule.threshold, 70000.0);
        QVERIFY(!rule.triggered);
        QVERIFY(shell.row(u"삭제: KOSDAQ ≤ 70000.0"_qs));
    }

    void alertDialog_invalidInput_addsNothing_data()
    {
        QTest::addColumn<QString>("level");
        QTest::addColumn<bool>("emptyList");
        QTest::newRow("leading blank") << u" 70000"_qs << false;
        QTest::newRow("not a number") << u"abc"_qs << false;
        QTest::newRow("empty list") << u"100"_qs << true;
    }
    void alertDialog_invalidInput_addsNothing()
    {
        QFETCH(QString, level);
        QFETCH(bool, emptyList);
        Shell shell;
        shell.launch();
        if (emptyList) {
            shell.state().store({}, DisplayMode::market);
            shell.state().restart();
        }
        shell.choose(u"알림 추가…"_qs);
        AlertDialog* dialog = shell.delegate->alertDialog();
        dialog->priceField()->setText(level);
        dialog->accept();
        QVERIFY(shell.state().alertEngine().rules().isEmpty());
    }

    void minutesDialog_startsCountdownOnlyForUsableMinutes_data()
    {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("display");
        QTest::newRow("ninety") << u"90"_qs << u"1:30:00"_qs;
        QTest::newRow("fraction") << u"1.5"_qs << u"01:30"_qs;
        QTest::newRow("zero") << u"0"_qs << QString();
        QTest::newRow("negative") << u"-5"_qs << QString();
        QTest::newRow("letters") << u"abc"_qs << QString();
    }
    void minutesDialog_startsCountdownOnlyForUsableMinutes()
    {
        QFETCH(QString, minutes);
        QFETCH(QString, display);
        Shell shell;
        shell.launch();
        shell.choose(u"사용자 지정…"_qs);
        MinutesDialog* dialog = shell.delegate->minutesDialog();
        QVERIFY(dialog && dialog->isVisible());
        dialog->minutesField()->setText(minutes);
        dialog->accept();
        QCOMPARE(shell.state().timerEngine().display(), display);
    }

    void dialogs_secondRequest_raisesTheOpenOne()
    {
        Shell shell;
        shell.launch();
        shell.choose(u"알림 추가…"_qs);
        AlertDialog* first = shell.delegate->alertDialog();
        shell.choose(u"알림 추가…"_qs);
        QCOMPARE(shell.delegate->alertDialog(), first);
    }

    void checkForUpdates_newerRelease_downloadOpensItAndSkipIsRemembered()
    {
        const auto clickInUpdateDialog = [](Shell& shell, const QString& text) {
            shell.choose(u"업데이트 확인…"_qs);
            QTRY_VERIFY_WITH_TIMEOUT(visibleTopLevel<UpdateDialog>(), 3000);
            for (QPushButton* button : visibleTopLevel<UpdateDialog>()->findChildren<QPushButton*>()) {
                if (button->text() == text && button->isEnabled()) {
                    button->click();
                    return;
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
};

QTEST_MAIN(AppDelegateTest)
#include "AppDelegateTest.moc"
