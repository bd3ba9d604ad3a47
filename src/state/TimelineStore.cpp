#include "state/TimelineStore.h"

#include "market/HistoryService.h"
#include "market/NewsService.h"
#include "state/AppState.h"

#include <QPointer>
#include <QSet>
#include <memory>
#include <vector>

namespace virel {

namespace {

// News and history of one symbol, requested together; the result joins `arrived` when both are in.
QCoro::Task<> fetchInto(YahooClient& yahoo, WatchItem item,
                        std::shared_ptr<QList<TimelineStore::Fetched>> arrived)
{
    auto news = NewsService::fetch(yahoo, item.symbol);
    auto history = HistoryService::fetch(yahoo, item.symbol, ChartRange::threeMonths);
    QList<NewsItem> headlines = co_await std::move(news);
    const History fetched = co_await std::move(history);
    arrived->append({std::move(item), std::move(headlines), fetched.events});
}

} // namespace

TimelineStore::TimelineStore(AppState& state, YahooClient& yahoo, const Clock& clock, QObject* parent)
    : QObject(parent), m_state(state), m_yahoo(yahoo), m_clock(clock)
{}

QCoro::Task<> TimelineStore::refresh()
{
    if (m_loading) {
        co_return;
    }
    setLoading(true);
    QPointer<TimelineStore> self(this);
    const QList<WatchItem> items = m_state.items();
    // Moves come from the quotes held now; nothing is requested for them.
    const QuoteMap quotes = m_state.quoteService().quotes();

    auto arrived = std::make_shared<QList<Fetched>>();
    std::vector<QCoro::Task<>> fetches;
    fetches.reserve(items.size());
    for (const WatchItem& item : items) {
        fetches.push_back(fetchInto(m_yahoo, item, arrived));
    }
    for (auto& fetch : fetches) {
        co_await std::move(fetch);
    }
    if (!self) {
        co_return;
    }

    const QDateTime now = m_clock.now();
    QList<TimelineEvent> events = assemble(items, quotes, *arrived, now);
    if (events != m_events) {
        m_events = std::move(events);
        emit eventsChanged();
    }
    if (now != m_refreshedAt) {
        m_refreshedAt = now;
        emit refreshedAtChanged();
    }
    setLoading(false);
}

QList<TimelineEvent> TimelineStore::assemble(const QList<WatchItem>& items, const QuoteMap& quotes,
                                             const QList<Fetched>& arrived, const QDateTime& now)
{
    QList<TimelineEvent> events;
    for (const WatchItem& item : items) {
        const auto quote = quotes.constFind(item.symbol);
        if (quote == quotes.cend()) {
            continue;
        }
        if (auto move = TimelineEvent::move(item, *quote)) {
            events.append(std::move(*move));
        }
    }

    const QDateTime cutOff = now.addSecs(-newsWindowSeconds);
    QSet<QString> seenHeadlines;
    for (const Fetched& fetched : arrived) {
        for (const CorporateEvent& event : fetched.events) {
            events.append(TimelineEvent::corporate(fetched.item, event));
        }
        for (const NewsItem& news : fetched.news) {
            if (news.publishedAt < cutOff || seenHeadlines.contains(news.title)) {
                continue;
            }
            seenHeadlines.insert(news.title);
            events.append(TimelineEvent::headline(fetched.item, news));
        }
    }
    TimelineEvent::sort(events);
    return events;
}

void TimelineStore::setLoading(bool loading)
{
    if (loading != m_loading) {
        m_loading = loading;
        emit loadingChanged();
    }
}

} // namespace virel
