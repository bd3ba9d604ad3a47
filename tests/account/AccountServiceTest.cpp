#include "account/AccountService.h"
#include "ServiceFixture.h"

#include <QtTest>
#include <memory>

using namespace virel;
using namespace std::chrono_literals;
using fake::Fault;
using test::awaitTask;

namespace {

const auto kStart = u"/api/mac/device/start"_qs;
const auto kPoll = u"/api/mac/device/poll"_qs;
const auto kMe = u"/api/mac/me"_qs;
const auto kRevoke = u"/api/mac/token/revoke"_qs;
const auto kWebSession = u"/api/mac/web-session"_qs;
const auto kEmailKey = u"account.email"_qs;

const auto kTokenIssueFailed = u"토큰 발급에 실패했습니다. 다시 시도해 주세요."_qs;
const auto kCodeExpired = u"연결 코드가 만료되었습니다(10분). 다시 시도해 주세요."_qs;
const auto kCodeInvalid = u"연결 코드가 더 이상 유효하지 않습니다. 다시 시도해 주세요."_qs;

// Fast polling with the real shape: 25 ms, 10 ms longer per 429, at most 100 ms.
constexpr LinkIntervals kIntervals{25ms, 100ms, 10ms};

} // namespace

class AccountServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { fx = std::make_unique<test::ServiceFixture>(ServiceTimeouts{300ms, 2s}, kIntervals); }
    void cleanup() { fx.reset(); }

    void restoreBeforeAnySignInLeavesTheKeychainClosed()
    {
        fx->secrets.token = QStringLiteral("left by another program");
        awaitTask(fx->account->restore());
        QVERIFY(!fx->account->user());
        QVERIFY(!fx->account->token());
        QCOMPARE(fx->host.server.requestCount(), 0);
    }

    void restoreRefreshesTheProfile()
    {
        const QString token = fx->host.service.issueToken(u"new@example.com"_qs);
        fx->secrets.token = token;
        fx->settings->setValue(kEmailKey, u"old@example.com"_qs);
        awaitTask(fx->account->restore());
        QCOMPARE(fx->account->token(), token);
        QCOMPARE(fx->account->user(), User{u"old@example.com"_qs});
        QTRY_COMPARE(fx->account->user(), User{u"new@example.com"_qs});
        QCOMPARE(fx->settings->value(kEmailKey).toString(), u"new@example.com"_qs);
        QCOMPARE(fx->sessionChanges, 0);
    }

    void restoreAfterALinkBeganChangesNothing()
    {
        fx->secrets.token = fx->host.service.issueToken(u"a@example.com"_qs);
        fx->settings->setValue(u"account.tokenStored"_qs, true);
        fx->secrets.loadDelay = 20ms;
        auto restoring = fx->account->restore();
        fx->account->beginLink();
        awaitTask(std::move(restoring));
        QVERIFY(!fx->account->token());
        QVERIFY(waitForWaiting());
    }

    void linkSignsIn()
    {
        QSignalSpy states(fx->account.get(), &AccountService::linkStateChanged);
        fx->account->beginLink();
        QCOMPARE(fx->account->linkState().kind, LinkState::Kind::starting);
        QVERIFY(waitForWaiting());
        const LinkState waiting = fx->account->linkState();
        QCOMPARE(waiting.verificationURL, fx->host.origin().resolved(QUrl(u"/link/mac"_qs)));
        QCOMPARE(waiting.expiresAt, fx->clock.now().addSecs(600));
        QCOMPARE(fx->opened, QList<QUrl>{waiting.verificationURL});

        QVERIFY(fx->host.service.approve(waiting.userCode, u"kim@example.com"_qs));
        QTRY_COMPARE(fx->account->user(), User{u"kim@example.com"_qs});
        QCOMPARE(fx->account->linkState(), LinkState::idle());
        QCOMPARE(fx->secrets.token, fx->account->token());
        QCOMPARE(fx->settings->value(kEmailKey).toString(), u"kim@example.com"_qs);
        QCOMPARE(fx->sessionChanges, 1);
        QCOMPARE(states.size(), 3); // starting, waiting, idle

        const auto poll = fx->host.service.requestsTo(kPoll).last();
        const QJsonObject body = QJsonDocument::fromJson(poll.body).object();
        QVERIFY(!body.value(u"device_name"_qs).toString().isEmpty());
        QVERIFY(poll.authorization.isEmpty());
    }

    void approvalAddressFallsBackToTheLinkPage_data()
    {
        QTest::addColumn<QString>("verificationUrl");
        QTest::newRow("not a URL") << u"::not a url::"_qs;
        QTest::newRow("script") << u"javascript:alert(1)"_qs;
        QTest::newRow("empty") << QString();
    }

    void approvalAddressFallsBackToTheLinkPage()
    {
        QFETCH(QString, verificationUrl);
        const QJsonObject start{{u"device_code"_qs, u"dc-x"_qs},
                                {u"user_code"_qs, u"ABCD-1234"_qs},
                                {u"verification_url"_qs, verificationUrl},
                                {u"expires_in"_qs, 600}};
        fx->host.server.faults().add(kStart, Fault::withStatus(200, QJsonDocument(start).toJson()));
        fx->host.server.faults().add(kPoll, Fault::withStatus(200, "{\"status\":\"pending\"}"));
        fx->account->beginLink();
        QVERIFY(waitForWaiting());
        const QUrl expected = fx->host.origin().resolved(QUrl(u"/link/mac"_qs));
        QCOMPARE(fx->account->linkState().verificationURL, expected);
        QCOMPARE(fx->opened, QList<QUrl>{expected});
    }

    void linkFailures_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("message");
        const auto approved = [](const QByteArray& rest) {
            return Fault::withStatus(200, "{\"status\":\"approved\"" + rest + "}");
        };
        QTest::newRow("approved without token") << kPoll << approved("") << kTokenIssueFailed;
        QTest::newRow("approved, empty token") << kPoll << approved(",\"token\":\"\"") << kTokenIssueFailed;
        QTest::newRow("expired") << kPoll << Fault::withStatus(200, "{\"status\":\"expired\"}")
                                 << kCodeExpired;
        QTest::newRow("code no longer valid") << kPoll << Fault::withStatus(404) << kCodeInvalid;
    }

    // The link ends with its message and polls no more; a session found later is taken up.
    void linkFailures()
    {
        QFETCH(QString, path);
        QFETCH(Fault, fault);
        QFETCH(QString, message);
        fx->host.server.faults().add(path, fault);
        fx->account->beginLink();
        QTRY_COMPARE(fx->account->linkState(), LinkState::failed(message));
        QVERIFY(!fx->account->user());
        QCOMPARE(fx->sessionChanges, 0);
        const int polls = fx->host.service.requestsTo(kPoll).size();
        QTest::qWait(80);
        QCOMPARE(fx->host.service.requestsTo(kPoll).size(), polls);

        // A failed link leaves nothing behind that keeps a later session from being taken up.
        fx->restoreSignedIn();
    }

    void pollingGoesOnThroughRateLimitsAndOtherSpellings()
    {
        fx->host.server.faults().add(kPoll, Fault::withStatus(429).times(3));
        fx->account->beginLink();
        QTRY_VERIFY(fx->host.service.requestsTo(kPoll).size() >= 4);
        QCOMPARE(fx->account->pollInterval(), 55ms);
        QCOMPARE(fx->account->linkState().kind, LinkState::Kind::waiting);

        fx->host.server.faults().add(kPoll, Fault::withStatus(429).times(6));
        QTRY_VERIFY_WITH_TIMEOUT(fx->host.service.requestsTo(kPoll).size() >= 10, 3000);
        QCOMPARE(fx->account->pollInterval(), 100ms); // nine 429s: at the ceiling since the eighth

        // Any other spelling than "approved" means the code is still pending.
        const LinkState waiting = fx->account->linkState();
        fx->host.server.faults().add(
            kPoll, Fault::withStatus(200, "{\"status\":\"Approved\",\"token\":\"t\"}").times(3));
        QTRY_VERIFY_WITH_TIMEOUT(fx->host.service.requestsTo(kPoll).size() >= 13, 3000);
        QCOMPARE(fx->account->linkState(), waiting);
        QVERIFY(fx->host.service.approve(waiting.userCode));
        QTRY_VERIFY(fx->account->user());
    }

    void deadlineExpiresTheCode()
    {
        fx->account->beginLink();
        QVERIFY(waitForWaiting());
        fx->clock.advance(600);
        QTRY_COMPARE(fx->account->linkState(), LinkState::failed(kCodeExpired));
    }

    void logoutEndsTheLink_data()
    {
        QTest::addColumn<bool>("waiting");
        QTest::newRow("while starting") << false;
        QTest::newRow("while waiting for approval") << true;
    }

    void logoutEndsTheLink()
    {
        QFETCH(bool, waiting);
        if (!waiting) {
            fx->host.server.faults().add(kStart, Fault::delayed(100ms));
        }
        fx->account->beginLink();
        QVERIFY(!waiting || waitForWaiting());
        fx->account->logout();
        QCOMPARE(fx->account->linkState(), LinkState::idle());
        QTRY_COMPARE_WITH_TIMEOUT(fx->host.service.pendingUserCodes().size(), 1, 2000);
        QVERIFY(fx->host.service.approve(fx->host.service.pendingUserCodes().first()));
        QTest::qWait(100);
        QCOMPARE(fx->account->linkState(), LinkState::idle());
        QVERIFY(!fx->account->user());
        QCOMPARE(fx->opened.size(), waiting ? 1 : 0);
        QCOMPARE(fx->host.service.requestsTo(kRevoke).size(), 0); // no token: nothing sent
    }

    void newLinkCancelsTheOldOne()
    {
        fx->account->beginLink();
        QVERIFY(waitForWaiting());
        const QString first = fx->account->linkState().userCode;
        fx->account->beginLink();
        QVERIFY(waitForWaiting());
        const QString second = fx->account->linkState().userCode;
        QVERIFY(first != second);
        QVERIFY(fx->host.service.approve(first));
        QTest::qWait(100);
        QVERIFY(!fx->account->user());
        QVERIFY(fx->host.service.approve(second));
        QTRY_VERIFY(fx->account->user());
    }

    // The profile brings the e-mail the approval lacked; a refusing keychain keeps the session for this run.
    void approvedWithoutUserOrKeychain()
    {
        fx->secrets.failSaves = true;
        QTest::ignoreMessage(QtWarningMsg,
                             "virel: Keychain 저장 실패 — 이번 실행 동안만 로그인이 유지됩니다");
        const QString token = fx->host.service.issueToken(u"later@example.com"_qs);
        fx->host.server.faults().add(
            kPoll, Fault::withStatus(200, "{\"status\":\"approved\",\"token\":\"" + token.toUtf8() + "\"}"));
        fx->account->beginLink();
        QTRY_VERIFY(fx->account->user());
        QCOMPARE(fx->sessionChanges, 1);
        QTRY_COMPARE(fx->account->user(), User{u"later@example.com"_qs});
        QCOMPARE(fx->settings->value(kEmailKey).toString(), u"later@example.com"_qs);
        QTRY_COMPARE(fx->secrets.saves, 1);
        QCOMPARE(fx->account->token(), token);
        QVERIFY(!fx->secrets.token);
    }

    // While signed in, only a call of this session changes the session, and logging out revokes it.
    void signedInSessionEndsOnlyByLogout()
    {
        fx->account->handleUnauthorized(QString());
        QCOMPARE(fx->secrets.removals, 0);
        signIn();
        QSignalSpy states(fx->account.get(), &AccountService::linkStateChanged);
        QSignalSpy users(fx->account.get(), &AccountService::userChanged);
        fx->account->beginLink();
        fx->host.server.faults().add(kMe, Fault::withStatus(200, "{\"email\":\"\"}"));
        awaitTask(fx->account->refreshProfile());
        fx->account->handleUnauthorized(u"an-old-token"_qs);
        QCOMPARE(states.size(), 0);
        QCOMPARE(users.size(), 0);
        QCOMPARE(fx->host.service.requestsTo(kStart).size(), 1);
        QCOMPARE(fx->account->user(), User{u"kim@example.com"_qs});
        QCOMPARE(fx->sessionChanges, 1);

        const QString token = *fx->account->token();
        fx->account->logout();
        QVERIFY(!fx->account->user());
        QVERIFY(!fx->account->token());
        QVERIFY(!fx->settings->contains(kEmailKey));
        QCOMPARE(fx->sessionChanges, 2);
        QTRY_VERIFY(!fx->secrets.token);
        QTRY_VERIFY(!fx->host.service.isTokenValid(token));
        const auto revokes = fx->host.service.requestsTo(kRevoke);
        QCOMPARE(revokes.size(), 1);
        QCOMPARE(revokes[0].authorization, "Bearer " + token.toUtf8());
        QVERIFY(revokes[0].body.isEmpty());
    }

    void webSession_data()
    {
        QTest::addColumn<QByteArray>("reply"); // empty: the service's own
        QTest::addColumn<bool>("given");
        QTest::newRow("an address on the service") << QByteArray() << true;
        QTest::newRow("script URL refused") << QByteArray("{\"url\":\"javascript:alert(1)\"}") << false;
        QTest::newRow("file URL refused") << QByteArray("{\"url\":\"file:///etc/passwd\"}") << false;
        QTest::newRow("no url") << QByteArray("{}") << false;
    }

    void webSession()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, given);
        QVERIFY(!awaitTask(fx->account->webSessionURL(u"/symbol/NVDA"_qs))); // signed out
        QCOMPARE(fx->host.service.requestsTo(kWebSession).size(), 0);
        signIn();
        if (!reply.isEmpty()) {
            fx->host.server.faults().add(kWebSession, Fault::withStatus(200, reply));
        }
        const auto url = awaitTask(fx->account->webSessionURL(u"/symbol/NVDA"_qs));
        QCOMPARE(url.has_value(), given);
        QVERIFY(fx->account->user());
        if (given) {
            QVERIFY(url->toString().startsWith(fx->host.origin().toString() + u"/session/"_qs));
            QCOMPARE(QJsonDocument::fromJson(fx->host.service.requestsTo(kWebSession)[0].body).object(),
                     (QJsonObject{{u"redirect"_qs, u"/symbol/NVDA"_qs}}));
        }
    }

private:
    bool waitForWaiting()
    {
        return QTest::qWaitFor([this] { return fx->account->linkState().kind == LinkState::Kind::waiting; },
                               3000);
    }

    void signIn()
    {
        fx->account->beginLink();
        QTRY_COMPARE(fx->host.service.pendingUserCodes().size(), 1);
        QVERIFY(fx->host.service.approve(fx->host.service.pendingUserCodes().first(), u"kim@example.com"_qs));
        QTRY_VERIFY(fx->account->user());
        QTRY_COMPARE(fx->host.service.requestsTo(kMe).size(), 1); // the refresh after sign-in
        QTest::qWait(20);
    }

    std::unique_ptr<test::ServiceFixture> fx;
};

QTEST_GUILESS_MAIN(AccountServiceTest)
#include "AccountServiceTest.moc"
