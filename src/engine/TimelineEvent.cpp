#include "engine/TimelineEvent.h"

#include <algorithm>
#include <cmath>

namespace virel {

std::optional<TimelineEvent> TimelineEvent::move(const WatchItem& item, const Quote& quote)
{
    const double percent = quote.changePercent();
    // Written so that a change that is not a number is no move either.
    if (!(std::abs(percent) >= moveThreshold)) {
        return std::nullopt;
    }
    const QString word = percent > 0 ? QStringLiteral("급등") : QStringLiteral("급락");
    return TimelineEvent{
        QStringLiteral("move-") + item.symbol,
        quote.receivedAt,
        item.symbol,
        item.name,
        Kind::move,
        std::abs(percent) >= criticalThreshold ? Importance::critical : Importance::high,
        item.name + u' ' + word + u' ' + QString::asprintf("%+.2f", percent) + u'%',
        std::nullopt,
    };
}

TimelineEvent TimelineEvent::corporate(const WatchItem& item, const CorporateEvent& event)
{
    const bool dividend = event.kind == CorporateEvent::Kind::dividend;
    QString title = item.name + u' ' + CorporateEvent::kindLabel(event.kind);
    if (!event.detail.isEmpty()) {
        title += QStringLiteral(" · ") + event.detail;
    }
    return TimelineEvent{
        item.symbol + u'-' + event.id(),
        event.date,
        item.symbol,
        item.name,
        dividend ? Kind::dividend : Kind::split,
        dividend ? Importance::medium : Importance::high,
        title,
        std::nullopt,
    };
}

TimelineEvent TimelineEvent::headline(const WatchItem& item, const NewsItem& news)
{
    return TimelineEvent{
        QStringLiteral("news-") + item.symbol + u'-' + news.id(),
        news.publishedAt,
        item.symbol,
        item.name,
        Kind::news,
        Importance::low,
        news.title,
        news.url,
    };
}

void TimelineEvent::sort(QList<TimelineEvent>& events)
{
    std::stable_sort(events.begin(), events.end(), [](const TimelineEvent& a, const TimelineEvent& b) {
        if (a.importance != b.importance) {
            return a.importance > b.importance;
        }
        return a.date > b.date;
    });
}

QList<TimelineEvent::Kind> TimelineKinds::all()
{
    using Kind = TimelineEvent::Kind;
    return {Kind::move, Kind::dividend, Kind::split, Kind::news};
}

QString TimelineKinds::label(TimelineEvent::Kind kind)
{
    switch (kind) {
    case TimelineEvent::Kind::move:
        return QStringLiteral("급등락");
    case TimelineEvent::Kind::dividend:
        return CorporateEvent::kindLabel(CorporateEvent::Kind::dividend);
    case TimelineEvent::Kind::split:
        return CorporateEvent::kindLabel(CorporateEvent::Kind::split);
    case TimelineEvent::Kind::news:
        break;
    }
    return QStringLiteral("뉴스");
}

} // namespace virel
