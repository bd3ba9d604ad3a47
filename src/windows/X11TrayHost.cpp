#include "windows/X11TrayHost.h"

#include "windows/X11Xcb.h"

#include <QCoreApplication>

namespace virel {

std::unique_ptr<X11TrayHost> X11TrayHost::create(QObject* parent)
{
    if (X11Xcb::connection() == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<X11TrayHost>(new X11TrayHost(parent));
}

X11TrayHost::X11TrayHost(QObject* parent)
    : QObject(parent),
      m_events(std::make_unique<X11Xcb::EventTap>([this](const xcb_generic_event_t& event, int kind) {
          if (kind != XCB_CLIENT_MESSAGE) {
              return;
          }
          const auto& client = X11Xcb::as<xcb_client_message_event_t>(event);
          if (client.type == m_manager && client.format == 32 && client.data.data32[1] == m_selection) {
              emit appeared();
          }
      }))
{
    xcb_connection_t* c = X11Xcb::connection();
    // The tray of the first screen: Qt runs every screen of a display on its first X screen.
    m_selection = X11Xcb::atom(c, "_NET_SYSTEM_TRAY_S0");
    m_manager = X11Xcb::atom(c, "MANAGER");
    // The MANAGER message goes to the root window with the structure-notify mask.
    const xcb_window_t root = X11Xcb::rootWindow(c);
    const X11Xcb::Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root), nullptr));
    const uint32_t mask = (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c);
}

X11TrayHost::~X11TrayHost() = default;

bool X11TrayHost::present() const
{
    xcb_connection_t* c = X11Xcb::connection();
    const X11Xcb::Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_selection), nullptr));
    return owner && owner->owner != XCB_NONE;
}

} // namespace virel
