#pragma once

#include "engine/TimelineEvent.h"

#include <QAbstractButton>
#include <QColor>
#include <QLocale>

namespace virel {

class AppState;

// One timeline entry: the kind's icon in the importance colour, the title, the importance badge
// with name, kind and date, and an arrow when it links to an article. Clicking it opens the article
// in the browser or, for the other kinds, the symbol's detail window while the symbol is listed.
class EventRow : public QAbstractButton
{
    Q_OBJECT

public:
    EventRow(const TimelineEvent& event, AppState& state, QWidget* parent = nullptr);

    const TimelineEvent& event() const { return m_event; }
    // The line under the title: "삼성전자 · 배당 · 5월 3일 오후 3:05".
    QString detailText() const;
    QString badgeText() const;

    static QString badgeText(TimelineEvent::Importance importance);
    static QColor importanceColor(TimelineEvent::Importance importance);
    // Abbreviated month, day, hour and minute in the user's language.
    static QString dateText(const QDateTime& date, const QLocale& locale = QLocale());

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void activate();

    TimelineEvent m_event;
    AppState& m_state;
};

} // namespace virel
