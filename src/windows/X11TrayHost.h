#pragma once

#include <QObject>
#include <memory>

namespace virel {

namespace X11Xcb {
class EventTap;
}

// The XEmbed system tray of the X screen: whether one runs, and when one appears — a panel started
// after us or started again — from the MANAGER message its new owner sends to the root window.
class X11TrayHost final : public QObject
{
    Q_OBJECT
public:
    // None off X11.
    static std::unique_ptr<X11TrayHost> create(QObject* parent = nullptr);
    ~X11TrayHost() override;

    bool present() const;

signals:
    void appeared();

private:
    explicit X11TrayHost(QObject* parent);

    std::unique_ptr<X11Xcb::EventTap> m_events;
    quint32 m_selection = 0;
    quint32 m_manager = 0;
};

} // namespace virel
