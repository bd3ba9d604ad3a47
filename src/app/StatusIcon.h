#pragma once

#include "app/StatusTitle.h"

#include <QIcon>

namespace virel {

// The status item's icon: the sign of its title on a neutral dark badge — the change mark in the
// change colour, a stopwatch in focus mode, a "v" when idle. Drawn as shapes, since the desktop's
// fonts may lack the marks.
QIcon statusIcon(StatusTitle::Badge badge);

} // namespace virel
