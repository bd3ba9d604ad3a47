#include "windows/EditRows.h"

#include "model/Formatters.h"
#include "windows/SymbolIcons.h"
#include "windows/WindowStyle.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace virel {

namespace {

// A name above a smaller secondary line, the column both row kinds start with.
QWidget* nameColumn(const QString& name, const QString& detail, QWidget* parent)
{
    auto* column = new QWidget(parent);
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    auto* nameLabel = new QLabel(name, column);
    WindowStyle::styleLabel(nameLabel, 13, WindowStyle::Tone::primary, QFont::Medium);
    auto* detailLabel = new QLabel(detail, column);
    WindowStyle::styleLabel(detailLabel, 10, WindowStyle::Tone::secondary);
    layout->addWidget(nameLabel);
    layout->addWidget(detailLabel);
    column->setAttribute(Qt::WA_TransparentForMouseEvents);
    column->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    return column;
}

QHBoxLayout* rowLayout(QWidget* row, int spacing)
{
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->setSpacing(spacing);
    return layout;
}

} // namespace

SearchRow::SearchRow(const SearchResult& result, bool added, QWidget* parent)
    : QWidget(parent), m_result(result), m_add(new QPushButton(this))
{
    // Empty labels are left out so no separator stands alone.
    QStringList detail;
    for (const QString& part : {result.symbol, result.exchange, result.type}) {
        if (!part.isEmpty()) {
            detail.append(part);
        }
    }
    auto* layout = rowLayout(this, 8);
    layout->addWidget(nameColumn(result.name, detail.join(u" · "), this), 1);
    m_add->setFont(WindowStyle::font(12));
    layout->addWidget(m_add);
    setAdded(added);
    connect(m_add, &QPushButton::clicked, this, [this] { emit addRequested(m_result); });
}

bool SearchRow::added() const
{
    return !m_add->isEnabled();
}

void SearchRow::setAdded(bool added)
{
    m_add->setText(added ? QStringLiteral("추가됨") : QStringLiteral("추가"));
    m_add->setEnabled(!added);
}

WatchRow::WatchRow(const WatchItem& item, QWidget* parent)
    : QWidget(parent), m_item(item), m_change(new QLabel(this)), m_remove(new QToolButton(this))
{
    auto* layout = rowLayout(this, 8);
    auto* handle = new SymbolView(Symbol::dragHandle,
                                  WindowStyle::toneColor(palette(), WindowStyle::Tone::tertiary), 12, this);
    layout->addWidget(handle);
    layout->addWidget(nameColumn(item.name, item.symbol, this), 1);
    m_change->setFont(WindowStyle::font(11));
    m_change->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_change->hide();
    layout->addWidget(m_change);
    m_remove->setAutoRaise(true);
    m_remove->setIcon(
        SymbolIcons::icon(Symbol::trash, WindowStyle::toneColor(palette(), WindowStyle::Tone::secondary)));
    m_remove->setIconSize(QSize(15, 15));
    m_remove->setToolTip(QStringLiteral("목록에서 제거"));
    m_remove->setFocusPolicy(Qt::NoFocus);
    m_remove->setCursor(Qt::ArrowCursor);
    layout->addWidget(m_remove);
    connect(m_remove, &QToolButton::clicked, this, [this] { emit removeRequested(m_item.symbol); });
    setCursor(Qt::OpenHandCursor);
}

void WatchRow::setQuote(const Quote* quote)
{
    if (quote == nullptr) {
        m_change->hide();
        return;
    }
    m_change->setText(formatChange(*quote));
    WindowStyle::setTextColor(m_change, WindowStyle::changeColor(quote->direction()));
    m_change->show();
}

QString WatchRow::changeText() const
{
    return m_change->isHidden() ? QString() : m_change->text();
}

void WatchRow::setSelected(bool selected)
{
    if (m_selected != selected) {
        m_selected = selected;
        update();
    }
}

void WatchRow::setLifted(bool lifted)
{
    if (m_lifted != lifted) {
        m_lifted = lifted;
        update();
    }
}

void WatchRow::paintEvent(QPaintEvent*)
{
    if (!m_selected && !m_lifted) {
        return;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = m_selected ? palette().color(QPalette::Highlight) : palette().color(QPalette::WindowText);
    fill.setAlphaF(m_selected ? 0.28F : 0.08F);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(QRectF(rect()).adjusted(2, 1, -2, -1), 6, 6);
}

QList<WatchItem> movedEntry(QList<WatchItem> items, int from, int toOffset)
{
    if (from < 0 || from >= items.size() || toOffset < 0 || toOffset > items.size()) {
        return items;
    }
    const WatchItem entry = items.takeAt(from);
    items.insert(toOffset > from ? toOffset - 1 : toOffset, entry);
    return items;
}

} // namespace virel
