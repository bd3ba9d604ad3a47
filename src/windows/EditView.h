#pragma once

#include "market/SearchResult.h"
#include "model/WatchItem.h"

#include <QList>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>
#include <qcoro/qcorotask.h>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollArea;
class QVBoxLayout;

namespace virel {

class AppState;
class SearchRow;
class SegmentedControl;
class WatchListArea;

// The content of the "노치 편집" window: the list picker, search-as-you-type with add buttons, and
// the shown list with reordering and removal. The list always follows the state and is changed only
// through the state's operations, so every change is stored at once.
class EditView : public QWidget
{
    Q_OBJECT

public:
    using SearchFunction = std::function<QCoro::Task<QList<SearchResult>>(QString)>;
    static constexpr std::chrono::milliseconds defaultSearchDelay{300};

    EditView(AppState& state, SearchFunction search, QWidget* parent = nullptr);

    // The pause after the last keystroke before a search is sent.
    void setSearchDelay(std::chrono::milliseconds delay);

    QString query() const;
    const QList<SearchResult>& results() const { return m_results; }
    bool searching() const { return m_searching; }
    // True while the "검색 결과" section is shown (the trimmed query is not empty).
    bool resultSectionShown() const;
    QString resultSectionText() const;
    QList<SearchRow*> searchRows() const;
    QString listHeaderText() const;
    QString footerText() const;

    QLineEdit* searchField() const { return m_searchField; }
    SegmentedControl* modePicker() const { return m_modePicker; }
    WatchListArea* list() const { return m_list; }
    QPushButton* doneButton() const { return m_done; }

    // Moves the entry at `from` before the entry at `toOffset`, stores the new order and restarts the
    // list. A reorder stays on this computer: it is not reported to synchronisation.
    void moveEntry(int from, int toOffset);
    // Whether an account is signed in; in watchlist mode the footer says where changes go.
    void setSignedIn(bool signedIn);

signals:
    void done();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildResultSection();
    QWidget* buildFooter();
    void queryEdited(const QString& text);
    void startSearch();
    QCoro::Task<> runSearch(QString query, quint64 generation);
    void setSearching(bool searching);
    void showResults();
    void addResult(const SearchResult& result);
    void addFirstResult();
    void itemsChanged();
    void modeChanged();
    void showFooter();

    AppState& m_state;
    SearchFunction m_search;
    QTimer m_debounce;
    QString m_pendingQuery;
    // Every keystroke starts a new generation; only a search of the current one may write results.
    quint64 m_generation = 0;
    QList<SearchResult> m_results;
    bool m_searching = false;
    bool m_signedIn = false;

    SegmentedControl* m_modePicker;
    QLineEdit* m_searchField;
    QScrollArea* m_scroll;
    QWidget* m_resultSection;
    QWidget* m_resultProgress;
    QLabel* m_noResults;
    QVBoxLayout* m_resultRows;
    QLabel* m_listHeader;
    WatchListArea* m_list;
    QLabel* m_footer;
    QPushButton* m_done;
};

} // namespace virel
