#include "notch/X11RootWatch.h"

#include "windows/X11Xcb.h"

#include <QCoreApplication>
#include <algorithm>

namespace virel {

namespace {

using X11Xcb::Reply;

// Adds `events` to what this client hears from `window`, keeping what it already hears; a window
// that is gone by now is no error worth a log line.
void hear(xcb_connection_t* c, xcb_window_t window, uint32_t events)
{
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    if (!attributes) {
        return;
    }
    const uint32_t mask = attributes->your_event_mask | events;
    xcb_discard_reply(c, xcb_change_window_attributes_checked(c, window, XCB_CW_EVENT_MASK, &mask).sequence);
}

Reply<xcb_get_property_reply_t> readProperty(xcb_connection_t* c, xcb_window_t window, xcb_atom_t name,
                                             xcb_atom_t type)
{
    return Reply<xcb_get_property_reply_t>(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 64), nullptr));
}

} // namespace

std::unique_ptr<X11RootWatch> X11RootWatch::create(QObject* parent)
{
    if (X11Xcb::connection() == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<X11RootWatch>(new X11RootWatch(parent));
}

X11RootWatch::X11RootWatch(QObject* parent)
    : QObject(parent),
      m_events(std::make_unique<X11Xcb::EventTap>([this](const xcb_generic_event_t& event, int kind) {
          if (kind == XCB_PROPERTY_NOTIFY) {
              const auto& changed = X11Xcb::as<xcb_property_notify_event_t>(event);
              propertyChanged(changed.window, changed.atom);
          } else if (kind == XCB_UNMAP_NOTIFY) {
              windowUnmapped(X11Xcb::as<xcb_unmap_notify_event_t>(event).window);
          } else if (kind == XCB_DESTROY_NOTIFY) {
              windowUnmapped(X11Xcb::as<xcb_destroy_notify_event_t>(event).window);
          }
      }))
{
    xcb_connection_t* c = X11Xcb::connection();
    m_root = X11Xcb::rootWindow(c);
    m_activeAtom = X11Xcb::atom(c, "_NET_ACTIVE_WINDOW");
    m_clientsAtom = X11Xcb::atom(c, "_NET_CLIENT_LIST");
    m_stateAtom = X11Xcb::atom(c, "_NET_WM_STATE");
    m_fullScreenAtom = X11Xcb::atom(c, "_NET_WM_STATE_FULLSCREEN");
    hear(c, m_root, XCB_EVENT_MASK_PROPERTY_CHANGE);
    followActiveWindow();
}

X11RootWatch::~X11RootWatch() = default;

void X11RootWatch::propertyChanged(quint32 window, quint32 atom)
{
    if (window == m_root && atom == m_activeAtom) {
        followActiveWindow();
    } else if (window == m_root && atom == m_clientsAtom) {
        emit clientsChanged();
    } else if (window == m_active && window != 0 && atom == m_stateAtom) {
        check();
    }
}

void X11RootWatch::windowUnmapped(quint32 window)
{
    if (window == m_active && window != 0) {
        check();
    }
}

void X11RootWatch::followActiveWindow()
{
    xcb_connection_t* c = X11Xcb::connection();
    const auto active = readProperty(c, m_root, m_activeAtom, XCB_ATOM_WINDOW);
    const bool named = active && xcb_get_property_value_length(active.get()) >= 4;
    const xcb_window_t window =
        named ? *static_cast<const xcb_window_t*>(xcb_get_property_value(active.get())) : 0;
    m_active = window;
    // Also when the id is the same: it may name a new window now. Unmapped or destroyed, a window may
    // stay the active one until another takes over.
    if (window != 0) {
        hear(c, window, XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
    }
    check();
}

void X11RootWatch::check()
{
    xcb_connection_t* c = X11Xcb::connection();
    std::optional<QRect> found;
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        m_active != 0 ? xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, m_active), nullptr)
                      : nullptr);
    const bool shown = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    const auto state = shown ? readProperty(c, m_active, m_stateAtom, XCB_ATOM_ATOM) : nullptr;
    const auto* atoms = state ? static_cast<const xcb_atom_t*>(xcb_get_property_value(state.get())) : nullptr;
    const int count = state ? xcb_get_property_value_length(state.get()) / int(sizeof(xcb_atom_t)) : 0;
    if (std::find(atoms, atoms + count, m_fullScreenAtom) != atoms + count) {
        const Reply<xcb_get_geometry_reply_t> geometry(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, m_active), nullptr));
        const Reply<xcb_translate_coordinates_reply_t> origin(xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, m_active, m_root, 0, 0), nullptr));
        if (geometry && origin) {
            found = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        }
    }
    if (found != m_window) {
        m_window = found;
        emit fullScreenChanged();
    }
}

} // namespace virel
