#include "notch/X11FramePump.h"

#include "model/TickerMotion.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <xcb/xcb.h>

namespace virel {

namespace {

constexpr double minFrameSeconds = 1.0 / 30; // at most 30 frames a second
constexpr double idleWakeSeconds = 1;

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// Seconds until the rounded shift next changes: at the next half pixel, or at the wrap.
double untilNextPixel(double shift, double speed, double cycle)
{
    if (speed <= 0 || cycle <= 1) {
        return idleWakeSeconds;
    }
    const double nextHalf = std::floor(shift + 0.5) + 0.5;
    return (std::min(nextHalf, cycle) - shift) / speed;
}

} // namespace

X11FramePump& X11FramePump::instance()
{
    static X11FramePump pump;
    return pump;
}

X11FramePump::~X11FramePump()
{
    {
        const std::lock_guard lock(m_mutex);
        m_quit = true;
        m_flows.clear();
    }
    m_wake.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void X11FramePump::start(const void* key, const Flow& flow)
{
    {
        const std::lock_guard lock(m_mutex);
        Running& running = m_flows[key];
        if (running.flow == flow) {
            return; // already running as asked
        }
        running.flow = flow;
        running.shown = -1;
        if (!m_thread.joinable()) {
            m_thread = std::thread(&X11FramePump::run, this);
        }
    }
    m_wake.notify_all();
}

void X11FramePump::stop(const void* key)
{
    const std::lock_guard lock(m_mutex);
    m_flows.erase(key);
}

void X11FramePump::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        if (m_flows.empty()) {
            m_wake.wait(lock);
            continue;
        }
        const double now = wallSeconds();
        double wakeIn = idleWakeSeconds;
        for (auto& [key, running] : m_flows) {
            const Flow& f = running.flow;
            const double shift = TickerMotion::shiftAt(now + f.leadSeconds, f.speed, f.cycle);
            const long pixel = std::lround(shift);
            if (pixel != running.shown && now >= running.nextAllowed) {
                auto* connection = static_cast<xcb_connection_t*>(f.connection);
                xcb_copy_area(connection, f.pixmap, f.window, f.gc, static_cast<int16_t>(pixel), 0,
                              static_cast<int16_t>(f.x), static_cast<int16_t>(f.y),
                              static_cast<uint16_t>(f.width), static_cast<uint16_t>(f.height));
                xcb_flush(connection);
                running.shown = pixel;
                running.nextAllowed = now + minFrameSeconds;
            }
            wakeIn = std::min(wakeIn,
                              std::max(untilNextPixel(shift, f.speed, f.cycle), running.nextAllowed - now));
        }
        // A hair past the move, so the next pass sees the new pixel.
        m_wake.wait_for(lock, std::chrono::duration<double>(wakeIn + 0.0005));
    }
}

} // namespace virel
