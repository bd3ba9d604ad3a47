#include "windows/TimelineView.h"

#include "state/TimelineStore.h"
#include "platform/Detached.h"
#include "windows/EventRow.h"
#include "windows/SegmentedControl.h"
#include "windows/Spinner.h"
#include "windows/SymbolIcons.h"
#include "windows/WindowStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>
#include <qcoro/qcorotask.h>

namespace virel {

TimelineView::TimelineView(AppState& state, TimelineStore& store, QWidget* parent)
    : QWidget(parent), m_state(state), m_store(store)
{
    setMinimumSize(480, 400);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(buildHeader());
    layout->addWidget(WindowStyle::divider(this));

    m_emptyText = new QLabel(QStringLiteral("관심 목록에 새 이벤트가 없습니다"), this);
    WindowStyle::styleLabel(m_emptyText, 13, WindowStyle::Tone::secondary);
    m_emptyText->setAlignment(Qt::AlignCenter);
    layout->addWidget(m_emptyText, 1);

    auto* content = new QWidget;
    m_rows = new QVBoxLayout(content);
    m_rows->setContentsMargins(8, 6, 8, 6);
    m_rows->setSpacing(2);
    m_rows->addStretch(1);
    m_scroll = WindowStyle::transparentScrollArea(content, this);
    layout->addWidget(m_scroll, 1);

    layout->addWidget(WindowStyle::divider(this));
    layout->addWidget(buildFooter());

    connect(&m_store, &TimelineStore::eventsChanged, this, &TimelineView::showEvents);
    connect(&m_store, &TimelineStore::loadingChanged, this, &TimelineView::showLoading);
    connect(&m_store, &TimelineStore::refreshedAtChanged, this, &TimelineView::showRefreshedAt);
    showEvents();
    showLoading();
    showRefreshedAt();
}

QWidget* TimelineView::buildHeader()
{
    auto* header = new QWidget(this);
    auto* layout = new QHBoxLayout(header);
    layout->setContentsMargins(10, 10, 10, 10);
    QStringList labels{QStringLiteral("전체")};
    for (const TimelineEvent::Kind kind : TimelineKinds::all()) {
        labels.append(TimelineKinds::label(kind));
    }
    m_picker = new SegmentedControl(labels, header);
    connect(m_picker, &SegmentedControl::currentIndexChanged, this, [this](int index) {
        setFilter(index == 0 ? std::nullopt : std::optional(TimelineKinds::all().at(index - 1)));
    });
    layout->addWidget(m_picker);
    layout->addStretch(1);
    m_progress = new Spinner(16, header);
    layout->addWidget(m_progress);
    m_refresh = new QToolButton(header);
    m_refresh->setAutoRaise(true);
    m_refresh->setIcon(SymbolIcons::icon(Symbol::arrowClockwise));
    m_refresh->setIconSize(QSize(16, 16));
    m_refresh->setToolTip(QStringLiteral("새로 고침"));
    connect(m_refresh, &QToolButton::clicked, this, &TimelineView::refresh);
    layout->addWidget(m_refresh);
    return header;
}

QWidget* TimelineView::buildFooter()
{
    auto* footer = new QWidget(this);
    auto* layout = new QHBoxLayout(footer);
    layout->setContentsMargins(6, 6, 6, 6);
    m_refreshedAt = new QLabel(footer);
    WindowStyle::styleLabel(m_refreshedAt, 9, WindowStyle::Tone::secondary);
    layout->addWidget(m_refreshedAt);
    layout->addStretch(1);
    auto* notice =
        new QLabel(QStringLiteral("공시·실적·애널리스트 이벤트는 Virel 연동 시 추가됩니다"), footer);
    WindowStyle::styleLabel(notice, 9, WindowStyle::Tone::secondary);
    layout->addWidget(notice);
    return footer;
}

void TimelineView::setFilter(std::optional<TimelineEvent::Kind> filter)
{
    if (m_filter == filter) {
        return;
    }
    m_filter = filter;
    m_picker->setCurrentIndex(filter ? static_cast<int>(TimelineKinds::all().indexOf(*filter)) + 1 : 0);
    showEvents();
}

QList<TimelineEvent> TimelineView::filtered(const QList<TimelineEvent>& events,
                                            std::optional<TimelineEvent::Kind> filter)
{
    if (!filter) {
        return events;
    }
    QList<TimelineEvent> result;
    std::ranges::copy_if(events, std::back_inserter(result),
                         [&](const TimelineEvent& event) { return event.kind == *filter; });
    return result;
}

QList<EventRow*> TimelineView::rows() const
{
    return WindowStyle::widgetsIn<EventRow>(m_rows);
}

bool TimelineView::emptyTextShown() const
{
    return !m_emptyText->isHidden();
}

bool TimelineView::progressShown() const
{
    return !m_progress->isHidden();
}

QString TimelineView::footerText() const
{
    return m_refreshedAt->text();
}

void TimelineView::refresh()
{
    runDetached(m_store.refresh(), this);
}

void TimelineView::showEvents()
{
    for (EventRow* row : rows()) {
        m_rows->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    const QList<TimelineEvent> shown = filtered(m_store.events(), m_filter);
    for (const TimelineEvent& event : shown) {
        // Before the closing stretch.
        m_rows->insertWidget(m_rows->count() - 1, new EventRow(event, m_state, m_rows->parentWidget()));
    }
    const bool empty = shown.isEmpty() && !m_store.loading();
    m_emptyText->setVisible(empty);
    m_scroll->setVisible(!empty);
}

void TimelineView::showLoading()
{
    m_progress->setVisible(m_store.loading());
    m_refresh->setVisible(!m_store.loading());
    showEvents();
}

void TimelineView::showRefreshedAt()
{
    const QDateTime refreshedAt = m_store.refreshedAt();
    m_refreshedAt->setText(refreshedAt.isValid()
                               ? u"업데이트 "_qs + WindowStyle::hourMinute(refreshedAt.toLocalTime().time())
                               : QString());
}

} // namespace virel
