#pragma once

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <xcb/xcb.h>

// The few xcb calls the X11-only pieces of the desktop surfaces share. Everything here answers
// "nothing" off X11, so callers need no platform check of their own.
namespace virel::X11Xcb {

struct FreeReply
{
    void operator()(void* reply) const { std::free(reply); }
};
// A reply of libxcb, which the caller owns and frees with free().
template <typename T> using Reply = std::unique_ptr<T, FreeReply>;

// Qt's own connection to the X server; null on Wayland, offscreen and without an application.
inline xcb_connection_t* connection()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

inline xcb_window_t rootWindow(xcb_connection_t* c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// The atom of `name`, or XCB_ATOM_NONE where it does not exist and `onlyIfExists` is set.
inline xcb_atom_t atom(xcb_connection_t* c, const char* name, bool onlyIfExists = false)
{
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, onlyIfExists ? 1 : 0, static_cast<uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// Shows every X event that reaches Qt to `handle` while it lives; Qt goes on handling them as before.
class EventTap final : public QAbstractNativeEventFilter
{
public:
    using Handler = std::function<void(const xcb_generic_event_t& event, int kind)>;
    explicit EventTap(Handler handle) : m_handle(std::move(handle))
    {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~EventTap() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type == "xcb_generic_event_t") {
            const auto* event = static_cast<const xcb_generic_event_t*>(message);
            m_handle(*event, event->response_type & 0x7f);
        }
        return false;
    }

private:
    Handler m_handle;
};

// The event `event` of the kind it was found to be.
template <typename T> const T& as(const xcb_generic_event_t& event)
{
    return *reinterpret_cast<const T*>(&event);
}

} // namespace virel::X11Xcb
