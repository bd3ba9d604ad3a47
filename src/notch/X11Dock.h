#pragma once

#include <QtGlobal>
#include <array>

namespace virel::X11Dock {

// Whether an EWMH window manager runs that reserves the bands of docks; false off X11.
bool supported();
// Before the window is first mapped: a dock, sticky on every workspace, outside task bars and pagers.
void make(quintptr window);
// _NET_WM_STRUT_PARTIAL and, for window managers that only know it, _NET_WM_STRUT.
void reserve(quintptr window, const std::array<quint32, 12>& strut);
// The deepest band other clients (a panel) reserve at the top of the root window over the columns
// from `left` to `right` (exclusive), in pixels; 0 off X11. `own` is left out.
quint32 othersTopBand(quintptr own, int left, int right);

} // namespace virel::X11Dock
