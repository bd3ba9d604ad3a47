#include "app/AppDelegate.h"
#include "app/DemoServer.h"
#include "app/SingleInstance.h"
#include "notch/QtScreenFacts.h"
#include "notch/WaylandSession.h"
#include "notch/X11Session.h"
#include "platform/BrowserLauncher.h"
#include "platform/DBusNotifier.h"
#include "platform/KeychainStore.h"
#include "platform/LinuxMachineEvents.h"
#include "platform/Origins.h"
#include "platform/QuitSignals.h"
#include "platform/SessionPresence.h"
#include "platform/Settings.h"
#include "platform/StatusItemScan.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDesktopServices>
#include <QScopeGuard>
#include <array>
#include <cstdio>

using namespace virel;

namespace {

// Under Wayland a client cannot place its own windows, and the strip must sit at the top centre of
// the screen: run through XWayland unless the user chose a platform.
void preferX11UnderWayland()
{
    if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || !qEnvironmentVariableIsSet("DISPLAY")) {
        return;
    }
    if (qgetenv("XDG_SESSION_TYPE") == "wayland" || qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "xcb");
    }
}

void complain(const QString& message)
{
    std::fprintf(stderr, "virel: %s\n", qPrintable(message));
}

} // namespace

int main(int argc, char* argv[])
{
    preferX11UnderWayland();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("virel"));
    QApplication::setApplicationVersion(QStringLiteral(VIREL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("app.virel.Virel"));
    const QStringList arguments = QApplication::arguments().mid(1);

    SingleInstance instance;
    if (!instance.claim()) {
        QObject::connect(&instance, &SingleInstance::handedOver, &app, [] { QApplication::exit(0); });
        QObject::connect(&instance, &SingleInstance::handOverFailed, &app, [] {
            complain(QStringLiteral("another Virel is starting or not answering; try again"));
            QApplication::exit(1);
        });
        instance.sendToRunning(arguments);
        return QApplication::exec();
    }

    BrowserLauncher browser;
    static constexpr std::array schemes{"http", "https"};
    for (const char* scheme : schemes) {
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &browser, "open");
    }
    // Qt holds the handler by address: it lets go before the launcher goes.
    const auto unsetHandlers = qScopeGuard([] {
        for (const char* scheme : schemes) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
    });
    Settings settings;
    DBusNotifier notifier(QDBusConnection::sessionBus(), [] { QApplication::beep(); });
    // XWayland counts only the input its own windows get: the compositor's idle notice comes first.
    const std::unique_ptr<WaylandSession> wayland = WaylandSession::connect();
    const auto idleSeconds = [&wayland] {
        const std::optional<double> seconds = wayland ? wayland->idleSeconds() : std::nullopt;
        return seconds ? seconds : X11Session::idleSeconds();
    };
    SessionPresence presence(QDBusConnection::sessionBus(), QDBusConnection::systemBus(), idleSeconds,
                             &X11Session::screenOff);
    KeychainStore secrets;
    QtScreenFacts screens;
    NoStatusItemScan statusItems;
    LinuxMachineEvents machine;
    std::unique_ptr<DemoServer> demo;
    std::unique_ptr<AppDelegate> delegate;

    // With a demo server, it is stopped before the application ends.
    const auto quit = [&demo, &app] {
        if (!demo) {
            return QApplication::quit();
        }
        QObject::connect(demo.get(), &DemoServer::stopped, &app, &QApplication::quit);
        demo->stop();
    };
    // A session manager's SIGTERM, Ctrl+C and a closed terminal quit like "종료" does.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &app, quit);
    const auto launch = [&] {
        // Read here: a demo points the feed at its server just before.
        UpdateService::Options updates = UpdateService::defaultOptions();
        updates.announceOnce = demo != nullptr;
        delegate = std::make_unique<AppDelegate>(AppEnvironment{
            .settings = settings,
            .notifier = notifier,
            .secrets = secrets,
            .screens = screens,
            .statusItems = statusItems,
            .clock = Clock::system(),
            .yahooOrigin = Origins::yahoo(),
            .serviceOrigin = Origins::service(),
            .updates = updates,
            .quit = quit,
            .machine = &machine,
            .browser = &browser,
            .presence = &presence,
            .wayland = wayland.get(),
        });
        delegate->applicationDidFinishLaunching(arguments);
        instance.setHandler([&delegate](const QStringList& handed) {
            delegate->applySwitches(LaunchSwitches::parse(handed));
        });
    };

    if (arguments.contains(QStringLiteral("--demo"))) {
        demo = std::make_unique<DemoServer>(DemoServer::bundledProgram());
        QObject::connect(demo.get(), &DemoServer::ready, &app, [&launch](const QUrl& origin) {
            // Before anything reads an origin.
            DemoServer::useOrigin(origin);
            launch();
        });
        // Queued: a server that cannot start is reported before the event loop runs.
        QObject::connect(
            demo.get(), &DemoServer::failed, &app,
            [](const QString& reason) {
                complain(QStringLiteral("--demo: ") + reason);
                QApplication::exit(1);
            },
            Qt::QueuedConnection);
        demo->start();
    } else {
        launch();
    }
    const int status = QApplication::exec();
    delegate.reset();
    return status;
}
