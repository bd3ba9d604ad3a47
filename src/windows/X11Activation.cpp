#include "windows/X11Activation.h"
#include "windows/X11Xcb.h"

#include <QWidget>
#include <cstdlib>
#include <optional>

namespace virel::X11Activation {

namespace {

// The server's time now: an empty property change on a window of a connection of our own comes back
// stamped with it.
std::optional<xcb_timestamp_t> serverTime()
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    std::optional<xcb_timestamp_t> time;
    if (xcb_connection_has_error(connection) == 0) {
        const xcb_window_t window = xcb_generate_id(connection);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, X11Xcb::rootWindow(connection), 0, 0, 1,
                          1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
        xcb_change_property(connection, XCB_PROP_MODE_APPEND, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                            nullptr);
        xcb_flush(connection);
        while (xcb_generic_event_t* event = xcb_wait_for_event(connection)) {
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
    xcb_disconnect(connection);
    return time;
}

} // namespace

bool activate(QWidget* window)
{
    xcb_connection_t* connection = X11Xcb::connection();
    if (connection == nullptr) {
        return false;
    }
    const std::optional<xcb_timestamp_t> now = serverTime();
    const xcb_atom_t activeWindow = X11Xcb::atom(connection, "_NET_ACTIVE_WINDOW");
    if (!now || activeWindow == XCB_ATOM_NONE) {
        return false;
    }
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window->winId());
    message.type = activeWindow;
    message.data.data32[0] = 1; // asked by an application
    message.data.data32[1] = *now;
    xcb_send_event(connection, 0, X11Xcb::rootWindow(connection),
                   XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
    return true;
}

} // namespace virel::X11Activation
