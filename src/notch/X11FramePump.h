#pragma once

#include <QtGlobal>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace virel {

// Sends the frames of flowing tickers from a thread of its own: it sleeps until the next
// whole-pixel move of any row and then copies that row's strip on the server into its window. A
// frame thus costs one wake-up and one request, without a pass through the event loop. The rows
// follow the system's wall clock, like the tickers' own.
class X11FramePump
{
public:
    struct Flow
    {
        void* connection = nullptr;
        quint32 pixmap = 0;
        quint32 gc = 0;
        quint32 window = 0;
        int x = 0; // where the ticker sits in the window
        int y = 0;
        int width = 0;
        int height = 0;
        double leadSeconds = 0; // ahead of the wall clock
        double speed = 0;
        double cycle = 0;
        bool operator==(const Flow&) const = default;
    };

    static X11FramePump& instance();
    ~X11FramePump();

    // Starts or updates the frames of `key`.
    void start(const void* key, const Flow& flow);
    // No frame of `key` is sent after this returns.
    void stop(const void* key);

private:
    struct Running
    {
        Flow flow;
        long shown = -1;
        double nextAllowed = 0;
    };

    X11FramePump() = default;
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<const void*, Running> m_flows;
    std::thread m_thread;
    bool m_quit = false;
};

} // namespace virel
