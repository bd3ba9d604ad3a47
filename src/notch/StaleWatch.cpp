#include "notch/StaleWatch.h"

#include <algorithm>
#include <optional>

namespace virel {

namespace {
// A quote is fresh while at most 120 whole seconds old, so it is stale from 121 seconds on.
constexpr qint64 staleAfterMs = 121'000;
} // namespace

StaleWatch::StaleWatch(const Clock& clock, QObject* parent) : QObject(parent), m_clock(clock)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &StaleWatch::turnedStale);
}

void StaleWatch::watch(const QuoteMap& quotes)
{
    const QDateTime now = m_clock.now();
    std::optional<qint64> soonest;
    for (const Quote& quote : quotes) {
        if (quote.isFresh(now)) {
            const qint64 due = std::max<qint64>(now.msecsTo(quote.receivedAt.addMSecs(staleAfterMs)), 0);
            soonest = std::min(soonest.value_or(due), due);
        }
    }
    if (soonest) {
        m_timer.start(static_cast<int>(*soonest));
    } else {
        m_timer.stop();
    }
}

} // namespace virel
