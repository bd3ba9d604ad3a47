#include "state/AppState.h"

#include "market/SearchService.h"
#include "platform/Settings.h"

#include <QPointer>
#include <QSet>

namespace virel {

namespace {
const auto kDisplayModeKey = QStringLiteral("displayMode");
const auto kFocusModeKey = QStringLiteral("focusMode");
const auto kTickerPlacementKey = QStringLiteral("tickerPlacement");
const auto kSmoothOnBatteryKey = QStringLiteral("smoothOnBattery");

QString listKey(DisplayMode mode)
{
    return QStringLiteral("items.") + DisplayModes::rawText(mode);
}

QSet<QString> symbolsOf(const QList<WatchItem>& list)
{
    QSet<QString> symbols;
    for (const auto& item : list) {
        symbols.insert(item.symbol);
    }
    return symbols;
}

bool needsKoreanName(const WatchItem& item)
{
    const bool korean =
        item.symbol.endsWith(QLatin1String(".KS")) || item.symbol.endsWith(QLatin1String(".KQ"));
    return korean && !SearchService::containsHangul(item.name);
}

// Reads an enumeration stored as raw text; a value that is there but unknown gives `fallback` and
// is kept aside before it is overwritten.
template <typename Enum>
Enum storedEnum(Settings& settings, const QString& key, Enum fallback,
                std::optional<Enum> (*fromRawText)(const QString&))
{
    if (!settings.contains(key)) {
        return fallback;
    }
    if (const auto value = fromRawText(settings.value(key).toString())) {
        return *value;
    }
    settings.markUnreadable(key);
    return fallback;
}
} // namespace

AppState::AppState(Settings& settings, YahooClient& yahoo, Notifier& notifier, const Clock& clock,
                   Intervals intervals, QObject* parent)
    : QObject(parent), m_settings(settings), m_yahoo(yahoo), m_intervals(intervals),
      m_quoteService(yahoo, clock), m_alertEngine(settings, notifier),
      m_timerEngine(notifier, clock, intervals.tick)
{
    // Read without writing back: a first launch leaves the store untouched.
    m_mode = storedEnum(settings, kDisplayModeKey, DisplayMode::market, &DisplayModes::fromRawText);
    // Only a stored "true" turns focus mode on: any other text is unreadable and gives the default.
    m_focusMode = settings.value(kFocusModeKey).toString() == QLatin1String("true");
    m_smoothOnBattery = settings.value(kSmoothOnBatteryKey).toString() == QLatin1String("true");
    m_tickerPlacement = storedEnum(settings, kTickerPlacementKey, TickerPlacement::belowMenuBar,
                                   &TickerPlacements::fromRawText);

    // Connected now, so the quotes held before this moment are not evaluated.
    connect(&m_quoteService, &QuoteService::quotesChanged, this,
            [this] { m_alertEngine.evaluate(m_quoteService.quotes()); });
    restart();

    m_rotationTimer.setInterval(intervals.rotation);
    connect(&m_rotationTimer, &QTimer::timeout, this, &AppState::rotate);
    m_rotationTimer.start();
}

void AppState::setMode(DisplayMode mode)
{
    if (mode == m_mode) {
        return;
    }
    m_mode = mode;
    m_settings.setValue(kDisplayModeKey, DisplayModes::rawText(mode));
    restart();
    emit modeChanged();
}

void AppState::setExpanded(bool expanded)
{
    if (expanded != m_expanded) {
        m_expanded = expanded;
        emit expandedChanged();
    }
}

void AppState::setFocusMode(bool focusMode)
{
    if (focusMode == m_focusMode) {
        return;
    }
    m_focusMode = focusMode;
    m_settings.setValue(kFocusModeKey, focusMode);
    emit focusModeChanged();
}

void AppState::setSmoothOnBattery(bool smooth)
{
    if (smooth == m_smoothOnBattery) {
        return;
    }
    m_smoothOnBattery = smooth;
    m_settings.setValue(kSmoothOnBatteryKey, smooth);
    emit smoothOnBatteryChanged();
}

void AppState::setTickerPlacement(TickerPlacement placement)
{
    if (placement == m_tickerPlacement) {
        return;
    }
    m_tickerPlacement = placement;
    m_settings.setValue(kTickerPlacementKey, TickerPlacements::rawText(placement));
    emit tickerPlacementChanged();
}

QList<WatchItem> AppState::defaultItems(DisplayMode mode)
{
    if (mode == DisplayMode::watchlist) {
        return {
            {QStringLiteral("NVDA"), QStringLiteral("NVDA")},
            {QStringLiteral("005930.KS"), QStringLiteral("삼성전자")},
            {QStringLiteral("000660.KS"), QStringLiteral("SK하이닉스")},
        };
    }
    return {
        {QStringLiteral("^KS11"), QStringLiteral("KOSPI")},
        {QStringLiteral("^KQ11"), QStringLiteral("KOSDAQ")},
        {QStringLiteral("^GSPC"), QStringLiteral("S&P 500")},
        {QStringLiteral("^IXIC"), QStringLiteral("NASDAQ")},
        {QStringLiteral("^VIX"), QStringLiteral("VIX")},
        {QStringLiteral("KRW=X"), QStringLiteral("USD/KRW")},
        {QStringLiteral("^TNX"), QStringLiteral("US 10Y")},
        {QStringLiteral("CL=F"), QStringLiteral("WTI")},
        {QStringLiteral("GC=F"), QStringLiteral("Gold")},
        {QStringLiteral("BTC-USD"), QStringLiteral("BTC")},
    };
}

QList<WatchItem> AppState::storedItems(DisplayMode mode) const
{
    const QString key = listKey(mode);
    if (!m_settings.contains(key)) {
        return defaultItems(mode);
    }
    if (auto stored = WatchItem::decodeList(m_settings.value(key).toByteArray())) {
        return *stored;
    }
    m_settings.markUnreadable(key);
    return defaultItems(mode);
}

void AppState::store(const QList<WatchItem>& list, DisplayMode mode)
{
    m_settings.setValue(listKey(mode), WatchItem::encodeList(list));
}

void AppState::restart()
{
    setItems(storedItems(m_mode));
    setRotationIndex(0);
    m_quoteService.start(m_items, m_intervals.poll);
}

void AppState::addSymbol(const QString& symbol, const std::optional<QString>& name)
{
    const QString normalised = symbol.trimmed().toUpper();
    if (normalised.isEmpty() || std::any_of(m_items.cbegin(), m_items.cend(), [&](const WatchItem& item) {
            return item.symbol == normalised;
        })) {
        return;
    }
    const WatchItem added{normalised, name.value_or(normalised)};
    // The list and the sync operation the edit queues are stored together.
    const Settings::Batch batch(m_settings);
    store(m_items + QList<WatchItem>{added}, m_mode);
    restart();
    reportEdit(WatchlistAdd{added.symbol, added.name});
}

void AppState::removeSymbol(const QString& symbol)
{
    QList<WatchItem> list = m_items;
    list.removeIf([&symbol](const WatchItem& item) { return item.symbol == symbol; });
    const Settings::Batch batch(m_settings);
    store(list, m_mode);
    restart();
    reportEdit(WatchlistRemove{symbol});
}

void AppState::reportEdit(const WatchlistChange& change) const
{
    // The market list lives only on this machine.
    if (m_mode == DisplayMode::watchlist && onWatchlistEdit) {
        onWatchlistEdit(change);
    }
}

void AppState::rotate()
{
    if (m_items.size() >= 2) {
        setRotationIndex(static_cast<int>((m_rotationIndex + 1) % m_items.size()));
    }
}

std::optional<WatchItem> AppState::rotatingItem() const
{
    if (m_items.isEmpty()) {
        return std::nullopt;
    }
    return m_items.at(m_rotationIndex % m_items.size());
}

QList<WatchItem> AppState::leftItems() const
{
    return m_items.first(std::min<qsizetype>(2, m_items.size()));
}

QList<WatchItem> AppState::watchlistItems() const
{
    return m_mode == DisplayMode::watchlist ? m_items : storedItems(DisplayMode::watchlist);
}

void AppState::applyServerWatchlist(const QList<WatchItem>& list)
{
    const QList<WatchItem> local = storedItems(DisplayMode::watchlist);
    QList<WatchItem> result = list;
    if (symbolsOf(list) == symbolsOf(local)) {
        QHash<QString, WatchItem> server;
        for (const auto& item : list) {
            if (!server.contains(item.symbol)) {
                server.insert(item.symbol, item);
            }
        }
        result = local;
        for (auto& item : result) {
            item = server.value(item.symbol, item);
        }
    }
    if (result == local) {
        return;
    }
    store(result, DisplayMode::watchlist);
    if (m_mode == DisplayMode::watchlist) {
        restart();
    }
}

QCoro::Task<> AppState::localizeKoreanNames()
{
    QPointer<AppState> self(this);
    for (const DisplayMode mode : DisplayModes::all()) {
        QList<std::pair<WatchItem, QString>> renames; // entry as read, its Korean name
        for (const WatchItem& item : storedItems(mode)) {
            if (!needsKoreanName(item)) {
                continue;
            }
            const auto name = co_await SearchService::resolveKoreanName(m_yahoo, item.symbol);
            if (!self) {
                co_return;
            }
            if (name) {
                renames.append({item, *name});
            }
        }
        // Rename only entries still as they were read: edits made during the lookups stay.
        QList<WatchItem> list = storedItems(mode);
        bool changed = false;
        for (auto& entry : list) {
            for (const auto& [before, name] : std::as_const(renames)) {
                if (entry == before) {
                    entry = WatchItem{entry.symbol, name};
                    changed = true;
                    break;
                }
            }
        }
        if (changed) {
            store(list, mode);
            if (mode == m_mode) {
                restart();
            }
        }
    }
}

void AppState::setItems(const QList<WatchItem>& items)
{
    if (items != m_items) {
        m_items = items;
        emit itemsChanged();
    }
}

void AppState::setRotationIndex(int index)
{
    if (index != m_rotationIndex) {
        m_rotationIndex = index;
        emit rotationIndexChanged();
    }
}

} // namespace virel
