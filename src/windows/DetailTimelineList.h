#pragma once

#include "market/History.h"
#include "market/NewsItem.h"

#include <QList>
#include <QScrollArea>

namespace virel {

// The timeline tab of the detail window: the symbol's corporate events, then its news. A click on a
// news row opens the article in the browser.
class DetailTimelineList : public QScrollArea
{
    Q_OBJECT

public:
    explicit DetailTimelineList(QWidget* parent = nullptr);

    // Rebuilds the rows. While `loading`, the "no events" text is held back.
    void setContent(const QList<CorporateEvent>& events, const QList<NewsItem>& news, bool loading);

    // "배당" or "액면분할", then " · " and the detail when there is one.
    static QString eventTitle(const CorporateEvent& event);
    // Year, abbreviated month and day in `locale`: "2024년 5월 1일", "May 1, 2024".
    static QString eventDate(const QDateTime& date, const QLocale& locale = QLocale());
    // Abbreviated month, day, hour and minute in `locale`: "5월 1일 오후 3:05", "May 1 3:05 PM".
    static QString newsTime(const QDateTime& time, const QLocale& locale = QLocale());
};

} // namespace virel
