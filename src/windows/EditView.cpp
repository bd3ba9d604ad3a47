#include "windows/EditView.h"

#include "market/TextTrim.h"
#include "platform/Detached.h"
#include "state/AppState.h"
#include "windows/EditRows.h"
#include "windows/SegmentedControl.h"
#include "windows/Spinner.h"
#include "windows/WatchListArea.h"
#include "windows/WindowStyle.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <qcoro/qcorotask.h>

namespace virel {

namespace {

constexpr int kSidePadding = 12;

QLabel* sectionHeader(QWidget* parent)
{
    auto* label = new QLabel(parent);
    WindowStyle::styleLabel(label, 11, WindowStyle::Tone::secondary, QFont::DemiBold);
    label->setContentsMargins(8, 10, 8, 4);
    return label;
}

bool isEnter(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

} // namespace

EditView::EditView(AppState& state, SearchFunction search, QWidget* parent)
    : QWidget(parent), m_state(state), m_search(std::move(search))
{
    setMinimumSize(420, 480);
    m_debounce.setSingleShot(true);
    m_debounce.setInterval(defaultSearchDelay);
    connect(&m_debounce, &QTimer::timeout, this, &EditView::startSearch);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    QStringList modeTitles;
    for (const DisplayMode mode : DisplayModes::all()) {
        modeTitles.append(DisplayModes::menuTitle(mode));
    }
    m_modePicker = new SegmentedControl(modeTitles, this);
    connect(m_modePicker, &SegmentedControl::activated, this,
            [this](int index) { m_state.setMode(DisplayModes::all().at(index)); });
    auto* pickerRow = new QHBoxLayout;
    pickerRow->setContentsMargins(kSidePadding, kSidePadding, kSidePadding, 0);
    pickerRow->addWidget(m_modePicker);
    layout->addLayout(pickerRow);

    m_searchField = new QLineEdit(this);
    m_searchField->setPlaceholderText(QStringLiteral("종목 검색·추가 (예: 삼성전자, NVDA, 비트코인)"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->installEventFilter(this);
    connect(m_searchField, &QLineEdit::textChanged, this, &EditView::queryEdited);
    auto* searchRow = new QHBoxLayout;
    searchRow->setContentsMargins(kSidePadding, 8, kSidePadding, 8);
    searchRow->addWidget(m_searchField);
    layout->addLayout(searchRow);

    auto* content = new QWidget;
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(kSidePadding - 4, 0, kSidePadding - 4, 8);
    contentLayout->setSpacing(0);
    m_resultSection = buildResultSection();
    contentLayout->addWidget(m_resultSection);
    m_listHeader = sectionHeader(content);
    contentLayout->addWidget(m_listHeader);
    m_list = new WatchListArea(content);
    connect(m_list, &WatchListArea::moveRequested, this, &EditView::moveEntry);
    connect(m_list, &WatchListArea::removeRequested, this,
            [this](const QString& symbol) { m_state.removeSymbol(symbol); });
    contentLayout->addWidget(m_list);
    contentLayout->addStretch(1);

    m_scroll = WindowStyle::transparentScrollArea(content, this);
    connect(m_list, &WatchListArea::selected, this,
            [this](QWidget* row) { m_scroll->ensureWidgetVisible(row); });
    layout->addWidget(m_scroll, 1);

    layout->addWidget(WindowStyle::divider(this));
    layout->addWidget(buildFooter());

    connect(&m_state, &AppState::itemsChanged, this, &EditView::itemsChanged);
    connect(&m_state, &AppState::modeChanged, this, &EditView::modeChanged);
    connect(&m_state.quoteService(), &QuoteService::quotesChanged, this,
            [this] { m_list->setQuotes(m_state.quoteService().quotes()); });
    m_list->setQuotes(m_state.quoteService().quotes());
    itemsChanged();
    modeChanged();
    showResults();
    m_searchField->setFocus();
}

QWidget* EditView::buildResultSection()
{
    auto* section = new QWidget;
    auto* layout = new QVBoxLayout(section);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QLabel* header = sectionHeader(section);
    header->setText(QStringLiteral("검색 결과"));
    layout->addWidget(header);

    m_resultProgress = new QWidget(section);
    auto* progressLayout = new QHBoxLayout(m_resultProgress);
    progressLayout->setContentsMargins(8, 6, 8, 6);
    progressLayout->addWidget(new Spinner(16, m_resultProgress));
    progressLayout->addStretch(1);
    layout->addWidget(m_resultProgress);

    m_noResults = new QLabel(QStringLiteral("검색 결과가 없습니다"), section);
    WindowStyle::styleLabel(m_noResults, 12, WindowStyle::Tone::secondary);
    m_noResults->setContentsMargins(8, 6, 8, 6);
    layout->addWidget(m_noResults);

    m_resultRows = new QVBoxLayout;
    m_resultRows->setSpacing(0);
    layout->addLayout(m_resultRows);
    return section;
}

QWidget* EditView::buildFooter()
{
    auto* footer = new QWidget(this);
    auto* layout = new QHBoxLayout(footer);
    layout->setContentsMargins(kSidePadding, 8, kSidePadding, 10);
    m_footer = new QLabel(footer);
    WindowStyle::styleLabel(m_footer, 10, WindowStyle::Tone::secondary);
    layout->addWidget(m_footer, 1);
    m_done = new QPushButton(QStringLiteral("완료"), footer);
    m_done->setDefault(true);
    connect(m_done, &QPushButton::clicked, this, &EditView::done);
    layout->addWidget(m_done);
    return footer;
}

void EditView::setSearchDelay(std::chrono::milliseconds delay)
{
    m_debounce.setInterval(delay);
}

QString EditView::query() const
{
    return m_searchField->text();
}

bool EditView::resultSectionShown() const
{
    return !m_resultSection->isHidden();
}

QString EditView::resultSectionText() const
{
    return m_noResults->isHidden() ? QString() : m_noResults->text();
}

QList<SearchRow*> EditView::searchRows() const
{
    return WindowStyle::widgetsIn<SearchRow>(m_resultRows);
}

QString EditView::listHeaderText() const
{
    return m_listHeader->text();
}

QString EditView::footerText() const
{
    return m_footer->text();
}

void EditView::queryEdited(const QString& text)
{
    // The pending search belongs to the old text: drop it, and let no running search write.
    m_debounce.stop();
    ++m_generation;
    const QString trimmed = trimSpacesAndTabs(text);
    if (trimmed.isEmpty()) {
        m_results.clear();
        setSearching(false);
    } else {
        m_pendingQuery = trimmed;
        m_debounce.start();
    }
    showResults();
}

void EditView::startSearch()
{
    setSearching(true);
    showResults();
    runDetached(runSearch(m_pendingQuery, m_generation), this);
}

QCoro::Task<> EditView::runSearch(QString query, quint64 generation)
{
    QPointer<EditView> self(this);
    QList<SearchResult> found = co_await m_search(std::move(query));
    if (!self || generation != m_generation) {
        co_return;
    }
    m_results = std::move(found);
    setSearching(false);
    showResults();
}

void EditView::setSearching(bool searching)
{
    m_searching = searching;
}

void EditView::showResults()
{
    const bool shown = !trimSpacesAndTabs(m_searchField->text()).isEmpty();
    m_resultSection->setVisible(shown);
    m_resultProgress->setVisible(shown && m_searching);
    m_noResults->setVisible(shown && !m_searching && m_results.isEmpty());
    for (SearchRow* row : searchRows()) {
        m_resultRows->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    if (!shown || m_searching) {
        return;
    }
    for (const SearchResult& result : std::as_const(m_results)) {
        const bool added = std::ranges::any_of(
            m_state.items(), [&](const WatchItem& item) { return item.symbol == result.symbol; });
        auto* row = new SearchRow(result, added, m_resultSection);
        connect(row, &SearchRow::addRequested, this, &EditView::addResult);
        m_resultRows->addWidget(row);
    }
}

void EditView::addResult(const SearchResult& result)
{
    m_state.addSymbol(result.symbol, result.name);
}

void EditView::addFirstResult()
{
    const QList<SearchRow*> rows = searchRows();
    if (!rows.isEmpty() && !rows.first()->added()) {
        addResult(rows.first()->result());
    }
}

void EditView::itemsChanged()
{
    const QList<WatchItem>& items = m_state.items();
    m_list->setItems(items);
    m_listHeader->setText(QStringLiteral("노치에 표시 중 (%1) — 드래그로 순서 변경").arg(items.size()));
    for (SearchRow* row : searchRows()) {
        row->setAdded(std::ranges::any_of(
            items, [&](const WatchItem& item) { return item.symbol == row->result().symbol; }));
    }
}

void EditView::modeChanged()
{
    const DisplayMode mode = m_state.mode();
    m_modePicker->setCurrentIndex(static_cast<int>(DisplayModes::all().indexOf(mode)));
    showFooter();
}

void EditView::setSignedIn(bool signedIn)
{
    m_signedIn = signedIn;
    showFooter();
}

void EditView::showFooter()
{
    if (m_state.mode() == DisplayMode::market) {
        m_footer->setText(QStringLiteral("Market Mode 구성은 이 컴퓨터에만 저장됩니다"));
    } else {
        m_footer->setText(m_signedIn ? QStringLiteral("변경은 Virel 계정에 동기화됩니다")
                                     : QStringLiteral("로그인 전까지 변경은 이 컴퓨터에만 저장됩니다"));
    }
}

void EditView::moveEntry(int from, int toOffset)
{
    const QList<WatchItem> moved = movedEntry(m_state.items(), from, toOffset);
    if (moved == m_state.items()) {
        return;
    }
    m_state.store(moved, m_state.mode());
    m_state.restart();
}

bool EditView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_searchField && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (isEnter(key) && !trimSpacesAndTabs(m_searchField->text()).isEmpty()) {
            addFirstResult();
            return true;
        }
        if (key->key() == Qt::Key_Down && m_list->count() > 0) {
            m_list->setFocus(Qt::TabFocusReason);
            m_list->select(std::max(0, m_list->selectedIndex()));
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EditView::keyPressEvent(QKeyEvent* event)
{
    if (isEnter(event) || event->key() == Qt::Key_Escape) {
        emit done();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace virel
