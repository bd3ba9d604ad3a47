#pragma once

#include <QObject>
#include <chrono>
#include <qcoro/qcorosignal.h>
#include <qcoro/qcorotask.h>

namespace virel {

// One run of the device-code flow. Cancelling it wakes a pending sleep at once; the run then ends
// without touching anything.
class LinkFlow : public QObject
{
    Q_OBJECT

public:
    bool isCancelled() const { return m_cancelled; }

    void cancel()
    {
        if (!m_cancelled) {
            m_cancelled = true;
            emit cancelled();
        }
    }

    // Waits for `interval` or until the flow is cancelled, whichever comes first.
    QCoro::Task<> sleep(std::chrono::milliseconds interval)
    {
        if (!m_cancelled) {
            co_await qCoro(this, &LinkFlow::cancelled, interval);
        }
    }

signals:
    void cancelled();

private:
    bool m_cancelled = false;
};

} // namespace virel
