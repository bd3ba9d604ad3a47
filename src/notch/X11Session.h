#pragma once

#include <optional>

namespace virel::X11Session {

// Seconds since the last keyboard or pointer input, from the X screen-saver extension; none when
// the application is not on X11 or the server lacks the extension.
std::optional<double> idleSeconds();
// Whether the display is powered down (DPMS standby, suspend or off).
bool screenOff();

} // namespace virel::X11Session
