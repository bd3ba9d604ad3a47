#include "windows/EventRow.h"

#include "state/AppState.h"
#include "windows/SymbolIcons.h"
#include "windows/WindowStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace virel {

namespace {

Symbol kindSymbol(TimelineEvent::Kind kind)
{
    switch (kind) {
    case TimelineEvent::Kind::move:
        return Symbol::bolt;
    case TimelineEvent::Kind::dividend:
        return Symbol::banknote;
    case TimelineEvent::Kind::split:
        return Symbol::branch;
    case TimelineEvent::Kind::news:
        break;
    }
    return Symbol::newspaper;
}

bool prominent(TimelineEvent::Importance importance)
{
    return importance == TimelineEvent::Importance::critical || importance == TimelineEvent::Importance::high;
}

QLabel* badge(TimelineEvent::Importance importance, QWidget* parent)
{
    auto* label = new QLabel(EventRow::badgeText(importance), parent);
    label->setFont(WindowStyle::font(8, QFont::Bold));
    const QColor color = EventRow::importanceColor(importance);
    QColor fill = color;
    fill.setAlphaF(0.15F);
    label->setStyleSheet(QStringLiteral("QLabel { color: %1; background-color: %2; border-radius: 6px; "
                                        "padding: 1px 4px; }")
                             .arg(color.name(QColor::HexRgb), fill.name(QColor::HexArgb)));
    return label;
}

} // namespace

EventRow::EventRow(const TimelineEvent& event, AppState& state, QWidget* parent)
    : QAbstractButton(parent), m_event(event), m_state(state)
{
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    setToolTip(event.url ? event.url->toDisplayString() : QString());

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(8);
    layout->setAlignment(Qt::AlignTop);
    layout->addWidget(new SymbolView(kindSymbol(event.kind), importanceColor(event.importance), 16, this), 0,
                      Qt::AlignTop);

    auto* column = new QVBoxLayout;
    column->setSpacing(2);
    auto* title = new QLabel(event.title, this);
    title->setFont(WindowStyle::font(12, prominent(event.importance) ? QFont::DemiBold : QFont::Normal));
    title->setWordWrap(true);
    column->addWidget(title);
    auto* detail = new QHBoxLayout;
    detail->setSpacing(4);
    detail->addWidget(badge(event.importance, this));
    auto* meta = new QLabel(detailText(), this);
    WindowStyle::styleLabel(meta, 10, WindowStyle::Tone::secondary);
    detail->addWidget(meta, 1);
    column->addLayout(detail);
    layout->addLayout(column, 1);

    if (event.url) {
        layout->addWidget(new SymbolView(Symbol::arrowUpRight,
                                         WindowStyle::toneColor(palette(), WindowStyle::Tone::tertiary), 10,
                                         this),
                          0, Qt::AlignTop);
    }
    for (QWidget* child : findChildren<QWidget*>()) {
        child->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    connect(this, &QAbstractButton::clicked, this, &EventRow::activate);
}

QString EventRow::detailText() const
{
    return m_event.symbolName + u" · " + TimelineKinds::label(m_event.kind) + u" · " + dateText(m_event.date);
}

QString EventRow::badgeText() const
{
    return badgeText(m_event.importance);
}

QString EventRow::badgeText(TimelineEvent::Importance importance)
{
    switch (importance) {
    case TimelineEvent::Importance::critical:
        return QStringLiteral("Critical");
    case TimelineEvent::Importance::high:
        return QStringLiteral("High");
    case TimelineEvent::Importance::medium:
        return QStringLiteral("Medium");
    case TimelineEvent::Importance::low:
        break;
    }
    return QStringLiteral("Low");
}

QColor EventRow::importanceColor(TimelineEvent::Importance importance)
{
    switch (importance) {
    case TimelineEvent::Importance::critical:
        return WindowStyle::systemRed();
    case TimelineEvent::Importance::high:
        return WindowStyle::systemOrange();
    case TimelineEvent::Importance::medium:
        return WindowStyle::systemYellow();
    case TimelineEvent::Importance::low:
        break;
    }
    return WindowStyle::systemGray();
}

QString EventRow::dateText(const QDateTime& date, const QLocale& locale)
{
    const QDateTime local = date.toLocalTime();
    const QString time = WindowStyle::hourMinute(local.time(), locale);
    if (locale.language() == QLocale::Korean) {
        return QStringLiteral("%1월 %2일 %3").arg(local.date().month()).arg(local.date().day()).arg(time);
    }
    return locale.toString(local.date(), u"MMM d") + u", " + time;
}

void EventRow::activate()
{
    if (m_event.url) {
        WindowStyle::openWebUrl(*m_event.url);
        return;
    }
    // The symbol may have left the list since the timeline was built: then there is nothing to open.
    for (const WatchItem& item : m_state.items()) {
        if (item.symbol == m_event.symbol) {
            if (m_state.openDetail) {
                m_state.openDetail(item);
            }
            return;
        }
    }
}

void EventRow::paintEvent(QPaintEvent*)
{
    if (!underMouse() && !isDown() && !hasFocus()) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = palette().color(QPalette::WindowText);
    fill.setAlphaF(isDown() ? 0.12F : 0.06F);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
}

} // namespace virel
