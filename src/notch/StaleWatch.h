#pragma once

#include "model/Quote.h"
#include "platform/Clock.h"

#include <QObject>
#include <QTimer>

namespace virel {

// Signals once when the next of a set of quotes passes the two-minute freshness limit, so what
// shows freshness can redraw at that moment instead of checking on a timer.
class StaleWatch : public QObject
{
    Q_OBJECT
public:
    explicit StaleWatch(const Clock& clock, QObject* parent = nullptr);

    // Replaces the watched quotes; nothing is due when none of them is fresh now.
    void watch(const QuoteMap& quotes);
    bool isPending() const { return m_timer.isActive(); }

signals:
    void turnedStale();

private:
    const Clock& m_clock;
    QTimer m_timer;
};

} // namespace virel
