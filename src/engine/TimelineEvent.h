#pragma once

#include "market/History.h"
#include "market/NewsItem.h"
#include "model/Quote.h"
#include "model/WatchItem.h"

#include <QDateTime>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QUrl>
#include <optional>

namespace virel {

// One entry of the event timeline; identified by `id`.
struct TimelineEvent
{
    enum class Kind { move, dividend, split, news };
    // Ordered by the raw value: critical is the greatest.
    enum class Importance { low = 1, medium = 2, high = 3, critical = 4 };

    QString id;
    QDateTime date;
    QString symbol;     // Yahoo form
    QString symbolName; // the watch item's name
    Kind kind = Kind::news;
    Importance importance = Importance::low;
    QString title;
    std::optional<QUrl> url; // the article, for news only

    bool operator==(const TimelineEvent&) const = default;

    static constexpr double moveThreshold = 3.0;     // percent
    static constexpr double criticalThreshold = 5.0; // percent

    // A sharp move of the held quote ("삼성전자 급등 +5.12%"), or nothing below the threshold.
    static std::optional<TimelineEvent> move(const WatchItem& item, const Quote& quote);
    // "삼성전자 배당 · 주당 361.0"; the detail part only when there is one.
    static TimelineEvent corporate(const WatchItem& item, const CorporateEvent& event);
    static TimelineEvent headline(const WatchItem& item, const NewsItem& news);

    // Greater importance first, later date first within one importance; equal ones keep their order.
    static void sort(QList<TimelineEvent>& events);
};

namespace TimelineKinds {
// In the order the timeline's filter lists them.
QList<TimelineEvent::Kind> all();
// "급등락", "배당", "액면분할", "뉴스".
QString label(TimelineEvent::Kind kind);
} // namespace TimelineKinds

} // namespace virel

Q_DECLARE_METATYPE(virel::TimelineEvent)
