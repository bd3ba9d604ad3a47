#pragma once

class QWidget;

namespace virel::X11Activation {

// On X11, asks the window manager to activate `window` with the X server's time of now. Window
// managers that keep the focus with the window the user last typed in compare that time with the
// typing; a window opened by a menu item or a hand-over is what the user just asked for, so it must
// not lose. Qt's own request carries the time of the last event this process saw, which is older
// than the typing when the request came from another program or the tray. False off X11.
bool activate(QWidget* window);

} // namespace virel::X11Activation
