#include "app/AppDelegate.h"

#include "account/AccountService.h"
#include "account/VirelAPI.h"
#include "app/AlertDialog.h"
#include "app/MinutesDialog.h"
#include "app/StatusItem.h"
#include "app/StatusTitle.h"
#include "app/UpdateDialog.h"
#include "market/YahooClient.h"
#include "notch/MarqueeTicker.h"
#include "notch/NotchWindowController.h"
#include "platform/BrowserLauncher.h"
#include "platform/Detached.h"
#include "platform/Notifier.h"
#include "platform/Settings.h"
#include "state/SyncService.h"
#include "state/TimelineStore.h"
#include "windows/WindowStyle.h"
// The views first: the controllers' headers hand out QPointers to them.
#include "windows/DetailView.h"
#include "windows/EditView.h"
#include "windows/TimelineView.h"

#include "windows/DetailWindowController.h"
#include "windows/EditWindowController.h"
#include "windows/LinkWindowController.h"
#include "windows/TimelineWindowController.h"

#include <QApplication>

namespace virel {

namespace {
// An alert or the end of a countdown shows the glance this long; "--glance" longer.
constexpr double kFlashSeconds = 6;
constexpr double kLaunchGlanceSeconds = 30;
// How far below its usual place a flashed glance opens where the alert's banner drops in at the top
// centre (GNOME Shell's, under its top bar, which stays while the user is away), so both are read.
constexpr double kTopCentreBannerDepth = 100;
} // namespace

AppDelegate::AppDelegate(AppEnvironment environment, QObject* parent)
    : QObject(parent), m_env(std::move(environment)), m_updates(m_env.settings, m_env.clock, m_env.updates)
{
    connect(&m_updates, &UpdateService::checked, this, &AppDelegate::showUpdateCheck);
    m_updates.start();
}

AppDelegate::~AppDelegate()
{
    // The dialogs have no parent window; they end with the delegate whose commands they serve.
    delete m_alertDialog;
    delete m_minutesDialog;
    delete m_updateDialog;
}

AlertDialog* AppDelegate::alertDialog() const
{
    return m_alertDialog;
}

MinutesDialog* AppDelegate::minutesDialog() const
{
    return m_minutesDialog;
}

void AppDelegate::applicationDidFinishLaunching(const QStringList& arguments)
{
    // No main window and no task-bar entry: closing the last window must not end the application.
    QApplication::setQuitOnLastWindowClosed(false);

    m_yahoo = std::make_unique<YahooClient>(m_env.yahooOrigin);
    m_state = std::make_unique<AppState>(m_env.settings, *m_yahoo, m_env.notifier, m_env.clock,
                                         m_env.stateIntervals);
    if (m_env.machine) {
        m_state->quoteService().watch(*m_env.machine);
    }
    m_api = std::make_unique<VirelAPI>(m_env.serviceOrigin);
    m_account = std::make_unique<AccountService>(
        *m_api, m_env.secrets, m_env.settings, [](const QUrl& url) { WindowStyle::openWebUrl(url); },
        m_env.clock);
    // The stored token is read asynchronously: a session restored after the sync service started
    // syncs at once instead of waiting a whole sync period.
    QCoro::connect(m_account->restore(), this, [this] {
        if (m_sync && m_account->user()) {
            runDetached(m_sync->syncNow(), this);
        }
    });
    m_sync = std::make_unique<SyncService>(*m_account, m_state.get(), *m_api, m_env.settings, m_env.clock);
    m_link = std::make_unique<LinkWindowController>(*m_account);
    if (m_env.browser) {
        connect(m_env.browser, &BrowserLauncher::failed, this, &AppDelegate::browserFailed);
    }
    installServiceCallbacks();

    if (m_env.presence != nullptr) {
        MarqueeTicker::followPresence(*m_env.presence);
    }
    MarqueeTicker::setSmoothOnBattery(m_state->smoothOnBattery());
    connect(m_state.get(), &AppState::smoothOnBatteryChanged, this,
            [this] { MarqueeTicker::setSmoothOnBattery(m_state->smoothOnBattery()); });
    m_notch = std::make_unique<NotchWindowController>(*m_state, m_env.screens, m_env.statusItems, m_env.clock,
                                                      m_env.wayland);
    m_edit = std::make_unique<EditWindowController>(*m_state, *m_yahoo);
    const auto signedIn = [this] { m_edit->setSignedIn(m_account->user().has_value()); };
    connect(m_account.get(), &AccountService::userChanged, m_edit.get(), signedIn);
    signedIn();
    m_detail = std::make_unique<DetailWindowController>(*m_state, *m_account, *m_yahoo);
    m_timelineStore = std::make_unique<TimelineStore>(*m_state, *m_yahoo, m_env.clock);
    m_timeline = std::make_unique<TimelineWindowController>(*m_state, *m_timelineStore);
    installDisplayCallbacks();

    setupStatusItem();
    m_sync->start();
    applySwitches(LaunchSwitches::parse(arguments));
    runDetached(m_state->localizeKoreanNames(), this);

    m_menuTimer.setInterval(m_env.titleInterval);
    connect(&m_menuTimer, &QTimer::timeout, this, &AppDelegate::updateStatusTitle);
    m_menuTimer.start();
}

void AppDelegate::installServiceCallbacks()
{
    QPointer self(this);
    m_state->onWatchlistEdit = [self](const WatchlistChange& change) {
        if (self) {
            self->m_sync->recordLocalChange(change);
        }
    };
    m_account->onSessionChange = [self] {
        if (self) {
            self->m_sync->sessionDidChange();
        }
    };
}

void AppDelegate::installDisplayCallbacks()
{
    QPointer self(this);
    m_state->openDetail = [self](const WatchItem& item) {
        if (self) {
            self->m_detail->show(item);
        }
    };
    const auto flash = [self] {
        if (self) {
            const bool underBanner = self->m_env.notifier.bannersAtTopCentre();
            self->m_notch->flashGlance(kFlashSeconds, underBanner ? kTopCentreBannerDepth : 0);
        }
    };
    m_state->alertEngine().onFire = [flash](const AlertRule&, const Quote&) { flash(); };
    m_state->timerEngine().onFinish = flash;
}

void AppDelegate::setupStatusItem()
{
    m_statusItem = std::make_unique<StatusItem>();
    connect(&m_statusItem->menu(), &QMenu::aboutToShow, this, &AppDelegate::rebuildMenu);
    connect(&m_statusItem->menu(), &StatusMenu::commandChosen, this, &AppDelegate::perform);
    rebuildMenu();
    updateStatusTitle();
}

void AppDelegate::applySwitches(const LaunchSwitches& switches)
{
    if (switches.detail) {
        const QString& symbol = *switches.detail;
        WatchItem item{symbol, symbol};
        for (const WatchItem& entry : m_state->items()) {
            if (entry.symbol == symbol) {
                item = entry;
                break;
            }
        }
        m_detail->show(item);
    }
    if (switches.edit) {
        m_edit->show();
    }
    if (switches.glance) {
        QTimer::singleShot(m_env.glanceDelay, this, [this] { m_notch->flashGlance(kLaunchGlanceSeconds); });
    }
}

void AppDelegate::updateStatusTitle()
{
    TimerEngine& timer = m_state->timerEngine();
    m_statusItem->setTitle(statusTitle(m_state->focusMode(), timer.phase(), timer.display(),
                                       m_state->rotatingItem(), m_state->quoteService().quotes()));
    // The strip is created by the first successful layout and may come later than the status item.
    m_statusItem->setStrip(m_notch->stripWidget());
}

MenuInputs AppDelegate::menuInputs() const
{
    MenuInputs inputs;
    inputs.mode = m_state->mode();
    inputs.tickerPlacement = m_state->tickerPlacement();
    inputs.focusMode = m_state->focusMode();
    inputs.smoothOnBattery = m_state->smoothOnBattery();
    inputs.timerPhase = m_state->timerEngine().phase();
    inputs.timerDisplay = m_state->timerEngine().display();
    inputs.alertRules = m_state->alertEngine().rules();
    inputs.user = m_account->user();
    inputs.linkState = m_account->linkState();
    inputs.pendingCount = m_sync->pendingCount();
    inputs.startsAtLogin = m_env.autostart.enabled();
    return inputs;
}

void AppDelegate::rebuildMenu()
{
    m_statusItem->menu().setRows(buildStatusMenu(menuInputs()));
}

void AppDelegate::perform(MenuCommand command, const QVariant& value)
{
    TimerEngine& timer = m_state->timerEngine();
    switch (command) {
    case MenuCommand::none:
        return;
    case MenuCommand::switchMode:
        return switchMode(value);
    case MenuCommand::switchTickerPlacement:
        return switchTickerPlacement(value);
    case MenuCommand::toggleFocusMode:
        return toggleFocusMode();
    case MenuCommand::toggleSmoothOnBattery:
        return m_state->setSmoothOnBattery(!m_state->smoothOnBattery());
    case MenuCommand::startTimer:
        return startTimer(value);
    case MenuCommand::startCustomTimer:
        return startCustomTimer();
    case MenuCommand::pauseTimer:
        return timer.pause();
    case MenuCommand::resumeTimer:
        return timer.resume();
    case MenuCommand::resetTimer:
        return timer.reset();
    case MenuCommand::openDetailWindow:
        return openDetailWindow();
    case MenuCommand::openTimeline:
        return m_timeline->show();
    case MenuCommand::openEdit:
        return m_edit->show();
    case MenuCommand::addAlertRule:
        return addAlertRule();
    case MenuCommand::removeAlertRule:
        return removeAlertRule(value);
    case MenuCommand::refreshNow:
        runDetached(refreshNow(), this);
        return;
    case MenuCommand::openAccountLink:
        return m_link->show();
    case MenuCommand::logoutAccount:
        return m_account->logout();
    case MenuCommand::openWeb:
        WindowStyle::openWebUrl(m_api->baseURL());
        return;
    case MenuCommand::toggleStartAtLogin:
        m_env.autostart.setEnabled(!m_env.autostart.enabled());
        return rebuildMenu();
    case MenuCommand::checkForUpdates:
        return m_updates.checkForUpdates();
    case MenuCommand::quit:
        return m_env.quit();
    }
}

void AppDelegate::switchMode(const QVariant& value)
{
    const auto mode = DisplayModes::fromRawText(value.toString());
    if (!mode) {
        return;
    }
    // Choosing the active mode again reloads the list and polls at once.
    if (*mode == m_state->mode()) {
        m_state->restart();
    } else {
        m_state->setMode(*mode);
    }
    rebuildMenu();
    m_notch->layout();
}

void AppDelegate::switchTickerPlacement(const QVariant& value)
{
    if (const auto placement = TickerPlacements::fromRawText(value.toString())) {
        m_state->setTickerPlacement(*placement);
        m_notch->layout();
    }
}

void AppDelegate::toggleFocusMode()
{
    m_state->setFocusMode(!m_state->focusMode());
    m_notch->layout();
}

void AppDelegate::startTimer(const QVariant& value)
{
    if (value.typeId() == QMetaType::Int) {
        m_state->timerEngine().start(value.toInt());
    }
}

void AppDelegate::openDetailWindow()
{
    std::optional<WatchItem> item = m_state->rotatingItem();
    if (!item && !m_state->items().isEmpty()) {
        item = m_state->items().first();
    }
    if (item) {
        m_detail->show(*item);
    }
}

void AppDelegate::startCustomTimer()
{
    if (m_minutesDialog) {
        return m_minutesDialog->present();
    }
    m_minutesDialog = new MinutesDialog();
    QPointer self(this);
    connect(m_minutesDialog, &QDialog::accepted, this, [self, dialog = m_minutesDialog] {
        if (self && dialog) {
            if (const auto minutes = dialog->minutes()) {
                self->m_state->timerEngine().start(*minutes);
            }
        }
    });
    m_minutesDialog->present();
}

void AppDelegate::addAlertRule()
{
    if (m_alertDialog) {
        return m_alertDialog->present();
    }
    m_alertDialog = new AlertDialog(m_state->items());
    connect(m_alertDialog, &QDialog::accepted, this, [this, dialog = m_alertDialog] {
        // The list may have changed while the dialog was open: the choice is checked against it now.
        if (const auto rule = dialog ? dialog->rule(m_state->items()) : std::nullopt) {
            m_state->alertEngine().add(*rule);
            rebuildMenu();
        }
    });
    m_alertDialog->present();
}

void AppDelegate::removeAlertRule(const QVariant& value)
{
    const QUuid id = QUuid::fromString(value.toString());
    if (id.isNull()) {
        return;
    }
    m_state->alertEngine().remove(id);
    rebuildMenu();
}

QCoro::Task<> AppDelegate::refreshNow()
{
    QPointer self(this);
    co_await m_sync->syncNow();
    if (!self) {
        co_return;
    }
    co_await m_state->quoteService().refreshAll();
}

void AppDelegate::showUpdateCheck(const UpdateCheck& check)
{
    if (m_updateDialog) {
        m_updateDialog->close();
    }
    m_updateDialog = new UpdateDialog(check, m_updates);
    if (check.userInitiated) {
        m_updateDialog->present();
    } else {
        // Nobody asked: the window the user types in keeps the focus (a modal window would take it).
        m_updateDialog->setWindowModality(Qt::NonModal);
        m_updateDialog->setAttribute(Qt::WA_ShowWithoutActivating);
        m_updateDialog->show();
    }
}

// The link window says so under the address it shows; anything else gets a notification.
void AppDelegate::browserFailed(const QUrl& url)
{
    if (m_link->browserFailed(url)) {
        return;
    }
    if (!m_env.notifier.available()) {
        return m_env.notifier.beep();
    }
    m_env.notifier.post(QStringLiteral("virel.browser"), QStringLiteral("브라우저를 열지 못했습니다"),
                        url.toDisplayString());
}

} // namespace virel
