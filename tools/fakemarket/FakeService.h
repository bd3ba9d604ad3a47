#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace virel::fake {

class FakeServer;

// A local stand-in for the Virel service, added to a FakeServer (so its faults and request log apply):
//   POST /api/mac/device/start, /api/mac/device/poll          device-code link, no token
//   GET  /api/mac/me, POST /api/mac/web-session, /api/mac/token/revoke
//   GET  /api/mac/watchlist, POST /api/mac/watchlist         per-token lists over a fixed catalogue
// and real pages for a browser: /link/mac (pending codes, each with a "승인" button posting to
// /link/mac/approve), /session/{ticket} (where a web-session URL lands: signs the browser in and
// redirects), /symbol/{ticker} and /. JSON replies use snake_case keys; errors are {"error": code}.
class FakeService : public QObject
{
    Q_OBJECT

public:
    // One watchlist entry as the service holds it; empty members are left out of the reply.
    struct Entry
    {
        QString ticker; // server form
        QString name;
        QString nameKo;
        QString exchange;
        bool operator==(const Entry&) const = default;
    };

    // One request to the service as it arrived (faults or not).
    struct Request
    {
        QByteArray method;
        QString path;
        QByteArray authorization;
        QByteArray contentType;
        QByteArray userAgent;
        QByteArray body;
    };

    explicit FakeService(FakeServer& server, QObject* parent = nullptr);

    // Device link.
    QStringList pendingUserCodes() const;
    // Approves a pending code for `email`; false when no such pending code exists.
    bool approve(const QString& userCode, const QString& email = QStringLiteral("demo@virel.app"));
    void setCodeLifetime(int seconds);

    // Accounts.
    // Keeps the accounts (every valid token with its e-mail and list) in `path`: read now, written on
    // every change, so a server started later with the same file knows the tokens issued before.
    void keepAccountsIn(const QString& path);
    QString issueToken(const QString& email);
    bool isTokenValid(const QString& token) const;
    void setEmail(const QString& token, const QString& email);

    // Watchlists.
    void setWatchlist(const QString& token, const QList<Entry>& entries);
    QList<Entry> watchlist(const QString& token) const;
    // The entry the catalogue has for `ticker`, or nothing (the ticker is then unknown).
    static std::optional<Entry> catalogueEntry(const QString& ticker);

    // The service's requests in arrival order.
    QList<Request> requests() const { return m_requests; }
    QList<Request> requestsTo(const QString& path) const;
    void clearRequests() { m_requests.clear(); }

signals:
    // A browser approved a code, or a test did.
    void approved(const QString& userCode);

private:
    struct DeviceCode
    {
        QString deviceCode;
        QString userCode;
        QString deviceName;
        QDateTime expiresAt;
        QString approvedEmail; // empty: still pending
    };
    struct Ticket
    {
        QString token;
        QString redirect;
    };
    using Handler = std::function<QHttpServerResponse(const QHttpServerRequest&)>;

    // Logs the request, then answers it through the server's faults.
    void serve(const QHttpServerRequest& request, QHttpServerResponder&& responder,
               const std::function<QHttpServerResponse()>& answer);
    void addRoute(const QString& path, QHttpServerRequest::Methods methods, Handler handler);
    void addApiRoutes();
    void addPageRoutes();
    // The token of a request's "Authorization: Bearer" header when the service knows it.
    std::optional<QString> authorizedToken(const QHttpServerRequest& request) const;
    QHttpServerResponse withToken(const QHttpServerRequest& request,
                                  const std::function<QHttpServerResponse(const QString&)>& answer) const;

    QHttpServerResponse start();
    QHttpServerResponse poll(const QHttpServerRequest& request);
    QHttpServerResponse webSession(const QString& token, const QHttpServerRequest& request);
    QHttpServerResponse watchlistReply(const QString& token) const;
    QHttpServerResponse editWatchlist(const QString& token, const QHttpServerRequest& request);
    QHttpServerResponse linkPage() const;
    QHttpServerResponse approvePage(const QHttpServerRequest& request);
    QHttpServerResponse sessionLanding(const QString& ticket);
    QHttpServerResponse symbolPage(const QString& ticker, const QHttpServerRequest& request) const;
    QHttpServerResponse homePage(const QHttpServerRequest& request) const;
    QString signedInEmail(const QHttpServerRequest& request) const;
    void saveAccounts() const;

    FakeServer& m_server;
    QList<DeviceCode> m_codes;
    QHash<QString, QString> m_emails; // token → e-mail of every valid token
    QHash<QString, QList<Entry>> m_lists;
    QHash<QString, Ticket> m_tickets;
    QHash<QString, QString> m_browserSessions; // cookie value → token
    QList<Request> m_requests;
    QString m_accountsFile;
    int m_codeLifetime = 600;
    int m_serial = 0;
};

} // namespace virel::fake
