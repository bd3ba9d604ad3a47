#include "windows/X11Activation.h"

#include <QGuiApplication>
#include <QWidget>
#include <cstdlib>
#include <dlfcn.h>
#include <optional>
#include <xcb/xcb.h>

namespace virel::X11Activation {

namespace {

// libxcb as Qt's X11 platform plugin loaded it, looked up instead of linked (as for the compositor
// check), so nothing changes on Wayland or offscreen.
class Xcb
{
public:
    Xcb() : m_library(dlopen("libxcb.so.1", RTLD_LAZY | RTLD_NOLOAD)) {}
    ~Xcb()
    {
        if (m_library != nullptr) {
            dlclose(m_library);
        }
    }
    Xcb(const Xcb&) = delete;
    Xcb& operator=(const Xcb&) = delete;

    bool loaded() const { return m_library != nullptr; }
    template <typename Function> Function* get(const char* name) const
    {
        return reinterpret_cast<Function*>(dlsym(m_library, name));
    }

    xcb_window_t root(xcb_connection_t* connection) const
    {
        const xcb_setup_t* setup = get<decltype(xcb_get_setup)>("xcb_get_setup")(connection);
        return get<decltype(xcb_setup_roots_iterator)>("xcb_setup_roots_iterator")(setup).data->root;
    }

private:
    void* m_library;
};

// The server's time now: an empty property change on a window of a connection of our own comes back
// stamped with it.
std::optional<xcb_timestamp_t> serverTime(const Xcb& xcb)
{
    xcb_connection_t* connection = xcb.get<decltype(xcb_connect)>("xcb_connect")(nullptr, nullptr);
    std::optional<xcb_timestamp_t> time;
    if (xcb.get<decltype(xcb_connection_has_error)>("xcb_connection_has_error")(connection) == 0) {
        const xcb_window_t window = xcb.get<decltype(xcb_generate_id)>("xcb_generate_id")(connection);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb.get<decltype(xcb_create_window)>("xcb_create_window")(
            connection, XCB_COPY_FROM_PARENT, window, xcb.root(connection), 0, 0, 1, 1, 0,
            XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &events);
        xcb.get<decltype(xcb_change_property)>("xcb_change_property")(
            connection, XCB_PROP_MODE_APPEND, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0, nullptr);
        xcb.get<decltype(xcb_flush)>("xcb_flush")(connection);
        const auto waitForEvent = xcb.get<decltype(xcb_wait_for_event)>("xcb_wait_for_event");
        while (xcb_generic_event_t* event = waitForEvent(connection)) {
            const bool stamped = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY;
            if (stamped) {
                time = reinterpret_cast<xcb_property_notify_event_t*>(event)->time;
            }
            std::free(event);
            if (stamped) {
                break;
            }
        }
    }
    xcb.get<decltype(xcb_disconnect)>("xcb_disconnect")(connection);
    return time;
}

} // namespace

bool activate(QWidget* window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    const Xcb xcb;
    if (x11 == nullptr || x11->connection() == nullptr || !xcb.loaded()) {
        return false;
    }
    const std::optional<xcb_timestamp_t> now = serverTime(xcb);
    xcb_connection_t* connection = x11->connection();
    static constexpr char name[] = "_NET_ACTIVE_WINDOW";
    xcb_intern_atom_reply_t* atom = xcb.get<decltype(xcb_intern_atom_reply)>("xcb_intern_atom_reply")(
        connection,
        xcb.get<decltype(xcb_intern_atom)>("xcb_intern_atom")(connection, 0, sizeof(name) - 1, name),
        nullptr);
    if (!now || atom == nullptr) {
        std::free(atom);
        return false;
    }
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window->winId());
    message.type = atom->atom;
    message.data.data32[0] = 1; // asked by an application
    message.data.data32[1] = *now;
    std::free(atom);
    xcb.get<decltype(xcb_send_event)>("xcb_send_event")(connection, 0, xcb.root(connection),
                                                        XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY |
                                                            XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                                                        reinterpret_cast<const char*>(&message));
    xcb.get<decltype(xcb_flush)>("xcb_flush")(connection);
    return true;
}

} // namespace virel::X11Activation
