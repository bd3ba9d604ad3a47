#pragma once

#include "platform/Notifier.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <functional>
#include <optional>

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
    // GNOME Shell drops its banners in at the top centre.
    bool bannersAtTopCentre() const override { return m_serverName == u"gnome-shell"; }

private:
    struct Content
    {
        QString title;
        QString body;
    };

    void askWhetherServiceExists();
    void askServerName();
    void send(const QString& identifier, const Content& content);

    QDBusConnection m_bus;
    std::function<void()> m_beep;
    bool m_running = false;
    bool m_activatable = false;
    QString m_serverName;
    // Server id of the last notification of each identifier, for replaces_id.
    QHash<QString, uint> m_ids;
    // Identifiers whose Notify call awaits its id, with the newest content posted meanwhile: it is
    // sent once the id is known, so even a quick repeat replaces instead of piling up.
    QHash<QString, std::optional<Content>> m_inFlight;
};

} // namespace virel
