#include "windows/DetailView.h"

#include "market/HistoryService.h"
#include "market/NewsService.h"
#include "market/TickerMap.h"
#include "state/AppState.h"
#include "notch/StaleWatch.h"
#include "platform/Detached.h"
#include "platform/Origins.h"
#include "windows/DetailHeader.h"
#include "windows/DetailTimelineList.h"
#include "windows/SegmentedControl.h"
#include "windows/WebSessionBridge.h"
#include "windows/WebTabView.h"
#include "windows/WindowStyle.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace virel {

namespace {

QFrame* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    WindowStyle::setTextColor(line, WindowStyle::toneColor(line->palette(), WindowStyle::Tone::tertiary));
    return line;
}

QLabel* notice(QWidget* parent)
{
    auto* label =
        new QLabel(DetailView::tr("시세는 지연될 수 있습니다 · 본 화면은 투자 추천이 아닙니다"), parent);
    WindowStyle::styleLabel(label, 9, WindowStyle::Tone::secondary);
    label->setAlignment(Qt::AlignCenter);
    label->setContentsMargins(6, 6, 6, 6);
    return label;
}

} // namespace

namespace DetailTabs {

QString title(DetailTab tab)
{
    return tab == DetailTab::web ? QStringLiteral("Virel") : DetailView::tr("타임라인");
}

DetailTab initial(const QString& symbol)
{
    return TickerMap::webTicker(symbol) ? DetailTab::web : DetailTab::timeline;
}

} // namespace DetailTabs

DetailView::DetailView(AppState& state, AccountService& account, YahooClient& yahoo,
                       const QString& initialSymbol, const Clock& clock, QWidget* parent)
    : QWidget(parent), m_state(state), m_account(account), m_yahoo(yahoo), m_clock(clock),
      m_symbol(initialSymbol), m_tab(DetailTabs::initial(initialSymbol)), m_header(new DetailHeader(this)),
      m_tabBar(new QWidget(this)),
      m_tabPicker(new SegmentedControl(
          {DetailTabs::title(DetailTab::web), DetailTabs::title(DetailTab::timeline)}, m_tabBar)),
      m_content(new QStackedWidget(this)), m_timeline(new DetailTimelineList(m_content)),
      m_staleWatch(new StaleWatch(clock, this))
{
    setMinimumSize(720, 560);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(m_header);
    column->addWidget(divider(this));
    auto* tabRow = new QHBoxLayout(m_tabBar);
    tabRow->setContentsMargins(12, 8, 12, 8);
    tabRow->addWidget(m_tabPicker);
    column->addWidget(m_tabBar);
    m_content->addWidget(m_timeline);
    column->addWidget(m_content, 1);
    column->addWidget(divider(this));
    column->addWidget(notice(this));

    connect(m_header, &DetailHeader::symbolPicked, this, &DetailView::setSymbol);
    connect(m_tabPicker, &SegmentedControl::activated, this,
            [this](int index) { setTab(offeredTabs().value(index, DetailTab::timeline)); });
    connect(&m_state, &AppState::itemsChanged, this, &DetailView::updateHeader);
    connect(&m_state.quoteService(), &QuoteService::quotesChanged, this, &DetailView::updateQuote);
    connect(m_staleWatch, &StaleWatch::turnedStale, this, &DetailView::updateQuote);

    updateHeader();
    updateTabs();
    updateTimeline();
    startLoad();
}

void DetailView::setSymbol(const QString& symbol)
{
    if (symbol == m_symbol) {
        return;
    }
    m_symbol = symbol;
    // The rows of the symbol left behind go at once; the new symbol's arrive with its load.
    m_history = {};
    m_news.clear();
    emit symbolChanged();
    emit contentChanged();
    m_tab = DetailTabs::initial(symbol);
    emit tabChanged();
    updateHeader();
    updateTabs();
    updateTimeline();
    startLoad();
}

void DetailView::setTab(DetailTab tab)
{
    if (tab == m_tab || !offeredTabs().contains(tab)) {
        return;
    }
    m_tab = tab;
    emit tabChanged();
    updateTabs();
}

std::optional<QString> DetailView::webPath() const
{
    if (const std::optional<QString> ticker = TickerMap::webTicker(m_symbol)) {
        return QStringLiteral("/symbol/") + *ticker;
    }
    return std::nullopt;
}

std::optional<QUrl> DetailView::webURL() const
{
    if (const std::optional<QString> path = webPath()) {
        return WebSessionBridge::pageUrl(Origins::service(), *path);
    }
    return std::nullopt;
}

QList<WatchItem> DetailView::pickerItems() const
{
    QList<WatchItem> items = m_state.items();
    const bool listed = std::any_of(items.cbegin(), items.cend(),
                                    [this](const WatchItem& item) { return item.symbol == m_symbol; });
    if (!listed) {
        items.append(WatchItem{m_symbol, m_symbol});
    }
    return items;
}

QList<DetailTab> DetailView::offeredTabs() const
{
    if (webPath()) {
        return {DetailTab::web, DetailTab::timeline};
    }
    return {DetailTab::timeline};
}

void DetailView::startLoad()
{
    runDetached(load(++m_loadGeneration), this);
}

QCoro::Task<> DetailView::load(quint64 generation)
{
    QPointer self(this);
    setLoading(true);
    // Both requests run at once; their answers are applied in a fixed order, the history first.
    QCoro::Task<History> history = HistoryService::fetch(m_yahoo, m_symbol, ChartRange::threeMonths);
    QCoro::Task<QList<NewsItem>> news = NewsService::fetch(m_yahoo, m_symbol);
    History fetchedHistory = co_await std::move(history);
    if (self && self->isCurrentLoad(generation)) {
        self->m_history = std::move(fetchedHistory);
        emit self->contentChanged();
        self->updateTimeline();
    }
    QList<NewsItem> fetchedNews = co_await std::move(news);
    if (!self || !self->isCurrentLoad(generation)) {
        co_return;
    }
    self->m_news = std::move(fetchedNews);
    emit self->contentChanged();
    self->setLoading(false);
}

void DetailView::setLoading(bool loading)
{
    if (loading == m_loading) {
        return;
    }
    m_loading = loading;
    emit loadingChanged();
    updateTimeline();
}

void DetailView::updateHeader()
{
    m_header->setChoices(pickerItems(), m_symbol);
    m_header->setPageUrl(webURL());
    updateQuote();
}

void DetailView::updateQuote()
{
    const QuoteMap& quotes = m_state.quoteService().quotes();
    const auto found = quotes.constFind(m_symbol);
    const std::optional<Quote> quote = found == quotes.cend() ? std::nullopt : std::optional(*found);
    m_header->setQuote(quote, m_clock.now());
    m_staleWatch->watch(quote ? QuoteMap{{m_symbol, *quote}} : QuoteMap{});
}

void DetailView::updateTabs()
{
    const QList<DetailTab> offered = offeredTabs();
    m_tabBar->setVisible(offered.size() > 1);
    m_tabPicker->setCurrentIndex(static_cast<int>(offered.indexOf(m_tab)));
    const std::optional<QString> path = webPath();
    if (m_tab == DetailTab::web && path) {
        if (!m_webTab) {
            m_webTab = new WebTabView(m_account, Origins::service(), m_content);
            m_content->addWidget(m_webTab);
        }
        m_webTab->setPath(*path);
        m_content->setCurrentWidget(m_webTab);
    } else {
        m_content->setCurrentWidget(m_timeline);
    }
}

void DetailView::updateTimeline()
{
    m_timeline->setContent(m_history.events, m_news, m_loading);
}

} // namespace virel
