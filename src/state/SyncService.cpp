#include "state/SyncService.h"

#include "account/AccountService.h"
#include "account/ServiceSupport.h"
#include "account/VirelAPI.h"
#include "market/SearchService.h"
#include "market/TickerMap.h"
#include "state/AppState.h"
#include "platform/Settings.h"

#include <algorithm>

namespace virel {

namespace {

const auto kPendingOpsKey = QStringLiteral("sync.pendingOps");
const auto kLocalOnlyKey = QStringLiteral("sync.localOnlySymbols");
const auto kWatchlistPath = QStringLiteral("/api/mac/watchlist");

const auto kRateLimited = QStringLiteral("요청이 많습니다 — 잠시 후 다시 시도합니다");
const auto kServerError = QStringLiteral("서버 오류 — 잠시 후 다시 시도합니다");
const auto kPullFailed = QStringLiteral("동기화 실패 — 잠시 후 다시 시도합니다");

QString offlineText(qsizetype queued)
{
    return QStringLiteral("오프라인 — 재연결 시 ") + QString::number(queued) +
           QStringLiteral("건을 다시 전송합니다");
}

QList<PendingOp> storedQueue(Settings& settings)
{
    if (!settings.contains(kPendingOpsKey)) {
        return {};
    }
    if (auto ops = PendingOp::decodeList(settings.value(kPendingOpsKey).toByteArray())) {
        return *ops;
    }
    settings.markUnreadable(kPendingOpsKey);
    return {};
}

// A list of texts; the store gives back a single entry as one text and an empty list as nothing.
QSet<QString> storedLocalOnlySymbols(Settings& settings)
{
    const QVariant stored = settings.value(kLocalOnlyKey);
    const int type = stored.metaType().id();
    if (type != QMetaType::QStringList && type != QMetaType::QString) {
        if (stored.isValid()) {
            settings.markUnreadable(kLocalOnlyKey);
        }
        return {};
    }
    const QStringList symbols = stored.toStringList();
    return QSet<QString>(symbols.begin(), symbols.end());
}

} // namespace

SyncService::SyncService(AccountService& account, AppState* state, VirelAPI& api, Settings& settings,
                         const Clock& clock, std::chrono::milliseconds period, QObject* parent)
    : QObject(parent), m_account(account), m_state(state), m_api(api), m_settings(settings), m_clock(clock),
      m_pendingOps(storedQueue(settings)), m_localOnlySymbols(storedLocalOnlySymbols(settings))
{
    m_timer.setInterval(period);
    connect(&m_timer, &QTimer::timeout, this, [this] { runDetached(syncNow(), this); });
}

void SyncService::start()
{
    m_timer.start();
    runDetached(syncNow(), this);
}

void SyncService::sessionDidChange()
{
    if (m_account.user()) {
        runDetached(syncNow(), this);
        return;
    }
    setPendingOps({});
    setLastSyncAt(std::nullopt);
    setLastError(std::nullopt);
}

void SyncService::recordLocalChange(const WatchlistChange& change)
{
    if (!m_account.user()) {
        return; // edits made while signed out are never sent
    }
    QList<PendingOp> ops = m_pendingOps;
    if (const auto* add = std::get_if<WatchlistAdd>(&change)) {
        ops.append({PendingOp::Action::add, TickerMap::serverTicker(add->symbol), add->symbol});
    } else {
        const QString& symbol = std::get<WatchlistRemove>(change).symbol;
        if (m_localOnlySymbols.contains(symbol)) {
            QSet<QString> localOnly = m_localOnlySymbols;
            localOnly.remove(symbol);
            setLocalOnlySymbols(std::move(localOnly));
            return; // the service never had it
        }
        ops.append({PendingOp::Action::remove, TickerMap::serverTicker(symbol), symbol});
    }
    setPendingOps(std::move(ops));
    runDetached(syncNow(), this);
}

QCoro::Task<> SyncService::syncNow()
{
    if (!m_account.user() || !m_account.token() || m_syncing) {
        co_return;
    }
    setSyncing(true);
    const QString token = *m_account.token();
    QPointer self(this);
    while (true) {
        const bool flushed = co_await flush(token);
        if (!self) {
            co_return;
        }
        if (!flushed) {
            break;
        }
        co_await pull(token);
        if (!self) {
            co_return;
        }
        // Edits that arrived during the run are sent, and the list pulled again, before it ends.
        if (m_pendingOps.isEmpty() || !isSessionOf(token)) {
            break;
        }
    }
    setSyncing(false);
}

QCoro::Task<bool> SyncService::flush(QString token)
{
    QPointer self(this);
    while (!m_pendingOps.isEmpty()) {
        if (!isSessionOf(token)) {
            co_return false;
        }
        const PendingOp op = m_pendingOps.first();
        const JsonBody body{{QStringLiteral("ticker"), op.ticker},
                            {QStringLiteral("action"), PendingOp::actionText(op.action)}};
        const auto result = co_await m_api.request<OK>("POST", kWatchlistPath, token, body);
        if (!self) {
            co_return false;
        }
        if (result.ok()) {
            dropFirst(op);
            continue;
        }
        const HTTPError* error = result.httpError();
        if (!error) {
            setLastError(offlineText(m_pendingOps.size()));
            co_return false;
        }
        if (error->status == 401) {
            m_account.handleUnauthorized(token);
            co_return false;
        }
        if (error->status == 429) {
            setLastError(kRateLimited);
            co_return false;
        }
        if (error->status < 400 || error->status > 499) {
            setLastError(kServerError);
            co_return false;
        }
        // Any other refusal drops the operation; an unknown symbol stays in the local list only.
        dropFirst(op);
        if (error->status == 404 && error->code == QStringLiteral("unknown_ticker") &&
            op.action == PendingOp::Action::add) {
            QSet<QString> localOnly = m_localOnlySymbols;
            localOnly.insert(op.symbol);
            setLocalOnlySymbols(std::move(localOnly));
        }
    }
    co_return true;
}

QCoro::Task<> SyncService::pull(QString token)
{
    QPointer self(this);
    const auto result = co_await m_api.request<WatchlistResponse>("GET", kWatchlistPath, token);
    if (!self) {
        co_return;
    }
    if (!result.ok()) {
        if (const HTTPError* error = result.httpError(); error && error->status == 401) {
            m_account.handleUnauthorized(token);
        } else {
            setLastError(kPullFailed);
        }
        co_return;
    }
    // A list of an account that was signed out meanwhile is never applied.
    if (!isSessionOf(token) || !m_pendingOps.isEmpty()) {
        co_return; // an edit not yet sent would be overwritten: the run sends it and pulls again
    }
    const QList<WatchItem> local = m_state ? m_state->watchlistItems() : QList<WatchItem>();
    const QList<WatchItem> merged = merge(result.reply().items, local, m_localOnlySymbols);
    if (m_state) {
        m_state->applyServerWatchlist(merged);
    }
    setLastSyncAt(m_clock.now());
    setLastError(std::nullopt);
}

QList<WatchItem> SyncService::merge(const QList<WatchlistResponse::Item>& server,
                                    const QList<WatchItem>& local, const QSet<QString>& localOnlySymbols)
{
    QHash<QString, QString> localNames;
    for (const WatchItem& item : local) {
        if (!localNames.contains(item.symbol)) {
            localNames.insert(item.symbol, item.name);
        }
    }
    QList<WatchItem> merged;
    QSet<QString> seen;
    for (const auto& entry : server) {
        // An empty name counts as none, so no chip is ever left blank.
        const auto named = [](const std::optional<QString>& name) { return name && !name->isEmpty(); };
        WatchItem item{TickerMap::yahooSymbol(entry.ticker, entry.exchange.value_or(QString())),
                       named(entry.nameKo) ? *entry.nameKo
                       : named(entry.name) ? *entry.name
                                           : entry.ticker};
        const QString localName = localNames.value(item.symbol);
        if (!SearchService::containsHangul(item.name) && SearchService::containsHangul(localName)) {
            item.name = localName;
        }
        // A symbol the service lists twice is shown once.
        if (!seen.contains(item.symbol)) {
            seen.insert(item.symbol);
            merged.append(item);
        }
    }
    for (const WatchItem& item : local) {
        if (localOnlySymbols.contains(item.symbol) && !seen.contains(item.symbol)) {
            seen.insert(item.symbol);
            merged.append(item);
        }
    }
    return merged;
}

bool SyncService::isSessionOf(const QString& token) const
{
    return m_account.user() && m_account.token() == token;
}

void SyncService::dropFirst(const PendingOp& op)
{
    if (!m_pendingOps.isEmpty() && m_pendingOps.first() == op) {
        setPendingOps(m_pendingOps.mid(1));
    }
}

void SyncService::setPendingOps(QList<PendingOp> ops)
{
    const bool countChanged = ops.size() != m_pendingOps.size();
    m_pendingOps = std::move(ops);
    m_settings.setValue(kPendingOpsKey, PendingOp::encodeList(m_pendingOps));
    if (countChanged) {
        emit pendingCountChanged();
    }
}

void SyncService::setLocalOnlySymbols(QSet<QString> symbols)
{
    m_localOnlySymbols = std::move(symbols);
    QStringList sorted(m_localOnlySymbols.begin(), m_localOnlySymbols.end());
    sorted.sort();
    m_settings.setValue(kLocalOnlyKey, sorted);
}

void SyncService::setLastSyncAt(std::optional<QDateTime> at)
{
    if (assignIfChanged(m_lastSyncAt, std::move(at))) {
        emit lastSyncAtChanged();
    }
}

void SyncService::setLastError(std::optional<QString> error)
{
    if (assignIfChanged(m_lastError, std::move(error))) {
        emit lastErrorChanged();
    }
}

void SyncService::setSyncing(bool syncing)
{
    if (assignIfChanged(m_syncing, syncing)) {
        emit syncingChanged();
    }
}

} // namespace virel
