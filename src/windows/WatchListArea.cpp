#include "windows/WatchListArea.h"

#include "windows/EditRows.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace virel {

WatchListArea::WatchListArea(QWidget* parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this)), m_dropMark(new QWidget(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    setFocusPolicy(Qt::StrongFocus);
    m_dropMark->setAutoFillBackground(true);
    m_dropMark->setBackgroundRole(QPalette::Highlight);
    m_dropMark->hide();
}

void WatchListArea::setItems(const QList<WatchItem>& items)
{
    const QString selectedSymbol = m_selected >= 0 ? m_rows.at(m_selected)->item().symbol : QString();
    endDrag();
    // A row may be deleting itself from its own button's signal: let it finish first.
    for (WatchRow* old : std::as_const(m_rows)) {
        old->hide();
        old->deleteLater();
    }
    m_rows.clear();
    int keep = -1;
    for (const WatchItem& item : items) {
        auto* row = new WatchRow(item, this);
        row->setQuote(quoteFor(item.symbol));
        connect(row, &WatchRow::removeRequested, this, &WatchListArea::removeRequested);
        if (keep < 0 && item.symbol == selectedSymbol) {
            keep = static_cast<int>(m_rows.size());
        }
        m_layout->addWidget(row);
        m_rows.append(row);
    }
    // An entry that went away hands the selection to the one now in its place.
    const int previous = m_selected;
    m_selected = -1;
    if (keep >= 0) {
        select(keep);
    } else if (previous >= 0 && !m_rows.isEmpty()) {
        select(std::min(previous, count() - 1));
    }
}

void WatchListArea::setQuotes(const QuoteMap& quotes)
{
    m_quotes = quotes;
    for (WatchRow* row : std::as_const(m_rows)) {
        row->setQuote(quoteFor(row->item().symbol));
    }
}

const Quote* WatchListArea::quoteFor(const QString& symbol) const
{
    const auto found = m_quotes.constFind(symbol);
    return found != m_quotes.cend() ? &found.value() : nullptr;
}

WatchRow* WatchListArea::row(int index) const
{
    return index >= 0 && index < count() ? m_rows.at(index) : nullptr;
}

void WatchListArea::select(int index)
{
    if (index < -1 || index >= count() || index == m_selected) {
        return;
    }
    if (m_selected >= 0) {
        m_rows.at(m_selected)->setSelected(false);
    }
    m_selected = index;
    if (m_selected >= 0) {
        m_rows.at(m_selected)->setSelected(true);
        emit selected(m_rows.at(m_selected));
    }
}

int WatchListArea::rowAt(const QPoint& position) const
{
    for (int index = 0; index < count(); ++index) {
        if (m_rows.at(index)->geometry().contains(position)) {
            return index;
        }
    }
    return -1;
}

int WatchListArea::offsetAt(int y) const
{
    for (int index = 0; index < count(); ++index) {
        if (y < m_rows.at(index)->geometry().center().y()) {
            return index;
        }
    }
    return count();
}

void WatchListArea::showDropMark(int offset)
{
    const int y =
        offset < count() ? m_rows.at(offset)->geometry().top() : m_rows.constLast()->geometry().bottom();
    m_dropMark->setGeometry(8, std::max(0, y - 1), width() - 16, 2);
    m_dropMark->show();
    m_dropMark->raise();
}

void WatchListArea::endDrag()
{
    if (m_dragging && m_pressed >= 0 && m_pressed < count()) {
        m_rows.at(m_pressed)->setLifted(false);
    }
    m_dragging = false;
    m_pressed = -1;
    m_dropMark->hide();
    unsetCursor();
}

void WatchListArea::mousePressEvent(QMouseEvent* event)
{
    const int index = rowAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || index < 0) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    select(index);
    m_pressed = index;
    m_pressPosition = event->position().toPoint();
}

void WatchListArea::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressed < 0 || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    const QPoint position = event->position().toPoint();
    if (!m_dragging) {
        if ((position - m_pressPosition).manhattanLength() < QApplication::startDragDistance()) {
            return;
        }
        m_dragging = true;
        m_rows.at(m_pressed)->setLifted(true);
        setCursor(Qt::ClosedHandCursor);
    }
    showDropMark(offsetAt(position.y()));
}

void WatchListArea::mouseReleaseEvent(QMouseEvent* event)
{
    const int from = m_pressed;
    const bool dropped = m_dragging && event->button() == Qt::LeftButton;
    const int offset = offsetAt(event->position().toPoint().y());
    endDrag();
    // Dropping a row into the gap right before or after itself leaves the order as it is.
    if (dropped && offset != from && offset != from + 1) {
        emit moveRequested(from, offset);
    }
}

void WatchListArea::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
        select(m_selected < 0 ? count() - 1 : std::max(0, m_selected - 1));
        break;
    case Qt::Key_Down:
        select(std::min(count() - 1, m_selected + 1));
        break;
    case Qt::Key_Delete:
    case Qt::Key_Backspace:
        if (m_selected >= 0) {
            emit removeRequested(m_rows.at(m_selected)->item().symbol);
        }
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace virel
