#include "windows/TimelineWindowController.h"

#include "state/TimelineStore.h"
#include "platform/Detached.h"
#include "windows/TimelineView.h"
#include "windows/WindowStyle.h"

#include <qcoro/qcorotask.h>

namespace virel {

TimelineWindowController::TimelineWindowController(AppState& state, TimelineStore& store, QObject* parent)
    : QObject(parent), m_state(state), m_store(store)
{}

TimelineWindowController::~TimelineWindowController()
{
    delete m_view;
}

void TimelineWindowController::show()
{
    if (m_view) {
        WindowStyle::bringToFront(m_view);
    } else {
        m_view = new TimelineView(m_state, m_store);
        m_view->setWindowTitle(QStringLiteral("virel — 이벤트 타임라인"));
        m_view->resize(560, 620);
        WindowStyle::applyMaterial(m_view);
        WindowStyle::presentCentred(m_view);
    }
    // The store ignores this while a refresh already runs.
    runDetached(m_store.refresh(), this);
}

} // namespace virel
