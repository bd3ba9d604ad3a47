#pragma once

#include <QObject>
#include <QPointer>

namespace virel {

class AppState;
class TimelineStore;
class TimelineView;

// Owns the "virel — 이벤트 타임라인" window. It is built on the first show and then kept: closing
// only hides it, so the chosen filter stays. Every show refreshes the timeline.
class TimelineWindowController : public QObject
{
    Q_OBJECT

public:
    TimelineWindowController(AppState& state, TimelineStore& store, QObject* parent = nullptr);
    ~TimelineWindowController() override;

    void show();

    // The window, or nullptr before the first show.
    TimelineView* view() const { return m_view; }

private:
    AppState& m_state;
    TimelineStore& m_store;
    QPointer<TimelineView> m_view;
};

} // namespace virel
