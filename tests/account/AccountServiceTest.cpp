#include "account/AccountService.h"
#include "AwaitTask.h"
#include "FakeClock.h"
#include "FakeServiceHost.h"
#include "MemorySecretStore.h"
#include "TempSettings.h"
#include "account/VirelAPI.h"

#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace virel;
using namespace std::chrono_literals;
using fake::Fault;
using test::awaitTask;

namespace {

const auto kStart = QStringLiteral("/api/mac/device/start");
const auto kPoll = QStringLiteral("/api/mac/device/poll");
const auto kMe = QStringLiteral("/api/mac/me");
const auto kRevoke = QStringLiteral("/api/mac/token/revoke");
const auto kWebSession = QStringLiteral("/api/mac/web-session");
const auto kEmailKey = QStringLiteral("account.email");

const auto kCannotConnect =
    QStringLiteral("Virel에 연결하지 못했습니다. 네트워크를 확인하고 다시 시도해 주세요.");
const auto kTokenIssueFailed = QStringLiteral("토큰 발급에 실패했습니다. 다시 시도해 주세요.");
const auto kCodeExpired = QStringLiteral("연결 코드가 만료되었습니다(10분). 다시 시도해 주세요.");
const auto kCodeInvalid = QStringLiteral("연결 코드가 더 이상 유효하지 않습니다. 다시 시도해 주세요.");

// Fast polling with the real shape: 25 ms, 10 ms longer per 429, at most 100 ms.
constexpr LinkIntervals kIntervals{25ms, 100ms, 10ms};

} // namespace

class AccountServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_host = std::make_unique<test::FakeServiceHost>();
        QVERIFY(m_host->isListening());
        m_api = std::make_unique<VirelAPI>(m_host->origin(), ServiceTimeouts{300ms, 2s});
        m_secrets = std::make_unique<test::MemorySecretStore>();
        m_settings = std::make_unique<test::TempSettings>();
        m_opened.clear();
        m_sessionChanges = 0;
        m_account = std::make_unique<AccountService>(
            *m_api, *m_secrets, **m_settings, [this](const QUrl& url) { m_opened.append(url); }, m_clock,
            kIntervals);
        m_account->onSessionChange = [this] { ++m_sessionChanges; };
    }

    void cleanup()
    {
        // Requests still on their way (a revocation, a profile refresh) finish before the client goes.
        m_account.reset();
        QTest::qWait(50);
        m_api.reset();
        m_host.reset();
    }

    void intervalArithmetic()
    {
        const LinkIntervals production;
        auto interval = production.poll;
        QCOMPARE(interval, 2500ms);
        for (int i = 0; i < 3; ++i) {
            interval = production.stretched(interval);
        }
        QCOMPARE(interval, 5500ms);
        for (int i = 3; i < 7; ++i) {
            interval = production.stretched(interval);
        }
        QCOMPARE(interval, 9500ms);
        interval = production.stretched(interval);
        QCOMPARE(interval, 10000ms); // the eighth
        QCOMPARE(production.stretched(interval), 10000ms);
    }

    void restoreWithoutToken()
    {
        awaitTask(m_account->restore());
        QVERIFY(!m_account->user());
        QVERIFY(!m_account->token());
        QCOMPARE(m_host->server.requestCount(), 0);
    }

    void restoreRefreshesTheProfile()
    {
        const QString token = m_host->service.issueToken(QStringLiteral("new@example.com"));
        m_secrets->token = token;
        (*m_settings)->setValue(kEmailKey, QStringLiteral("old@example.com"));
        awaitTask(m_account->restore());
        QCOMPARE(m_account->token(), token);
        QCOMPARE(m_account->user(), User{QStringLiteral("old@example.com")});
        QTRY_COMPARE(m_account->user(), User{QStringLiteral("new@example.com")});
        QCOMPARE((*m_settings)->value(kEmailKey).toString(), QStringLiteral("new@example.com"));
        QCOMPARE(m_sessionChanges, 0);
    }

    void restoreWithRevokedTokenSignsOut()
    {
        m_secrets->token = QStringLiteral("revoked");
        awaitTask(m_account->restore());
        QVERIFY(m_account->user());
        QTRY_VERIFY(!m_account->user());
        QVERIFY(!m_account->token());
        QVERIFY(!m_secrets->token);
        QVERIFY(!(*m_settings)->contains(kEmailKey));
        QCOMPARE(m_sessionChanges, 1);
    }

    void restoreAfterALinkBeganChangesNothing()
    {
        m_secrets->token = m_host->service.issueToken(QStringLiteral("a@example.com"));
        m_secrets->loadDelay = 20ms;
        auto restoring = m_account->restore();
        m_account->beginLink();
        awaitTask(std::move(restoring));
        QVERIFY(!m_account->token());
        QVERIFY(waitForWaiting());
        m_account->logout();
    }

    void linkSignsIn()
    {
        QSignalSpy states(m_account.get(), &AccountService::linkStateChanged);
        m_account->beginLink();
        QCOMPARE(m_account->linkState().kind, LinkState::Kind::starting);
        QVERIFY(waitForWaiting());
        const LinkState waiting = m_account->linkState();
        QCOMPARE(waiting.verificationURL, m_host->origin().resolved(QUrl(QStringLiteral("/link/mac"))));
        QCOMPARE(waiting.expiresAt, m_clock.now().addSecs(600));
        QCOMPARE(m_opened, QList<QUrl>{waiting.verificationURL});
        QCOMPARE(m_host->service.pendingUserCodes(), QStringList{waiting.userCode});

        QVERIFY(m_host->service.approve(waiting.userCode, QStringLiteral("kim@example.com")));
        QTRY_VERIFY(m_account->user());
        QCOMPARE(m_account->user()->email, QStringLiteral("kim@example.com"));
        QCOMPARE(m_account->linkState(), LinkState::idle());
        QVERIFY(m_account->token() && m_host->service.isTokenValid(*m_account->token()));
        QCOMPARE(m_secrets->token, m_account->token());
        QCOMPARE((*m_settings)->value(kEmailKey).toString(), QStringLiteral("kim@example.com"));
        QCOMPARE(m_sessionChanges, 1);
        QCOMPARE(states.size(), 3); // starting, waiting, idle

        const auto polls = m_host->service.requestsTo(kPoll);
        QVERIFY(!polls.isEmpty());
        const QJsonObject body = QJsonDocument::fromJson(polls.last().body).object();
        QVERIFY(body.value(QStringLiteral("device_code")).toString().startsWith(QStringLiteral("dc-")));
        QVERIFY(!body.value(QStringLiteral("device_name")).toString().isEmpty());
        QVERIFY(polls.last().authorization.isEmpty());
        QCOMPARE(m_host->service.requestsTo(kStart).size(), 1);
    }

    void beginLinkWhileSignedInChangesNothing()
    {
        signIn();
        m_host->service.clearRequests();
        QSignalSpy states(m_account.get(), &AccountService::linkStateChanged);
        m_account->beginLink();
        QCOMPARE(m_account->linkState(), LinkState::idle());
        QCOMPARE(states.size(), 0);
        QCOMPARE(m_host->service.requestsTo(kStart).size(), 0);
    }

    void startFailures_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("server error") << Fault::withStatus(500);
        QTest::newRow("rate limited") << Fault::withStatus(429);
        QTest::newRow("truncated") << Fault::truncated();
        QTest::newRow("wrong type") << Fault::wrongType(QStringLiteral("expires_in"));
        QTest::newRow("too slow") << Fault::delayed(800ms);
    }

    void startFailures()
    {
        QFETCH(Fault, fault);
        m_host->server.faults().add(kStart, fault);
        m_account->beginLink();
        QTRY_COMPARE(m_account->linkState(), LinkState::failed(kCannotConnect));
        QVERIFY(m_opened.isEmpty());
        QCOMPARE(m_host->service.requestsTo(kPoll).size(), 0);
    }

    void approvalAddressFallsBackToTheLinkPage_data()
    {
        QTest::addColumn<QString>("verificationUrl");
        QTest::newRow("not a URL") << QStringLiteral("::not a url::");
        QTest::newRow("script") << QStringLiteral("javascript:alert(1)");
        QTest::newRow("file") << QStringLiteral("file:///etc/passwd");
        QTest::newRow("empty") << QString();
    }

    void approvalAddressFallsBackToTheLinkPage()
    {
        QFETCH(QString, verificationUrl);
        const QJsonObject start{{QStringLiteral("device_code"), QStringLiteral("dc-x")},
                                {QStringLiteral("user_code"), QStringLiteral("ABCD-1234")},
                                {QStringLiteral("verification_url"), verificationUrl},
                                {QStringLiteral("expires_in"), 600}};
        m_host->server.faults().add(kStart, Fault::withStatus(200, QJsonDocument(start).toJson()));
        m_host->server.faults().add(kPoll, Fault::withStatus(200, "{\"status\":\"pending\"}"));
        m_account->beginLink();
        QVERIFY(waitForWaiting());
        QUrl expected = m_host->origin();
        expected.setPath(QStringLiteral("/link/mac"));
        QCOMPARE(m_account->linkState().verificationURL, expected);
        QCOMPARE(m_opened, QList<QUrl>{expected});
        m_account->logout();
    }

    void pollOutcomes_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("approved without token")
            << Fault::withStatus(200, "{\"status\":\"approved\"}") << kTokenIssueFailed;
        QTest::newRow("approved with empty token")
            << Fault::withStatus(200, "{\"status\":\"approved\",\"token\":\"\"}") << kTokenIssueFailed;
        QTest::newRow("expired") << Fault::withStatus(200, "{\"status\":\"expired\"}") << kCodeExpired;
        QTest::newRow("code no longer valid") << Fault::withStatus(404) << kCodeInvalid;
    }

    void pollOutcomes()
    {
        QFETCH(Fault, fault);
        QFETCH(QString, message);
        m_host->server.faults().add(kPoll, fault);
        m_account->beginLink();
        QTRY_COMPARE(m_account->linkState(), LinkState::failed(message));
        QVERIFY(!m_account->user());
        QCOMPARE(m_sessionChanges, 0);
        const int polls = m_host->service.requestsTo(kPoll).size();
        QTest::qWait(80);
        QCOMPARE(m_host->service.requestsTo(kPoll).size(), polls);
    }

    void pollKeepsGoing_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("capitalised Approved")
            << Fault::withStatus(200, "{\"status\":\"Approved\",\"token\":\"t\"}").times(3);
        QTest::newRow("server error") << Fault::withStatus(500).times(3);
        QTest::newRow("other 4xx") << Fault::withStatus(400).times(3);
        QTest::newRow("not JSON") << Fault::withStatus(200, "approved").times(3);
        QTest::newRow("no answer in time") << Fault::delayed(500ms).times(1);
    }

    void pollKeepsGoing()
    {
        QFETCH(Fault, fault);
        m_host->server.faults().add(kPoll, fault);
        m_account->beginLink();
        QVERIFY(waitForWaiting());
        const LinkState waiting = m_account->linkState();
        QTRY_COMPARE_WITH_TIMEOUT(
            m_host->server.faults().take(m_host->origin().resolved(QUrl(kPoll))).has_value(), false, 3000);
        QCOMPARE(m_account->linkState(), waiting);
        QVERIFY(!m_account->user());
        QCOMPARE(m_account->pollInterval(), kIntervals.poll);
        QVERIFY(m_host->service.approve(waiting.userCode));
        QTRY_VERIFY(m_account->user());
    }

    void rateLimitStretchesTheInterval()
    {
        m_host->server.faults().add(kPoll, Fault::withStatus(429).times(3));
        m_account->beginLink();
        QTRY_VERIFY(m_host->service.requestsTo(kPoll).size() >= 4);
        QCOMPARE(m_account->pollInterval(), 55ms);
        QCOMPARE(m_account->linkState().kind, LinkState::Kind::waiting);

        m_host->server.faults().add(kPoll, Fault::withStatus(429).times(6));
        QTRY_VERIFY_WITH_TIMEOUT(m_host->service.requestsTo(kPoll).size() >= 10, 3000);
        QCOMPARE(m_account->pollInterval(), 100ms); // nine 429s: at the ceiling since the eighth
        m_account->logout();
    }

    void deadlineExpiresTheCode()
    {
        m_account->beginLink();
        QVERIFY(waitForWaiting());
        m_clock.advance(600);
        QTRY_COMPARE(m_account->linkState(), LinkState::failed(kCodeExpired));
    }

    void logoutDuringLinkLeavesIdle()
    {
        m_account->beginLink();
        QVERIFY(waitForWaiting());
        const QString code = m_account->linkState().userCode;
        m_account->logout();
        QCOMPARE(m_account->linkState(), LinkState::idle());
        QVERIFY(m_host->service.approve(code));
        QTest::qWait(100);
        QCOMPARE(m_account->linkState(), LinkState::idle());
        QVERIFY(!m_account->user());
        QCOMPARE(m_host->service.requestsTo(kRevoke).size(), 0); // no token: nothing sent
    }

    void logoutWhileStartingLeavesIdle()
    {
        m_host->server.faults().add(kStart, Fault::delayed(100ms));
        m_account->beginLink();
        m_account->logout();
        QTest::qWait(200);
        QCOMPARE(m_account->linkState(), LinkState::idle());
        QVERIFY(m_opened.isEmpty());
    }

    void newLinkCancelsTheOldOne()
    {
        m_account->beginLink();
        QVERIFY(waitForWaiting());
        const QString first = m_account->linkState().userCode;
        m_account->beginLink();
        QVERIFY(waitForWaiting());
        const QString second = m_account->linkState().userCode;
        QVERIFY(first != second);
        QVERIFY(m_host->service.approve(first));
        QTest::qWait(100);
        QVERIFY(!m_account->user());
        QVERIFY(m_host->service.approve(second));
        QTRY_VERIFY(m_account->user());
    }

    void approvedWithoutUserFillsTheEmailLater()
    {
        const QString token = m_host->service.issueToken(QStringLiteral("later@example.com"));
        m_host->server.faults().add(
            kPoll, Fault::withStatus(200, "{\"status\":\"approved\",\"token\":\"" + token.toUtf8() + "\"}"));
        m_account->beginLink();
        QTRY_VERIFY(m_account->user());
        QCOMPARE(m_sessionChanges, 1);
        QTRY_COMPARE(m_account->user(), User{QStringLiteral("later@example.com")});
        QCOMPARE((*m_settings)->value(kEmailKey).toString(), QStringLiteral("later@example.com"));
    }

    void failedSaveKeepsTheSessionForThisRun()
    {
        m_secrets->failSaves = true;
        QTest::ignoreMessage(QtWarningMsg,
                             "virel: Keychain 저장 실패 — 이번 실행 동안만 로그인이 유지됩니다");
        signIn();
        QTRY_COMPARE(m_secrets->saves, 1);
        QVERIFY(m_account->user());
        QVERIFY(m_account->token());
        QVERIFY(!m_secrets->token);
    }

    void logoutRevokesInTheBackground()
    {
        signIn();
        const QString token = *m_account->token();
        m_account->logout();
        QVERIFY(!m_account->user());
        QVERIFY(!m_account->token());
        QVERIFY(!(*m_settings)->contains(kEmailKey));
        QCOMPARE(m_sessionChanges, 2);
        QTRY_VERIFY(!m_secrets->token);
        QTRY_VERIFY(!m_host->service.isTokenValid(token));
        const auto revokes = m_host->service.requestsTo(kRevoke);
        QCOMPARE(revokes.size(), 1);
        QCOMPARE(revokes[0].authorization, "Bearer " + token.toUtf8());
        QVERIFY(revokes[0].body.isEmpty());
    }

    void profileFailuresAreSilent_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("server error") << Fault::withStatus(500);
        QTest::newRow("forbidden") << Fault::withStatus(403);
        QTest::newRow("wrong type") << Fault::wrongType(QStringLiteral("email"));
        QTest::newRow("empty email") << Fault::withStatus(200, "{\"email\":\"\"}");
    }

    void profileFailuresAreSilent()
    {
        QFETCH(Fault, fault);
        signIn();
        m_host->server.faults().add(kMe, fault);
        QSignalSpy users(m_account.get(), &AccountService::userChanged);
        awaitTask(m_account->refreshProfile());
        QCOMPARE(users.size(), 0);
        QCOMPARE(m_account->user(), User{QStringLiteral("kim@example.com")});
        QCOMPARE(m_sessionChanges, 1);
    }

    void unauthorizedClearsOnlyTheCurrentSession()
    {
        m_account->handleUnauthorized(QString());
        QCOMPARE(m_sessionChanges, 0);
        QCOMPARE(m_secrets->removals, 0);
        signIn();
        m_account->handleUnauthorized(QStringLiteral("an-old-token"));
        QVERIFY(m_account->user());
        m_account->handleUnauthorized(*m_account->token());
        QVERIFY(!m_account->user());
    }

    void webSession()
    {
        QVERIFY(!awaitTask(m_account->webSessionURL(QStringLiteral("/symbol/NVDA"))));
        QCOMPARE(m_host->service.requestsTo(kWebSession).size(), 0);

        signIn();
        const auto url = awaitTask(m_account->webSessionURL(QStringLiteral("/symbol/NVDA")));
        QVERIFY(url);
        QVERIFY(url->toString().startsWith(m_host->origin().toString() + QStringLiteral("/session/")));
        const auto sent = m_host->service.requestsTo(kWebSession);
        QCOMPARE(sent.size(), 1);
        QCOMPARE(QJsonDocument::fromJson(sent[0].body).object(),
                 (QJsonObject{{QStringLiteral("redirect"), QStringLiteral("/symbol/NVDA")}}));
    }

    void webSessionRefusals_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<bool>("signedOut");
        QTest::newRow("script URL") << Fault::withStatus(200, "{\"url\":\"javascript:alert(1)\"}") << false;
        QTest::newRow("file URL") << Fault::withStatus(200, "{\"url\":\"file:///etc/passwd\"}") << false;
        QTest::newRow("no url") << Fault::withStatus(200, "{}") << false;
        QTest::newRow("server error") << Fault::withStatus(502) << false;
        QTest::newRow("unauthorized") << Fault::withStatus(401) << true;
    }

    void webSessionRefusals()
    {
        QFETCH(Fault, fault);
        QFETCH(bool, signedOut);
        signIn();
        m_host->server.faults().add(kWebSession, fault);
        QVERIFY(!awaitTask(m_account->webSessionURL(QStringLiteral("/"))));
        QCOMPARE(!m_account->user(), signedOut);
    }

private:
    bool waitForWaiting()
    {
        return QTest::qWaitFor([this] { return m_account->linkState().kind == LinkState::Kind::waiting; },
                               3000);
    }

    void signIn()
    {
        m_account->beginLink();
        QTRY_COMPARE(m_host->service.pendingUserCodes().size(), 1);
        QVERIFY(m_host->service.approve(m_host->service.pendingUserCodes().first(),
                                        QStringLiteral("kim@example.com")));
        QTRY_VERIFY(m_account->user());
        QTRY_COMPARE(m_host->service.requestsTo(kMe).size(), 1); // the refresh after sign-in
        QTest::qWait(20);
    }

    test::FakeClock m_clock;
    std::unique_ptr<test::FakeServiceHost> m_host;
    std::unique_ptr<VirelAPI> m_api;
    std::unique_ptr<test::MemorySecretStore> m_secrets;
    std::unique_ptr<test::TempSettings> m_settings;
    std::unique_ptr<AccountService> m_account;
    QList<QUrl> m_opened;
    int m_sessionChanges = 0;
};

QTEST_GUILESS_MAIN(AccountServiceTest)
#include "AccountServiceTest.moc"
