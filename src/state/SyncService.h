#pragma once

#include "account/PendingOp.h"
#include "account/ServiceReplies.h"
#include "model/WatchItem.h"
#include "model/WatchlistChange.h"
#include "platform/Clock.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QTimer>
#include <chrono>
#include <optional>
#include <qcoro/qcorotask.h>

namespace virel {

class AccountService;
class AppState;
class Settings;
class VirelAPI;

// Keeps the local watchlist and the linked account's watchlist in step. Local edits become a
// persisted queue sent one by one, oldest first; once the queue is empty the account's list is
// pulled and handed to the application state. Symbols the service refuses as unknown stay
// local-only: later pulls keep them and removing them sends nothing. Signed out, nothing is queued.
class SyncService : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int pendingCount READ pendingCount NOTIFY pendingCountChanged)
    Q_PROPERTY(std::optional<QDateTime> lastSyncAt READ lastSyncAt NOTIFY lastSyncAtChanged)
    Q_PROPERTY(std::optional<QString> lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(bool syncing READ isSyncing NOTIFY syncingChanged)

public:
    // `state` is held weakly: without it a pull sees an empty local list and applies nowhere.
    SyncService(AccountService& account, AppState* state, VirelAPI& api, Settings& settings,
                const Clock& clock = Clock::system(),
                std::chrono::milliseconds period = std::chrono::seconds(60), QObject* parent = nullptr);

    // Starts the repeating run and one run at once.
    void start();
    // After every sign-in (a run) and sign-out (the queue and the status are dropped).
    void sessionDidChange();
    // One local edit of the watchlist; ignored while signed out.
    void recordLocalChange(const WatchlistChange& change);
    // One run: send the queue, pull, and again while edits arrived meanwhile. Returns at once when
    // signed out or while another run is in progress (the trigger is dropped, not queued).
    QCoro::Task<> syncNow();

    int pendingCount() const { return static_cast<int>(m_pendingOps.size()); }
    const QList<PendingOp>& pendingOps() const { return m_pendingOps; }
    const QSet<QString>& localOnlySymbols() const { return m_localOnlySymbols; }
    const std::optional<QDateTime>& lastSyncAt() const { return m_lastSyncAt; }
    const std::optional<QString>& lastError() const { return m_lastError; }
    bool isSyncing() const { return m_syncing; }

    // The account's list in local form, in the service's order: Korean names preferred (a Latin
    // server name yields to a Hangul local name), then the local-only symbols of the local list.
    static QList<WatchItem> merge(const QList<WatchlistResponse::Item>& server, const QList<WatchItem>& local,
                                  const QSet<QString>& localOnlySymbols);

signals:
    void pendingCountChanged();
    void lastSyncAtChanged();
    void lastErrorChanged();
    void syncingChanged();

private:
    // True when the queue was sent to its end.
    QCoro::Task<bool> flush(QString token);
    QCoro::Task<> pull(QString token);
    bool isSessionOf(const QString& token) const;
    // Drops the queue's first operation if it is still `op`.
    void dropFirst(const PendingOp& op);
    void setPendingOps(QList<PendingOp> ops);
    void setLocalOnlySymbols(QSet<QString> symbols);
    void setLastSyncAt(std::optional<QDateTime> at);
    void setLastError(std::optional<QString> error);
    void setSyncing(bool syncing);

    AccountService& m_account;
    QPointer<AppState> m_state;
    VirelAPI& m_api;
    Settings& m_settings;
    const Clock& m_clock;
    QTimer m_timer;

    QList<PendingOp> m_pendingOps;
    QSet<QString> m_localOnlySymbols;
    std::optional<QDateTime> m_lastSyncAt;
    std::optional<QString> m_lastError;
    bool m_syncing = false;
};

} // namespace virel
