#pragma once

#include "platform/Notifier.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <functional>

namespace virel {

// Notifications through org.freedesktop.Notifications on the given bus (the session bus in the
// application). Whether the service exists is learnt asynchronously and kept up to date, so no call
// ever waits for the bus.
class DBusNotifier final : public QObject, public Notifier
{
    Q_OBJECT
public:
    // `beep` plays the platform's bell (the application passes QApplication::beep).
    DBusNotifier(QDBusConnection bus, std::function<void()> beep, QObject* parent = nullptr);

    bool available() const override;
    void post(const QString& identifier, const QString& title, const QString& body) override;
    void beep() override;

private:
    void askWhetherServiceExists();

    QDBusConnection m_bus;
    std::function<void()> m_beep;
    bool m_running = false;
    bool m_activatable = false;
    // Server id of the last notification of each identifier, for replaces_id.
    QHash<QString, uint> m_ids;
};

} // namespace virel
