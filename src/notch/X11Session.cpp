#include "notch/X11Session.h"

#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <xcb/dpms.h>
#include <xcb/screensaver.h>
#include <xcb/xcb.h>

namespace virel::X11Session {

namespace {

xcb_connection_t* connectionWith(xcb_extension_t* extension)
{
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 != nullptr ? x11->connection() : nullptr;
    if (connection == nullptr) {
        return nullptr;
    }
    const xcb_query_extension_reply_t* present = xcb_get_extension_data(connection, extension);
    return present != nullptr && present->present ? connection : nullptr;
}

template <typename Reply> using Owned = std::unique_ptr<Reply, decltype(&std::free)>;

} // namespace

std::optional<double> idleSeconds()
{
    xcb_connection_t* connection = connectionWith(&xcb_screensaver_id);
    if (connection == nullptr) {
        return std::nullopt;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const Owned<xcb_screensaver_query_info_reply_t> info(
        xcb_screensaver_query_info_reply(connection, xcb_screensaver_query_info(connection, screen->root),
                                         nullptr),
        &std::free);
    if (!info) {
        return std::nullopt;
    }
    return static_cast<double>(info->ms_since_user_input) / 1000.0;
}

bool screenOff()
{
    xcb_connection_t* connection = connectionWith(&xcb_dpms_id);
    if (connection == nullptr) {
        return false;
    }
    const Owned<xcb_dpms_info_reply_t> info(
        xcb_dpms_info_reply(connection, xcb_dpms_info(connection), nullptr), &std::free);
    return info && info->state && info->power_level != XCB_DPMS_DPMS_MODE_ON;
}

} // namespace virel::X11Session
