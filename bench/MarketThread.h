#pragma once

#include "fakemarket/FakeServer.h"

#include <QObject>
#include <QThread>
#include <QUrl>
#include <functional>
#include <memory>

namespace virel::bench {

// The fake market on a thread of its own, as a remote host would be, so that its work is not
// counted as the client's. Everything that touches the server runs on that thread through `run`.
class MarketThread
{
public:
    explicit MarketThread(const std::function<void(fake::FakeServer&)>& setUp = {})
    {
        m_anchor.moveToThread(&m_thread);
        m_thread.start();
        run([&] {
            m_server = std::make_unique<fake::FakeServer>();
            if (setUp) {
                setUp(*m_server);
            }
            if (m_server->listen()) {
                m_origin = m_server->origin();
            }
        });
    }
    ~MarketThread()
    {
        run([this] { m_server.reset(); });
        m_thread.quit();
        m_thread.wait();
    }
    MarketThread(const MarketThread&) = delete;
    MarketThread& operator=(const MarketThread&) = delete;

    // Empty when the market could not listen.
    QUrl origin() const { return m_origin; }

    // Runs `work(server)` on the market's thread and waits for it.
    template <typename Work> void run(Work work)
    {
        QMetaObject::invokeMethod(
            &m_anchor, [&] { work(); }, Qt::BlockingQueuedConnection);
    }
    template <typename Work> void withServer(Work work)
    {
        run([&] { work(*m_server); });
    }

private:
    QThread m_thread;
    QObject m_anchor;
    std::unique_ptr<fake::FakeServer> m_server;
    QUrl m_origin;
};

} // namespace virel::bench
