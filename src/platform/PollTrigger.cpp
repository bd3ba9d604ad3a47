#include "platform/PollTrigger.h"

namespace virel::PollTrigger {

namespace {
constexpr qint64 kSleepJumpMs = 60'000;
}

bool startsPass(Event event, Reachability before, Reachability now, bool localHost)
{
    if (event == Event::reachabilityChanged) {
        return before == Reachability::offline && now == Reachability::online;
    }
    return localHost || now != Reachability::offline;
}

bool slept(qint64 wallElapsedMs, qint64 steadyElapsedMs)
{
    return wallElapsedMs - steadyElapsedMs > kSleepJumpMs;
}

} // namespace virel::PollTrigger
