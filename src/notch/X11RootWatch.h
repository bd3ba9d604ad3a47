#pragma once

#include <QObject>
#include <QRect>
#include <memory>
#include <optional>

namespace virel {

namespace X11Xcb {
class EventTap;
}

// What the window manager tells on the root window, followed through property changes: whether the
// active window (_NET_ACTIVE_WINDOW) is full-screen by its _NET_WM_STATE, and when the list of its
// clients changes, which may bring or take a panel.
class X11RootWatch final : public QObject
{
    Q_OBJECT
public:
    // None off X11.
    static std::unique_ptr<X11RootWatch> create(QObject* parent = nullptr);
    ~X11RootWatch() override;

    // The active window's frame on the root window while it is full-screen.
    std::optional<QRect> fullScreenWindow() const { return m_window; }

signals:
    void fullScreenChanged();
    void clientsChanged();

private:
    explicit X11RootWatch(QObject* parent);
    void propertyChanged(quint32 window, quint32 atom);
    void windowUnmapped(quint32 window);
    void followActiveWindow();
    void check();

    std::unique_ptr<X11Xcb::EventTap> m_events;
    quint32 m_root = 0;
    quint32 m_activeAtom = 0;
    quint32 m_clientsAtom = 0;
    quint32 m_stateAtom = 0;
    quint32 m_fullScreenAtom = 0;
    quint32 m_active = 0;
    std::optional<QRect> m_window;
};

} // namespace virel
