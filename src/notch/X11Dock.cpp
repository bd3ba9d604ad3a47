#include "notch/X11Dock.h"
#include "windows/X11Xcb.h"

#include <algorithm>
#include <initializer_list>
#include <vector>
#include <xcb/xcb.h>

namespace virel::X11Dock {

namespace {

using X11Xcb::atom;
using X11Xcb::connection;
using X11Xcb::Reply;
using X11Xcb::rootWindow;

Reply<xcb_get_property_reply_t> property(xcb_connection_t* c, xcb_window_t window, const char* name,
                                         xcb_atom_t type)
{
    return Reply<xcb_get_property_reply_t>(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, atom(c, name), type, 0, 4096), nullptr));
}

void setAtoms(xcb_connection_t* c, xcb_window_t window, const char* name,
              std::initializer_list<const char*> values)
{
    std::vector<xcb_atom_t> atoms;
    for (const char* value : values) {
        atoms.push_back(atom(c, value));
    }
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom(c, name), XCB_ATOM_ATOM, 32, atoms.size(),
                        atoms.data());
}

void setCardinals(xcb_connection_t* c, xcb_window_t window, const char* name, const quint32* values,
                  quint32 count)
{
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom(c, name), XCB_ATOM_CARDINAL, 32, count,
                        values);
}

} // namespace

bool supported()
{
    xcb_connection_t* c = connection();
    if (c == nullptr) {
        return false;
    }
    // A window manager that has gone leaves its _NET_SUPPORTED behind: its check window must exist.
    const auto check = property(c, rootWindow(c), "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW);
    if (!check || xcb_get_property_value_length(check.get()) < 4) {
        return false;
    }
    const xcb_window_t wm = *static_cast<const xcb_window_t*>(xcb_get_property_value(check.get()));
    if (!property(c, wm, "_NET_SUPPORTING_WM_CHECK", XCB_ATOM_WINDOW)) {
        return false;
    }
    const auto supported = property(c, rootWindow(c), "_NET_SUPPORTED", XCB_ATOM_ATOM);
    if (!supported) {
        return false;
    }
    const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(supported.get()));
    const int count = xcb_get_property_value_length(supported.get()) / int(sizeof(xcb_atom_t));
    const xcb_atom_t strut = atom(c, "_NET_WM_STRUT_PARTIAL");
    const xcb_atom_t dock = atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
    bool hasStrut = false;
    bool hasDock = false;
    for (int i = 0; i < count; ++i) {
        hasStrut = hasStrut || atoms[i] == strut;
        hasDock = hasDock || atoms[i] == dock;
    }
    return hasStrut && hasDock;
}

void make(quintptr window)
{
    xcb_connection_t* c = connection();
    if (c == nullptr) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window);
    setAtoms(c, id, "_NET_WM_WINDOW_TYPE", {"_NET_WM_WINDOW_TYPE_DOCK"});
    setAtoms(c, id, "_NET_WM_STATE",
             {"_NET_WM_STATE_STICKY", "_NET_WM_STATE_ABOVE", "_NET_WM_STATE_SKIP_TASKBAR",
              "_NET_WM_STATE_SKIP_PAGER"});
    const quint32 everyDesktop = 0xFFFFFFFF;
    setCardinals(c, id, "_NET_WM_DESKTOP", &everyDesktop, 1);
    xcb_flush(c);
}

quint32 othersTopBand(quintptr own, int left, int right)
{
    xcb_connection_t* c = connection();
    if (c == nullptr) {
        return 0;
    }
    const auto clients = property(c, rootWindow(c), "_NET_CLIENT_LIST", XCB_ATOM_WINDOW);
    if (!clients) {
        return 0;
    }
    const auto* windows = static_cast<const xcb_window_t*>(xcb_get_property_value(clients.get()));
    const int count = xcb_get_property_value_length(clients.get()) / int(sizeof(xcb_window_t));
    quint32 deepest = 0;
    for (int i = 0; i < count; ++i) {
        if (windows[i] == static_cast<xcb_window_t>(own)) {
            continue;
        }
        const auto strut = property(c, windows[i], "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL);
        if (!strut || xcb_get_property_value_length(strut.get()) < int(12 * sizeof(quint32))) {
            continue;
        }
        // top, then the first and last column of the top band (inclusive).
        const auto* v = static_cast<const quint32*>(xcb_get_property_value(strut.get()));
        if (int(v[8]) < right && int(v[9]) >= left) {
            deepest = std::max(deepest, v[2]);
        }
    }
    return deepest;
}

void reserve(quintptr window, const std::array<quint32, 12>& strut)
{
    xcb_connection_t* c = connection();
    if (c == nullptr) {
        return;
    }
    const auto id = static_cast<xcb_window_t>(window);
    setCardinals(c, id, "_NET_WM_STRUT_PARTIAL", strut.data(), strut.size());
    setCardinals(c, id, "_NET_WM_STRUT", strut.data(), 4);
    xcb_flush(c);
}

} // namespace virel::X11Dock
