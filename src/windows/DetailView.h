#pragma once

#include "market/History.h"
#include "market/NewsItem.h"
#include "model/WatchItem.h"
#include "platform/Clock.h"

#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>
#include <optional>
#include <qcoro/qcorotask.h>

class QStackedWidget;

namespace virel {

class AccountService;
class AppState;
class DetailHeader;
class DetailTimelineList;
class SegmentedControl;
class StaleWatch;
class WebTabView;
class YahooClient;

// The content tabs of the detail window, in display order.
enum class DetailTab { web, timeline };

namespace DetailTabs {
// "Virel" or "타임라인": the segment title.
QString title(DetailTab tab);
// The web tab when the symbol has a page on the service, else the timeline.
DetailTab initial(const QString& symbol);
} // namespace DetailTabs

// One symbol in depth: the header with the symbol picker and the price, then either the symbol's
// page on the service or its corporate events and news, and the notice at the bottom. Choosing
// another symbol resets the tab and replaces the running load; a replaced load never writes.
class DetailView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString symbol READ symbol WRITE setSymbol NOTIFY symbolChanged)
    Q_PROPERTY(bool loading READ loading NOTIFY loadingChanged)

public:
    DetailView(AppState& state, AccountService& account, YahooClient& yahoo, const QString& initialSymbol,
               const Clock& clock = Clock::system(), QWidget* parent = nullptr);

    const QString& symbol() const { return m_symbol; }
    // As the picker does: resets the tab and starts a new load.
    void setSymbol(const QString& symbol);
    DetailTab tab() const { return m_tab; }
    void setTab(DetailTab tab);
    bool loading() const { return m_loading; }
    const History& history() const { return m_history; }
    const QList<NewsItem>& news() const { return m_news; }

    // "/symbol/" and the web form of the symbol, when it has one.
    std::optional<QString> webPath() const;
    // The page address of `webPath` on the service.
    std::optional<QUrl> webURL() const;
    // The active list, plus an entry for the symbol when the list does not hold it.
    QList<WatchItem> pickerItems() const;
    // Both tabs when the symbol has a page, else the timeline only.
    QList<DetailTab> offeredTabs() const;

    DetailHeader* header() const { return m_header; }
    SegmentedControl* tabPicker() const { return m_tabPicker; }
    DetailTimelineList* timeline() const { return m_timeline; }
    // Null until the web tab is first shown.
    WebTabView* webTab() const { return m_webTab; }

signals:
    void symbolChanged();
    void tabChanged();
    void loadingChanged();
    // The history or the news changed.
    void contentChanged();

private:
    QCoro::Task<> load(quint64 generation);
    bool isCurrentLoad(quint64 generation) const { return generation == m_loadGeneration; }
    void startLoad();
    void setLoading(bool loading);
    void updateHeader();
    void updateQuote();
    void updateTabs();
    void updateTimeline();

    AppState& m_state;
    AccountService& m_account;
    YahooClient& m_yahoo;
    const Clock& m_clock;

    QString m_symbol;
    DetailTab m_tab;
    History m_history;
    QList<NewsItem> m_news;
    bool m_loading = false;
    // Each load takes the next number; only the newest may write.
    quint64 m_loadGeneration = 0;

    DetailHeader* m_header;
    QWidget* m_tabBar;
    SegmentedControl* m_tabPicker;
    QStackedWidget* m_content;
    DetailTimelineList* m_timeline;
    WebTabView* m_webTab = nullptr;
    StaleWatch* m_staleWatch;
};

} // namespace virel
