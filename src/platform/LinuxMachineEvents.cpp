#include "platform/LinuxMachineEvents.h"

#include "platform/PollTrigger.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QNetworkInformation>

namespace virel {

namespace {

Reachability fromQt(QNetworkInformation::Reachability reachability)
{
    switch (reachability) {
    case QNetworkInformation::Reachability::Disconnected:
    case QNetworkInformation::Reachability::Local:
        return Reachability::offline;
    case QNetworkInformation::Reachability::Site:
    case QNetworkInformation::Reachability::Online:
        return Reachability::online;
    case QNetworkInformation::Reachability::Unknown:
        break;
    }
    return Reachability::unknown;
}

} // namespace

LinuxMachineEvents::LinuxMachineEvents(const Clock& clock, QObject* parent)
    : MachineEvents(parent), m_clock(clock)
{
    QDBusConnection system = QDBusConnection::systemBus();
    const bool logind =
        system.isConnected() && system.interface() &&
        system.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.login1")).value() &&
        system.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                       QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                       this, SLOT(prepareForSleep(bool)));
    if (!logind) {
        m_lastWall = m_clock.now();
        m_steady.start();
        m_clockCheck.setInterval(clockCheckInterval);
        connect(&m_clockCheck, &QTimer::timeout, this, &LinuxMachineEvents::checkClock);
        m_clockCheck.start();
    }

    if (QNetworkInformation::loadBackendByFeatures(QNetworkInformation::Feature::Reachability)) {
        const QNetworkInformation* info = QNetworkInformation::instance();
        m_reachability = fromQt(info->reachability());
        connect(info, &QNetworkInformation::reachabilityChanged, this,
                [this](QNetworkInformation::Reachability reachability) {
                    const Reachability before = m_reachability;
                    m_reachability = fromQt(reachability);
                    if (m_reachability != before) {
                        emit reachabilityChanged(before, m_reachability);
                    }
                });
    }
}

Reachability LinuxMachineEvents::reachability() const
{
    return m_reachability;
}

void LinuxMachineEvents::prepareForSleep(bool sleeping)
{
    if (!sleeping) {
        emit resumed();
    }
}

void LinuxMachineEvents::checkClock()
{
    const QDateTime wall = m_clock.now();
    const qint64 steady = m_steady.restart();
    if (PollTrigger::slept(m_lastWall.msecsTo(wall), steady)) {
        emit resumed();
    }
    m_lastWall = wall;
}

} // namespace virel
