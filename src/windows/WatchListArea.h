#pragma once

#include "model/Quote.h"
#include "model/WatchItem.h"

#include <QList>
#include <QWidget>

class QVBoxLayout;

namespace virel {

class WatchRow;

// The rows of the shown list. Rows are reordered by dragging them (the drop position is marked by
// a line) and chosen with the mouse or Up/Down; Delete asks to remove the chosen entry. The list
// itself is never changed here: moves and removals are requested from the owner, which stores them
// and hands the new list back through setItems.
class WatchListArea : public QWidget
{
    Q_OBJECT

public:
    explicit WatchListArea(QWidget* parent = nullptr);

    void setItems(const QList<WatchItem>& items);
    void setQuotes(const QuoteMap& quotes);

    int count() const { return static_cast<int>(m_rows.size()); }
    WatchRow* row(int index) const;
    int selectedIndex() const { return m_selected; }
    void select(int index);

signals:
    // Move the entry at `from` before the entry at `toOffset` (count: to the end).
    void moveRequested(int from, int toOffset);
    void removeRequested(const QString& symbol);
    void selected(QWidget* row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    const Quote* quoteFor(const QString& symbol) const;
    int rowAt(const QPoint& position) const;
    // The gap before which a row dropped at height `y` lands.
    int offsetAt(int y) const;
    void showDropMark(int offset);
    void endDrag();

    QVBoxLayout* m_layout;
    QWidget* m_dropMark;
    QList<WatchRow*> m_rows;
    QuoteMap m_quotes;
    int m_selected = -1;
    int m_pressed = -1;
    QPoint m_pressPosition;
    bool m_dragging = false;
};

} // namespace virel
