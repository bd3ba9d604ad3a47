#include "platform/SessionPresence.h"

#include "platform/DBusCall.h"

#include <QDBusVariant>

namespace virel {

namespace {
const auto kSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const auto kSaverPath = QStringLiteral("/org/freedesktop/ScreenSaver");
const auto kPowerService = QStringLiteral("org.freedesktop.UPower");
const auto kPowerPath = QStringLiteral("/org/freedesktop/UPower");
const auto kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const auto kIdleService = QStringLiteral("org.gnome.Mutter.IdleMonitor");
const auto kIdlePath = QStringLiteral("/org/gnome/Mutter/IdleMonitor/Core");
} // namespace

SessionPresence::SessionPresence(QDBusConnection session, QDBusConnection system, IdleProbe idleProbe,
                                 ScreenOffProbe screenOffProbe, QObject* parent)
    : Presence(parent), m_session(std::move(session)), m_system(std::move(system)),
      m_idleProbe(std::move(idleProbe)), m_screenOffProbe(std::move(screenOffProbe))
{
    if (m_session.isConnected()) {
        m_session.connect(kSaverService, kSaverPath, kSaverService, QStringLiteral("ActiveChanged"), this,
                          SLOT(saverActiveChanged(bool)));
        callAsync<bool>(m_session,
                        QDBusMessage::createMethodCall(kSaverService, kSaverPath, kSaverService,
                                                       QStringLiteral("GetActive")),
                        this, [this](const QDBusPendingReply<bool>& reply) {
                            if (reply.isValid()) {
                                saverActiveChanged(reply.value());
                            }
                        });
    }
    if (m_system.isConnected()) {
        m_system.connect(kPowerService, kPowerPath, kProperties, QStringLiteral("PropertiesChanged"), this,
                         SLOT(powerPropertiesChanged(QString, QVariantMap, QStringList)));
        auto get =
            QDBusMessage::createMethodCall(kPowerService, kPowerPath, kProperties, QStringLiteral("Get"));
        get << kPowerService << QStringLiteral("OnBattery");
        callAsync<QDBusVariant>(m_system, get, this, [this](const QDBusPendingReply<QDBusVariant>& reply) {
            if (reply.isValid()) {
                update(m_saverActive, m_screenOff, m_idleSeconds, reply.value().variant().toBool());
            }
        });
    }
    connect(&m_idleCheck, &QTimer::timeout, this, &SessionPresence::checkIdle);
}

void SessionPresence::setIdleCheckInterval(std::chrono::milliseconds interval)
{
    if (m_idleCheck.intervalAsDuration() != interval) {
        m_idleCheck.start(interval);
    }
}

void SessionPresence::saverActiveChanged(bool active)
{
    update(active, m_screenOff, m_idleSeconds, m_onBattery);
}

void SessionPresence::powerPropertiesChanged(const QString& interface, const QVariantMap& changed,
                                             const QStringList&)
{
    if (interface == kPowerService && changed.contains(QStringLiteral("OnBattery"))) {
        update(m_saverActive, m_screenOff, m_idleSeconds,
               changed.value(QStringLiteral("OnBattery")).toBool());
    }
}

void SessionPresence::checkIdle()
{
    const bool screenOff = m_screenOffProbe && m_screenOffProbe();
    if (const std::optional<double> idle = m_idleProbe ? m_idleProbe() : std::nullopt) {
        update(m_saverActive, screenOff, *idle, m_onBattery);
        return;
    }
    update(m_saverActive, screenOff, m_idleSeconds, m_onBattery);
    if (!m_session.isConnected()) {
        return;
    }
    callAsync<quint64>(
        m_session,
        QDBusMessage::createMethodCall(kIdleService, kIdlePath, kIdleService, QStringLiteral("GetIdletime")),
        this, [this](const QDBusPendingReply<quint64>& reply) {
            // Without the monitor the idle time stays 0: someone counts as present.
            if (reply.isValid()) {
                update(m_saverActive, m_screenOff, static_cast<double>(reply.value()) / 1000.0, m_onBattery);
            }
        });
}

void SessionPresence::update(bool saverActive, bool screenOff, double idleSeconds, bool onBattery)
{
    if (saverActive == m_saverActive && screenOff == m_screenOff && idleSeconds == m_idleSeconds &&
        onBattery == m_onBattery) {
        return;
    }
    m_saverActive = saverActive;
    m_screenOff = screenOff;
    m_idleSeconds = idleSeconds;
    m_onBattery = onBattery;
    emit changed();
}

} // namespace virel
