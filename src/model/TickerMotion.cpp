#include "model/TickerMotion.h"

#include <algorithm>
#include <cmath>

namespace virel::TickerMotion {

Mode decide(const Conditions& c)
{
    if (!c.shown || c.covered || c.fullScreen || c.locked || c.screenOff) {
        return Mode::stop;
    }
    if (c.idleSeconds >= idleBeforeStepping || (c.onBattery && !c.smoothOnBattery)) {
        return Mode::step;
    }
    return Mode::flow;
}

double shiftAt(double seconds, double speed, double cycle)
{
    if (cycle <= 1) {
        return 0;
    }
    const double shift = std::fmod(seconds * speed, cycle);
    return shift < 0 ? shift + cycle : shift;
}

double steppedShift(double entryShift, qint64 steps, const QList<double>& chipStarts, double cycle)
{
    if (steps <= 0 || cycle <= 1 || chipStarts.isEmpty()) {
        return entryShift;
    }
    const double within = std::fmod(std::fmod(entryShift, cycle) + cycle, cycle);
    // A shift a hair short of a chip start counts as standing on it, so the first step is never empty.
    const auto next = std::upper_bound(chipStarts.begin(), chipStarts.end(), within + 0.5);
    const qint64 first = next - chipStarts.begin(); // == size: the first chip of the next copy
    return chipStarts[static_cast<qsizetype>((first + steps - 1) % chipStarts.size())];
}

bool serverCopyUsable(QStringView platform, bool opaqueBackdrop, double devicePixelRatio, double stripWidth)
{
    static constexpr double largestPixmap = 32767;
    return platform == u"xcb" && opaqueBackdrop && devicePixelRatio == 1.0 && stripWidth > 0 &&
           stripWidth <= largestPixmap;
}

} // namespace virel::TickerMotion
