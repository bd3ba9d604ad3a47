#pragma once

#include "engine/TimelineEvent.h"
#include "platform/Clock.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <qcoro/qcorotask.h>

namespace virel {

class AppState;
class YahooClient;

// What happened recently to every symbol on display: sharp moves of the held quotes, dividends and
// splits of the last three months and headlines of the last three days, most important first.
// Nothing happens until `refresh` is called.
class TimelineStore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<virel::TimelineEvent> events READ events NOTIFY eventsChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)
    Q_PROPERTY(QDateTime refreshedAt READ refreshedAt NOTIFY refreshedAtChanged)
public:
    static constexpr qint64 newsWindowSeconds = 259'200; // three days

    // What the market host gave for one symbol.
    struct Fetched
    {
        WatchItem item;
        QList<NewsItem> news;
        QList<CorporateEvent> events;
    };

    TimelineStore(AppState& state, YahooClient& yahoo, const Clock& clock = Clock::system(),
                  QObject* parent = nullptr);

    // The last computed timeline; kept while a refresh runs.
    const QList<TimelineEvent>& events() const { return m_events; }
    bool loading() const { return m_loading; }
    // When the last refresh finished; invalid before the first.
    QDateTime refreshedAt() const { return m_refreshedAt; }

    // Rebuilds the timeline, fetching every symbol at once. A call while one runs does nothing.
    QCoro::Task<> refresh();

    // The timeline from the held quotes and the fetched results in the order they arrived: the first
    // symbol to arrive keeps a headline reported for several.
    static QList<TimelineEvent> assemble(const QList<WatchItem>& items, const QuoteMap& quotes,
                                         const QList<Fetched>& arrived, const QDateTime& now);

signals:
    void eventsChanged();
    void loadingChanged();
    void refreshedAtChanged();

private:
    void setLoading(bool loading);

    AppState& m_state;
    YahooClient& m_yahoo;
    const Clock& m_clock;
    QList<TimelineEvent> m_events;
    bool m_loading = false;
    QDateTime m_refreshedAt;
};

} // namespace virel
