#pragma once

#include "platform/MachineEvents.h"

#include <QtGlobal>

namespace virel::PollTrigger {

enum class Event { tick, resumed, reachabilityChanged };

// Whether `event` runs a polling pass now. The periodic tick and a resume poll unless the network
// is known to be down (the stale labels already say so); a quote host on this machine (the demo)
// is polled regardless. A network that comes back polls at once.
bool startsPass(Event event, Reachability before, Reachability now, bool localHost);

// Whether the machine slept between two clock checks: the wall clock moved more than a minute
// further than the steady clock, which stands still during suspend.
bool slept(qint64 wallElapsedMs, qint64 steadyElapsedMs);

} // namespace virel::PollTrigger
