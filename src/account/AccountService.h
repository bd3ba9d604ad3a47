#pragma once

#include "account/LinkState.h"
#include "account/User.h"
#include "platform/Clock.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>

namespace virel {

class LinkFlow;
class SecretStore;
class Settings;
class VirelAPI;

// Pacing of the device-code poll: `poll` at first, `step` longer after every 429, never over `maxPoll`.
struct LinkIntervals
{
    std::chrono::milliseconds poll{2'500};
    std::chrono::milliseconds maxPoll{10'000};
    std::chrono::milliseconds step{1'000};

    // The interval after one more "too many requests" answer.
    std::chrono::milliseconds stretched(std::chrono::milliseconds current) const
    {
        return std::min(current + step, maxPoll);
    }
};

// The link between this computer and an account on the Virel service: the device-code flow, the API
// token (in memory and in the secret store), the signed-in user, web sessions and sign-out.
class AccountService : public QObject
{
    Q_OBJECT
    Q_PROPERTY(std::optional<virel::User> user READ user NOTIFY userChanged)
    Q_PROPERTY(virel::LinkState linkState READ linkState NOTIFY linkStateChanged)

public:
    // Opens a web address in the user's browser.
    using UrlOpener = std::function<void(const QUrl&)>;

    AccountService(VirelAPI& api, SecretStore& secrets, Settings& settings, UrlOpener openUrl,
                   const Clock& clock = Clock::system(), LinkIntervals intervals = {},
                   QObject* parent = nullptr);
    ~AccountService() override;

    const std::optional<User>& user() const { return m_user; }
    const LinkState& linkState() const { return m_linkState; }
    const std::optional<QString>& token() const { return m_token; }
    // The poll interval of the current (or last) link flow.
    std::chrono::milliseconds pollInterval() const { return m_pollInterval; }

    // Called after every sign-in and every sign-out, but not for the restore at start-up.
    std::function<void()> onSessionChange;

    // Brings back the session saved by an earlier run. The owner calls it once, right after
    // construction; it changes nothing when a session began or a link started in the meantime.
    QCoro::Task<> restore();

    // Starts the device-code flow (cancelling a running one); does nothing while signed in.
    void beginLink();
    // Ends the session here at once and revokes the token on the service in the background.
    void logout();
    QCoro::Task<> refreshProfile();
    // A signed-in web address for `redirect` (a path on the service), or nothing.
    QCoro::Task<std::optional<QUrl>> webSessionURL(QString redirect);
    // The service refused `rejectedToken` (401): ends the session when that token is still the
    // current one; an answer about an older session changes nothing.
    void handleUnauthorized(const QString& rejectedToken);

signals:
    void userChanged();
    void linkStateChanged();

private:
    QCoro::Task<> runLinkFlow(std::shared_ptr<LinkFlow> flow);
    QCoro::Task<> poll(std::shared_ptr<LinkFlow> flow, QString deviceCode, QDateTime expiresAt);
    void completeLogin(const QString& token, const QString& email);
    QCoro::Task<> saveToken(QString token);
    void clearSession();
    void cancelLinkFlow();
    QUrl approvalURL(const QString& verificationUrl) const;
    void setUser(std::optional<User> user);
    void setLinkState(LinkState state);

    VirelAPI& m_api;
    SecretStore& m_secrets;
    Settings& m_settings;
    UrlOpener m_openUrl;
    const Clock& m_clock;
    LinkIntervals m_intervals;

    std::optional<User> m_user;
    LinkState m_linkState;
    std::optional<QString> m_token;
    std::shared_ptr<LinkFlow> m_flow;
    std::chrono::milliseconds m_pollInterval;
    // Counts sign-ins and sign-outs, so a late restore never overrides a newer session.
    quint64 m_sessionGeneration = 0;
};

} // namespace virel
