#include "platform/DBusNotifier.h"

#include "platform/DBusCall.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QVariantMap>
#include <functional>

namespace virel {

namespace {
const auto kService = QStringLiteral("org.freedesktop.Notifications");
const auto kPath = QStringLiteral("/org/freedesktop/Notifications");
const auto kBusService = QStringLiteral("org.freedesktop.DBus");
const auto kBusPath = QStringLiteral("/org/freedesktop/DBus");
constexpr qint32 kServerDefaultExpiry = -1;
} // namespace

DBusNotifier::DBusNotifier(QDBusConnection bus, std::function<void()> beep, QObject* parent)
    : QObject(parent), m_bus(std::move(bus)), m_beep(std::move(beep))
{
    if (!m_bus.isConnected()) {
        return;
    }
    auto* watcher = new QDBusServiceWatcher(kService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) {
                m_running = !newOwner.isEmpty();
                // A restarted server numbers its notifications afresh.
                m_ids.clear();
                m_serverName.clear();
                if (m_running) {
                    askServerName();
                }
            });
    askWhetherServiceExists();
    askServerName();
}

void DBusNotifier::askServerName()
{
    auto ask =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetServerInformation"));
    ask.setAutoStartService(false); // a server started only to be named would run for nothing
    callAsync<QString>(m_bus, ask, this, [this](const QDBusPendingReply<QString>& reply) {
        if (reply.isValid()) {
            m_serverName = reply.argumentAt<0>();
        }
    });
}

void DBusNotifier::askWhetherServiceExists()
{
    auto hasOwner =
        QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService, QStringLiteral("NameHasOwner"));
    hasOwner << kService;
    callAsync<bool>(m_bus, hasOwner, this, [this](const QDBusPendingReply<bool>& reply) {
        m_running = m_running || (reply.isValid() && reply.value());
    });
    // A server that the bus starts on the first call counts as present too.
    const auto activatable = QDBusMessage::createMethodCall(kBusService, kBusPath, kBusService,
                                                            QStringLiteral("ListActivatableNames"));
    callAsync<QStringList>(m_bus, activatable, this, [this](const QDBusPendingReply<QStringList>& reply) {
        m_activatable = reply.isValid() && reply.value().contains(kService);
    });
}

bool DBusNotifier::available() const
{
    return m_running || m_activatable;
}

void DBusNotifier::post(const QString& identifier, const QString& title, const QString& body)
{
    if (m_inFlight.contains(identifier)) {
        m_inFlight[identifier] = Content{title, body};
        return;
    }
    send(identifier, {title, body});
}

void DBusNotifier::send(const QString& identifier, const Content& content)
{
    auto message = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("sound-name"), QStringLiteral("message-new-instant")}};
    message << QStringLiteral("Virel") << m_ids.value(identifier, 0) << QString() << content.title
            << content.body << QStringList() << hints << kServerDefaultExpiry;
    m_inFlight.insert(identifier, std::nullopt);
    callAsync<uint>(m_bus, message, this, [this, identifier](const QDBusPendingReply<uint>& reply) {
        if (reply.isValid()) {
            m_ids.insert(identifier, reply.value());
        }
        if (const auto next = m_inFlight.take(identifier)) {
            send(identifier, *next);
        }
    });
}

void DBusNotifier::beep()
{
    if (m_beep) {
        m_beep();
    }
}

} // namespace virel
