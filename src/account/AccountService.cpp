#include "account/AccountService.h"

#include "account/LinkFlow.h"
#include "account/ServiceReplies.h"
#include "account/ServiceSupport.h"
#include "account/VirelAPI.h"
#include "platform/SecretStore.h"
#include "platform/Settings.h"

#include <QPointer>
#include <QSysInfo>
#include <algorithm>

namespace virel {

namespace {

const auto kEmailKey = QStringLiteral("account.email");
// Set when a token is first stored: until then the keychain is not opened at start, which on some
// desktops greets the user with the wallet's set-up window.
const auto kTokenStoredKey = QStringLiteral("account.tokenStored");

const auto kCannotConnect =
    QStringLiteral("Virel에 연결하지 못했습니다. 네트워크를 확인하고 다시 시도해 주세요.");
const auto kTokenIssueFailed = QStringLiteral("토큰 발급에 실패했습니다. 다시 시도해 주세요.");
const auto kCodeExpired = QStringLiteral("연결 코드가 만료되었습니다(10분). 다시 시도해 주세요.");
const auto kCodeInvalid = QStringLiteral("연결 코드가 더 이상 유효하지 않습니다. 다시 시도해 주세요.");

// A code never lives longer than a day, whatever the service says.
constexpr double kMaxCodeLifetimeSeconds = 24 * 60 * 60;

QString deviceName()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("Linux") : name;
}

} // namespace

AccountService::AccountService(VirelAPI& api, SecretStore& secrets, Settings& settings, UrlOpener openUrl,
                               const Clock& clock, LinkIntervals intervals, QObject* parent)
    : QObject(parent), m_api(api), m_secrets(secrets), m_settings(settings), m_openUrl(std::move(openUrl)),
      m_clock(clock), m_intervals(intervals), m_pollInterval(intervals.poll)
{}

AccountService::~AccountService()
{
    cancelLinkFlow();
}

QCoro::Task<> AccountService::restore()
{
    // Signed in before the flag existed: the e-mail is stored with the session.
    if (!m_settings.contains(kTokenStoredKey) && !m_settings.contains(kEmailKey)) {
        co_return;
    }
    const quint64 generation = m_sessionGeneration;
    QPointer self(this);
    const std::optional<QString> token = co_await m_secrets.load();
    if (!self || !token || token->isEmpty() || generation != m_sessionGeneration || m_flow) {
        co_return;
    }
    m_token = token;
    setUser(User{m_settings.value(kEmailKey).toString()});
    runDetached(refreshProfile(), this);
}

void AccountService::beginLink()
{
    if (m_user) {
        return;
    }
    cancelLinkFlow();
    setLinkState(LinkState::starting());
    m_flow = std::make_shared<LinkFlow>();
    runDetached(runLinkFlow(m_flow), this);
}

QCoro::Task<> AccountService::runLinkFlow(std::shared_ptr<LinkFlow> flow)
{
    const auto start = co_await m_api.request<StartResponse>("POST", QStringLiteral("/api/mac/device/start"));
    if (flow->isCancelled()) {
        co_return;
    }
    if (!start.ok()) {
        m_flow.reset();
        setLinkState(LinkState::failed(kCannotConnect));
        co_return;
    }
    const StartResponse& reply = start.reply();
    const QUrl approval = approvalURL(reply.verificationUrl);
    const double lifetime = std::clamp(reply.expiresIn, 0.0, kMaxCodeLifetimeSeconds);
    const QDateTime expiresAt = m_clock.now().addMSecs(static_cast<qint64>(lifetime * 1000));
    setLinkState(LinkState::waiting(reply.userCode, approval, expiresAt));
    if (m_openUrl) {
        m_openUrl(approval);
    }
    co_await poll(flow, reply.deviceCode, expiresAt);
    if (!flow->isCancelled()) {
        m_flow.reset();
    }
}

QCoro::Task<> AccountService::poll(std::shared_ptr<LinkFlow> flow, QString deviceCode, QDateTime expiresAt)
{
    const JsonBody body{{QStringLiteral("device_code"), deviceCode},
                        {QStringLiteral("device_name"), deviceName()}};
    m_pollInterval = m_intervals.poll;
    while (m_clock.now() < expiresAt) {
        co_await flow->sleep(m_pollInterval);
        if (flow->isCancelled()) {
            co_return;
        }
        const auto answer = co_await m_api.request<PollResponse>(
            "POST", QStringLiteral("/api/mac/device/poll"), std::nullopt, body);
        if (flow->isCancelled()) {
            co_return;
        }
        if (answer.ok()) {
            const PollResponse& reply = answer.reply();
            // Compared exactly: any other spelling means the code is still pending.
            if (reply.status == QStringLiteral("approved")) {
                if (reply.token && !reply.token->isEmpty()) {
                    completeLogin(*reply.token,
                                  reply.user ? reply.user->email.value_or(QString()) : QString());
                } else {
                    setLinkState(LinkState::failed(kTokenIssueFailed));
                }
                co_return;
            }
            if (reply.status == QStringLiteral("expired")) {
                setLinkState(LinkState::failed(kCodeExpired));
                co_return;
            }
        } else if (const HTTPError* error = answer.httpError()) {
            if (error->status == 404) {
                setLinkState(LinkState::failed(kCodeInvalid));
                co_return;
            }
            if (error->status == 429) {
                m_pollInterval = m_intervals.stretched(m_pollInterval);
            }
        }
    }
    setLinkState(LinkState::failed(kCodeExpired));
}

void AccountService::completeLogin(const QString& token, const QString& email)
{
    ++m_sessionGeneration;
    m_flow.reset();
    m_token = token;
    m_settings.setValue(kEmailKey, email);
    m_settings.setValue(kTokenStoredKey, true);
    setUser(User{email});
    setLinkState(LinkState::idle());
    if (onSessionChange) {
        onSessionChange();
    }
    // The secret store may take a few seconds; the session does not wait for it.
    runDetached(saveToken(token), this);
    runDetached(refreshProfile(), this);
}

QCoro::Task<> AccountService::saveToken(QString token)
{
    // Awaited into a variable: GCC 12 leaks a coroutine awaited inside a condition.
    const bool saved = co_await m_secrets.save(std::move(token));
    if (!saved) {
        qWarning("virel: Keychain 저장 실패 — 이번 실행 동안만 로그인이 유지됩니다");
    }
}

QCoro::Task<> AccountService::refreshProfile()
{
    if (!m_token) {
        co_return;
    }
    const QString token = *m_token;
    QPointer self(this);
    const auto answer = co_await m_api.request<MeResponse>("GET", QStringLiteral("/api/mac/me"), token);
    // An answer about a session that has ended since changes nothing.
    if (!self || m_token != token) {
        co_return;
    }
    if (answer.ok()) {
        const auto& email = answer.reply().email;
        if (email && !email->isEmpty() && (!m_user || m_user->email != *email)) {
            m_settings.setValue(kEmailKey, *email);
            setUser(User{*email});
        }
    } else if (const HTTPError* error = answer.httpError(); error && error->status == 401) {
        handleUnauthorized(token);
    }
}

QCoro::Task<std::optional<QUrl>> AccountService::webSessionURL(QString redirect)
{
    if (!m_token) {
        co_return std::nullopt;
    }
    const QString token = *m_token;
    QPointer self(this);
    // Built outside the co_await expression: GCC 12 cannot keep a string literal's array there.
    JsonBody body{{QStringLiteral("redirect"), redirect}};
    const auto answer = co_await m_api.request<WebSessionResponse>(
        "POST", QStringLiteral("/api/mac/web-session"), token, body);
    if (!self) {
        co_return std::nullopt;
    }
    if (const HTTPError* error = answer.httpError(); error && error->status == 401) {
        handleUnauthorized(token);
    }
    if (!answer.ok() || !answer.reply().url) {
        co_return std::nullopt;
    }
    // Only a web address is ever loaded.
    const QUrl url(*answer.reply().url, QUrl::StrictMode);
    co_return Origins::isWebUrl(url) ? std::optional(url) : std::nullopt;
}

void AccountService::logout()
{
    const std::optional<QString> token = m_token;
    clearSession();
    if (token) {
        runDetached(m_api.request<OK>("POST", QStringLiteral("/api/mac/token/revoke"), token), this);
    }
}

void AccountService::handleUnauthorized(const QString& rejectedToken)
{
    if (m_user && m_token == rejectedToken) {
        clearSession();
    }
}

void AccountService::clearSession()
{
    cancelLinkFlow();
    ++m_sessionGeneration;
    runDetached(m_secrets.remove(), this);
    m_token.reset();
    setUser(std::nullopt);
    m_settings.remove(kEmailKey);
    setLinkState(LinkState::idle());
    if (onSessionChange) {
        onSessionChange();
    }
}

void AccountService::cancelLinkFlow()
{
    if (m_flow) {
        m_flow->cancel();
        m_flow.reset();
    }
}

QUrl AccountService::approvalURL(const QString& verificationUrl) const
{
    const QUrl url(verificationUrl, QUrl::StrictMode);
    if (Origins::isWebUrl(url)) {
        return url;
    }
    QUrl fallback = m_api.baseURL();
    QString path = fallback.path();
    if (!path.endsWith(u'/')) {
        path += u'/';
    }
    fallback.setPath(path + QStringLiteral("link/mac"));
    return fallback;
}

void AccountService::setUser(std::optional<User> user)
{
    if (assignIfChanged(m_user, std::move(user))) {
        emit userChanged();
    }
}

void AccountService::setLinkState(LinkState state)
{
    if (assignIfChanged(m_linkState, std::move(state))) {
        emit linkStateChanged();
    }
}

} // namespace virel
