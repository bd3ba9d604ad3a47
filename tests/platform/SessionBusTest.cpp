#include "AwaitTask.h"
#include "platform/DBusNotifier.h"
#include "platform/KeychainStore.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace virel;
using namespace std::chrono_literals;
using test::awaitTask;

namespace {

const auto kService = u"org.freedesktop.Notifications"_qs;
const auto kPath = u"/org/freedesktop/Notifications"_qs;
const auto kSound = u"message-new-instant"_qs;

// A bus of our own, so the test never reaches the desktop's notification server.
class PrivateBus
{
public:
    // With `activatable`, the bus advertises the notification service as startable on demand.
    bool start(bool activatable = false)
    {
        const QString daemon = QStandardPaths::findExecutable(u"dbus-daemon"_qs);
        QFile service(m_dir.filePath(u"notifications.service"_qs));
        QFile config(m_dir.filePath(u"bus.conf"_qs));
        if (daemon.isEmpty() || !service.open(QIODevice::WriteOnly) || !config.open(QIODevice::WriteOnly)) {
            return false;
        }
        service.write("[D-BUS Service]\nName=org.freedesktop.Notifications\nExec=/bin/false\n");
        const QString serviceDir = u"<servicedir>%1</servicedir>"_qs.arg(m_dir.path());
        config.write(
            QStringLiteral("<busconfig><type>session</type><listen>unix:dir=%1</listen>"
                           "<auth>EXTERNAL</auth>%2<policy context=\"default\">"
                           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                           "<allow own=\"*\"/></policy></busconfig>")
                .arg(m_dir.path(), activatable ? serviceDir : QString())
                .toUtf8());
        service.close();
        config.close();
        m_daemon.start(daemon,
                       {u"--config-file="_qs + config.fileName(), u"--nofork"_qs, u"--print-address"_qs});
        if (!m_daemon.waitForReadyRead(5000)) {
            return false;
        }
        m_address = QString::fromUtf8(m_daemon.readLine().trimmed());
        return !m_address.isEmpty();
    }

    ~PrivateBus()
    {
        for (const auto& name : std::as_const(m_connections)) {
            QDBusConnection::disconnectFromBus(name);
        }
        m_daemon.kill();
        m_daemon.waitForFinished();
    }

    QDBusConnection connect(const QString& name)
    {
        m_connections.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
};

} // namespace

// Answers Notify the way a desktop notification server does: a new id, or the replaced one.
class FakeNotificationService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call
    {
        QString appName;
        uint replacesId;
        QString summary;
        QString body;
        QString sound;
        int timeout;
        bool operator==(const Call&) const = default;
    };
    QList<Call> calls;

public slots:
    uint Notify(const QString& appName, uint replacesId, const QString& /*icon*/, const QString& summary,
                const QString& body, const QStringList& /*actions*/, const QVariantMap& hints, int timeout)
    {
        calls.append({appName, replacesId, summary, body, hints.value(u"sound-name"_qs).toString(), timeout});
        return replacesId != 0 ? replacesId : ++m_lastId;
    }

    QString GetServerInformation(QString& vendor, QString& version, QString& specVersion)
    {
        vendor = version = QString();
        specVersion = QStringLiteral("1.2");
        return QStringLiteral("gnome-shell");
    }

private:
    uint m_lastId = 40;
};

class SessionBusTest : public QObject
{
    Q_OBJECT

private slots:
    void startableServiceCountsAsAvailable()
    {
        PrivateBus bus;
        if (!bus.start(true)) {
            QSKIP("no dbus-daemon");
        }
        DBusNotifier notifier(bus.connect(u"client"_qs), {});
        QTRY_VERIFY_WITH_TIMEOUT(notifier.available(), 2000);
    }

    void postsWhileTheServiceIsOnTheBus()
    {
        PrivateBus bus;
        if (!bus.start()) {
            QSKIP("no dbus-daemon");
        }
        auto serverConnection = bus.connect(u"server"_qs);
        DBusNotifier notifier(bus.connect(u"client"_qs), {});
        QTest::qWait(100);
        QVERIFY(!notifier.available());
        FakeNotificationService service;
        QVERIFY(serverConnection.registerObject(kPath, &service, QDBusConnection::ExportAllSlots) &&
                serverConnection.registerService(kService));
        QTRY_VERIFY_WITH_TIMEOUT(notifier.available(), 2000);
        QTRY_VERIFY_WITH_TIMEOUT(notifier.bannersAtTopCentre(), 2000); // GNOME Shell's, by its name

        const QString title = u"삼성전자 가격 알림"_qs;
        const auto post = [&](const char* id, const char* body) {
            notifier.post(QString::fromUtf8(id), title, QString::fromUtf8(body));
        };
        post("rule-a", "first");
        // Quick repeats before the server has answered still replace the first notification.
        post("rule-a", "second");
        post("rule-a", "third");
        QTRY_COMPARE_WITH_TIMEOUT(service.calls.size(), 2, 2000);
        post("timer-1700000000.5", "b");
        // The id is remembered: a later firing of the same rule replaces it as well.
        post("rule-a", "again");
        QTRY_COMPARE_WITH_TIMEOUT(service.calls.size(), 4, 2000);
        const auto call = [&](uint replaces, const char* body) {
            return FakeNotificationService::Call{u"Virel"_qs, replaces, title, QString::fromUtf8(body),
                                                 kSound,      -1};
        };
        QCOMPARE(service.calls,
                 (QList{call(0, "first"), call(41, "third"), call(0, "b"), call(41, "again")}));

        QVERIFY(serverConnection.unregisterService(kService));
        QTRY_VERIFY_WITH_TIMEOUT(!notifier.available(), 2000);
    }

    void withoutABusNothingIsAvailableAndBeepIsInjected()
    {
        int beeps = 0;
        DBusNotifier notifier(QDBusConnection::connectToBus(u"unix:path=/nonexistent/bus"_qs, u"missing"_qs),
                              [&beeps] { ++beeps; });
        QVERIFY(!notifier.available());
        notifier.post(u"x"_qs, u"t"_qs, u"b"_qs);
        notifier.beep();
        QCOMPARE(beeps, 1);
        QDBusConnection::disconnectFromBus(u"missing"_qs);
    }

    // The keychain never hangs the application: here the session bus accepts connections and never
    // answers, as a keyring waiting for a password prompt would. No real keychain is ever reached.
    void silentKeychainCountsAsFailure()
    {
        QTemporaryDir dir;
        QLocalServer bus;
        QList<QLocalSocket*> clients;
        bus.setSocketOptions(QLocalServer::UserAccessOption);
        QVERIFY(bus.listen(dir.filePath(u"bus"_qs)));
        connect(&bus, &QLocalServer::newConnection, this, [&] {
            while (QLocalSocket* client = bus.nextPendingConnection()) {
                clients.append(client);
            }
        });
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + bus.fullServerName().toUtf8());
        // The desktop decides between the secret service and KWallet; neither is reached here.
        qunsetenv("XDG_CURRENT_DESKTOP");
        qunsetenv("DESKTOP_SESSION");
        qunsetenv("KDE_FULL_SESSION");

        KeychainStore store(200ms);
        QCOMPARE(awaitTask(store.save(u"토큰-token"_qs)), false);
        QCOMPARE(awaitTask(store.load()), std::nullopt);
        awaitTask(store.remove());
        QVERIFY(!clients.isEmpty()); // the keychain did try the bus

        // Hung jobs fail once the bus goes away, and delete themselves.
        for (QLocalSocket* client : std::as_const(clients)) {
            client->abort();
        }
        bus.close();
        QTest::qWait(300);
    }
};

QTEST_GUILESS_MAIN(SessionBusTest)
#include "SessionBusTest.moc"
