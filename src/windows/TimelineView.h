#pragma once

#include "engine/TimelineEvent.h"

#include <QList>
#include <QWidget>
#include <optional>

class QLabel;
class QScrollArea;
class QToolButton;
class QVBoxLayout;

namespace virel {

class AppState;
class EventRow;
class SegmentedControl;
class Spinner;
class TimelineStore;

// The content of the timeline window: the kind filter and refresh control, the events of the store
// as rows, and the time of the last refresh.
class TimelineView : public QWidget
{
    Q_OBJECT

public:
    TimelineView(AppState& state, TimelineStore& store, QWidget* parent = nullptr);

    // Nothing: every kind.
    std::optional<TimelineEvent::Kind> filter() const { return m_filter; }
    void setFilter(std::optional<TimelineEvent::Kind> filter);

    // The store's events of the chosen kind, in the store's order.
    static QList<TimelineEvent> filtered(const QList<TimelineEvent>& events,
                                         std::optional<TimelineEvent::Kind> filter);

    QList<EventRow*> rows() const;
    bool emptyTextShown() const;
    bool progressShown() const;
    QString footerText() const;
    SegmentedControl* filterPicker() const { return m_picker; }
    QToolButton* refreshButton() const { return m_refresh; }

private:
    QWidget* buildHeader();
    QWidget* buildFooter();
    void refresh();
    void showEvents();
    void showLoading();
    void showRefreshedAt();

    AppState& m_state;
    TimelineStore& m_store;
    std::optional<TimelineEvent::Kind> m_filter;

    SegmentedControl* m_picker = nullptr;
    Spinner* m_progress = nullptr;
    QToolButton* m_refresh = nullptr;
    QLabel* m_emptyText = nullptr;
    QScrollArea* m_scroll = nullptr;
    QVBoxLayout* m_rows = nullptr;
    QLabel* m_refreshedAt = nullptr;
};

} // namespace virel
