#pragma once

#include "app/LaunchSwitches.h"
#include "app/StatusMenuModel.h"
#include "app/UpdateService.h"
#include "platform/Autostart.h"
#include "state/AppState.h"

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>

namespace virel {

class AccountService;
class AlertDialog;
class BrowserLauncher;
class DetailWindowController;
class EditWindowController;
class LinkWindowController;
class MachineEvents;
class MinutesDialog;
class NotchWindowController;
class Presence;
class Notifier;
class ScreenFacts;
class SecretStore;
class Settings;
class StatusItem;
class StatusItemScan;
class SyncService;
class TimelineStore;
class TimelineWindowController;
class UpdateDialog;
class VirelAPI;
class WaylandSession;
class YahooClient;

// What the application runs on: the platform's stores and services, the remote origins and the
// shell's own periods. The application hands in the real ones, tests fakes and short periods.
struct AppEnvironment
{
    Settings& settings;
    Notifier& notifier;
    SecretStore& secrets;
    ScreenFacts& screens;
    StatusItemScan& statusItems;
    const Clock& clock;
    QUrl yahooOrigin;
    QUrl serviceOrigin;
    UpdateService::Options updates;
    // Ends the application (the "종료" command).
    std::function<void()> quit;
    // "로그인 시 시작" writes and reads this entry.
    Autostart autostart = Autostart::forThisProgram();
    // Resume and network changes that make polling run at once or pause; none: a steady timer.
    const MachineEvents* machine = nullptr;
    // Opens the http and https addresses; its failures are shown. None where tests take them all.
    BrowserLauncher* browser = nullptr;
    AppState::Intervals stateIntervals{};
    std::chrono::milliseconds titleInterval{1'000};
    std::chrono::milliseconds glanceDelay{3'000};
    // Lock, idle time and battery, which decide whether the ticker flows, steps or stops; none:
    // someone present on mains.
    Presence* presence = nullptr;
    // The compositor's layer shell, which then holds the strip, the glance and the ticker bar;
    // none: they are X11 windows.
    WaylandSession* wayland = nullptr;
};

// The composition root: builds the state, the services, the notch and the window controllers at
// launch, wires their callbacks (each holding the delegate weakly), owns the status item and its
// menu and carries out the menu's commands. Everything it builds lives as long as it does.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    explicit AppDelegate(AppEnvironment environment, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The launch sequence; `arguments` without the program name.
    void applicationDidFinishLaunching(const QStringList& arguments);
    // "--detail", "--edit", "--glance" as given at launch or handed over by a later launch.
    void applySwitches(const LaunchSwitches& switches);

    void updateStatusTitle();
    void rebuildMenu();
    MenuInputs menuInputs() const;
    void perform(MenuCommand command, const QVariant& value);

    AppState* state() const { return m_state.get(); }
    AccountService* accountService() const { return m_account.get(); }
    SyncService* syncService() const { return m_sync.get(); }
    NotchWindowController* notchController() const { return m_notch.get(); }
    DetailWindowController* detailController() const { return m_detail.get(); }
    EditWindowController* editController() const { return m_edit.get(); }
    StatusItem* statusItem() const { return m_statusItem.get(); }
    UpdateService& updateService() { return m_updates; }
    // The open dialogs, if any.
    AlertDialog* alertDialog() const;
    MinutesDialog* minutesDialog() const;

private:
    void installServiceCallbacks();
    void installDisplayCallbacks();
    void setupStatusItem();

    void switchMode(const QVariant& value);
    void switchTickerPlacement(const QVariant& value);
    void toggleFocusMode();
    void startTimer(const QVariant& value);
    void startCustomTimer();
    void openDetailWindow();
    void addAlertRule();
    void removeAlertRule(const QVariant& value);
    QCoro::Task<> refreshNow();
    void showUpdateCheck(const UpdateCheck& check);
    void browserFailed(const QUrl& url);

    AppEnvironment m_env;
    UpdateService m_updates;

    std::unique_ptr<YahooClient> m_yahoo;
    std::unique_ptr<VirelAPI> m_api;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<AccountService> m_account;
    std::unique_ptr<SyncService> m_sync;
    std::unique_ptr<LinkWindowController> m_link;
    std::unique_ptr<NotchWindowController> m_notch;
    std::unique_ptr<EditWindowController> m_edit;
    std::unique_ptr<DetailWindowController> m_detail;
    std::unique_ptr<TimelineStore> m_timelineStore;
    std::unique_ptr<TimelineWindowController> m_timeline;
    std::unique_ptr<StatusItem> m_statusItem;
    QTimer m_menuTimer;

    QPointer<AlertDialog> m_alertDialog;
    QPointer<MinutesDialog> m_minutesDialog;
    QPointer<UpdateDialog> m_updateDialog;
};

} // namespace virel
