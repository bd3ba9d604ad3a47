#pragma once

#include "AwaitTask.h"
#include "FakeClock.h"
#include "FakeServiceHost.h"
#include "MemorySecretStore.h"
#include "TempSettings.h"
#include "account/AccountService.h"
#include "account/VirelAPI.h"

#include <QTest>
#include <memory>

namespace virel::test {

// An account service over the fake Virel service on 127.0.0.1, with short time limits and its own
// store and keychain; signed out until the test signs it in.
struct ServiceFixture
{
    explicit ServiceFixture(ServiceTimeouts timeouts, LinkIntervals link = {}) : api(host.origin(), timeouts)
    {
        if (!host.isListening()) {
            qFatal("the fake service could not listen");
        }
        account = std::make_unique<AccountService>(
            api, secrets, *settings, [this](const QUrl& url) { opened.append(url); }, clock, link);
        account->onSessionChange = [this] { ++sessionChanges; };
    }

    // Requests still on their way (a revocation, a profile refresh) finish before the client goes.
    ~ServiceFixture()
    {
        account.reset();
        QTest::qWait(50);
    }

    // Signs in as kim@example.com from the keychain, the service holding `watchlist`; the profile follows.
    void restoreSignedIn(const QList<fake::FakeService::Entry>& watchlist = {})
    {
        token = host.service.issueToken(QStringLiteral("kim@example.com"));
        host.service.setWatchlist(token, watchlist);
        secrets.token = token;
        settings->setValue(QStringLiteral("account.tokenStored"), true);
        awaitTask(account->restore());
        QVERIFY(account->user());
    }

    FakeServiceHost host;
    FakeClock clock;
    TempSettings settings;
    MemorySecretStore secrets;
    VirelAPI api;
    std::unique_ptr<AccountService> account;
    QList<QUrl> opened;
    int sessionChanges = 0;
    QString token;
};

} // namespace virel::test
