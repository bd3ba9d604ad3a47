#pragma once

#include "market/YahooClient.h"
#include "model/Quote.h"
#include "model/WatchItem.h"
#include "platform/Clock.h"
#include "platform/PollTrigger.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <chrono>
#include <qcoro/qcorotask.h>

class QTimer;

namespace virel {

// Keeps the latest good quote of every polled symbol. Each pass sends one chart request per
// symbol, all at once, and stores every quote as it arrives; a failed request keeps the last good
// quote, and entries are never removed. When the host answers 429 (too many requests), later passes
// are skipped for 40 s, then 80 s, ... up to 5 minutes, until a pass gets through without 429.
class QuoteService : public QObject
{
    Q_OBJECT
    Q_PROPERTY(virel::QuoteMap quotes READ quotes NOTIFY quotesChanged)

public:
    static constexpr std::chrono::milliseconds firstBackoff{40'000};
    static constexpr std::chrono::milliseconds maxBackoff{300'000};

    QuoteService(YahooClient& yahoo, const Clock& clock = Clock::system(), QObject* parent = nullptr);

    const QuoteMap& quotes() const;
    const QList<WatchItem>& items() const;

    // Replaces the polled list and the timer and runs a pass at once, then one every `interval`.
    void start(const QList<WatchItem>& items, std::chrono::milliseconds interval);
    // One pass over the current list; completes when every request of it has finished.
    QCoro::Task<> refreshAll();
    // Polls at once after a resume and when the network comes back; skips passes while it is down.
    void watch(const MachineEvents& events);

signals:
    void quotesChanged(); // once per stored quote that differs from the one before

private:
    // Fetches and stores one quote; true when the host answered 429.
    QCoro::Task<bool> refreshOne(WatchItem item);
    void store(const Quote& quote);
    bool rateLimited() const;
    void finishPass(bool got429);
    void passIf(PollTrigger::Event event, Reachability before = Reachability::unknown);

    YahooClient& m_yahoo;
    const Clock& m_clock;
    QuoteMap m_quotes;
    QList<WatchItem> m_items;
    QTimer* m_timer = nullptr;
    const MachineEvents* m_machine = nullptr;
    std::chrono::milliseconds m_backoff{0};
    QDateTime m_resumeAt;
};

} // namespace virel
