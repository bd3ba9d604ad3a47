#pragma once

#include "platform/Presence.h"

#include <QDBusConnection>
#include <QTimer>
#include <functional>
#include <optional>

namespace virel {

// Presence from the desktop session: the lock and screen saver through org.freedesktop.ScreenSaver
// on the session bus, the battery through UPower's OnBattery on the system bus, the idle time from
// `idleProbe` (the display server's own count, where the caller has one) or else GNOME's
// org.gnome.Mutter.IdleMonitor, and a powered-down screen from `screenOffProbe`. Every bus call is
// asynchronous; the idle time and the screen's power are polled once an interval is set.
class SessionPresence final : public Presence
{
    Q_OBJECT
public:
    using IdleProbe = std::function<std::optional<double>()>;
    using ScreenOffProbe = std::function<bool()>;

    SessionPresence(QDBusConnection session, QDBusConnection system, IdleProbe idleProbe,
                    ScreenOffProbe screenOffProbe, QObject* parent = nullptr);

    bool screenHidden() const override { return m_saverActive || m_screenOff; }
    double idleSeconds() const override { return m_idleSeconds; }
    bool onBattery() const override { return m_onBattery; }
    void setIdleCheckInterval(std::chrono::milliseconds interval) override;

private slots:
    void saverActiveChanged(bool active);
    void powerPropertiesChanged(const QString& interface, const QVariantMap& changed, const QStringList&);

private:
    void checkIdle();
    void update(bool saverActive, bool screenOff, double idleSeconds, bool onBattery);

    QDBusConnection m_session;
    QDBusConnection m_system;
    IdleProbe m_idleProbe;
    ScreenOffProbe m_screenOffProbe;
    QTimer m_idleCheck;
    bool m_saverActive = false;
    bool m_screenOff = false;
    double m_idleSeconds = 0;
    bool m_onBattery = false;
};

} // namespace virel
