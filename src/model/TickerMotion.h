#pragma once

#include <QList>
#include <QStringView>
#include <chrono>

namespace virel::TickerMotion {

// How the flowing ticker moves: smoothly, one chip at a time, or not at all.
enum class Mode { flow, step, stop };

// What decides whether anyone can see the ticker move and whether it is worth the frames.
struct Conditions
{
    bool shown = true;       // the ticker's window is mapped and the ticker itself visible
    bool covered = false;    // another window hides all of it
    bool fullScreen = false; // a full-screen window sits above it
    bool locked = false;     // session locked or screen saver running
    bool screenOff = false;  // display blanked or powered down
    double idleSeconds = 0;  // since the last keyboard or pointer input
    bool onBattery = false;
    bool smoothOnBattery = false; // the user's choice to flow on battery anyway
};

// Nobody at the keyboard for this long: the ticker steps instead of flowing.
inline constexpr double idleBeforeStepping = 5 * 60;
inline constexpr auto stepInterval = std::chrono::milliseconds(4000);
// How fresh the idle time is kept: while stepping the first input brings the flow back at once.
inline constexpr auto idleCheckWhileStepping = std::chrono::milliseconds(500);
inline constexpr auto idleCheckWhileFlowing = std::chrono::milliseconds(10'000);

Mode decide(const Conditions& conditions);

// How far the row has moved left at `seconds` of wall-clock time: a cycle (one copy plus its gap)
// passes every cycle / speed seconds, and a cycle too short to see does not move.
double shiftAt(double seconds, double speed, double cycle);

// Where a stepping row stands `steps` steps after it began stepping at `entryShift`: first on the
// next chip start past it, then one chip further each step, round the loop. `chipStarts` are the
// left edges of the chips within one copy, ascending from 0.
double steppedShift(double entryShift, qint64 steps, const QList<double>& chipStarts, double cycle);

// Whether frames can be one server-side copy of a pre-drawn strip: only on X11, only for a row on
// an opaque backdrop (a blend would need the band beneath), only unscaled (the strip holds device
// pixels at whole-pixel places) and only for a strip an X pixmap can hold.
bool serverCopyUsable(QStringView platform, bool opaqueBackdrop, double devicePixelRatio, double stripWidth);

} // namespace virel::TickerMotion
