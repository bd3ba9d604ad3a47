#pragma once

#include "market/SearchResult.h"
#include "model/Quote.h"
#include "model/WatchItem.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QToolButton;

namespace virel {

class SymbolView;

// One search hit: name, "symbol · exchange · type" and the add button.
class SearchRow : public QWidget
{
    Q_OBJECT

public:
    SearchRow(const SearchResult& result, bool added, QWidget* parent = nullptr);

    const SearchResult& result() const { return m_result; }
    bool added() const;
    void setAdded(bool added);
    QPushButton* addButton() const { return m_add; }

signals:
    void addRequested(const virel::SearchResult& result);

private:
    SearchResult m_result;
    QPushButton* m_add;
};

// One entry of the shown list: drag handle, name over symbol, the change and the remove button.
class WatchRow : public QWidget
{
    Q_OBJECT

public:
    explicit WatchRow(const WatchItem& item, QWidget* parent = nullptr);

    const WatchItem& item() const { return m_item; }
    // Shows the change of `quote`, or nothing without one.
    void setQuote(const Quote* quote);
    QString changeText() const;
    void setSelected(bool selected);
    bool isSelected() const { return m_selected; }
    void setLifted(bool lifted);
    QToolButton* removeButton() const { return m_remove; }

signals:
    void removeRequested(const QString& symbol);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    WatchItem m_item;
    QLabel* m_change;
    QToolButton* m_remove;
    bool m_selected = false;
    bool m_lifted = false;
};

// The list after moving the entry at `from` so that it lands before the entry that was at `toOffset`
// (`toOffset` == size moves it to the end).
QList<WatchItem> movedEntry(QList<WatchItem> items, int from, int toOffset);

} // namespace virel
