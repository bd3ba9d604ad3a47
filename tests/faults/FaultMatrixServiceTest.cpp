// Every path of the Virel service against every fault, with short time limits: the call fails into
// the status text its caller shows, the queued watchlist edits stay queued (only a 401 ends the
// session and with it the queue), the last good quotes stay, nothing is retried on its own, and once
// the fault is gone the queue reaches the service in full.

#include "FakeNotifier.h"
#include "FaultMatrix.h"
#include "ServiceFixture.h"
#include "state/AppState.h"
#include "state/SyncService.h"

#include <QElapsedTimer>
#include <QTest>

using namespace virel;
using namespace virel::test;
using namespace std::chrono_literals;

namespace {

enum class ServicePath { deviceStart, devicePoll, profile, webSession, watchlistPush, watchlistPull };

constexpr auto kIdle = 120ms;                     // the service client's idle time limit here
constexpr LinkIntervals kLink{40ms, 120ms, 40ms}; // device-code polling, stretched by 429s
constexpr auto kPollWindow = 250ms;
// How long a failed call is watched for a retry of its own: any would follow the failure at once.
constexpr auto kQuiet = 100ms;

const auto kPendingOpsKey = QStringLiteral("sync.pendingOps");
const QList<PendingOp> kQueued{{PendingOp::Action::add, QStringLiteral("AAPL"), QStringLiteral("AAPL")},
                               {PendingOp::Action::add, QStringLiteral("MSFT"), QStringLiteral("MSFT")}};

struct PathInfo
{
    const char* name;
    QString prefix;
    bool linking; // a signed-out computer linking, rather than the signed-in session
};

const PathInfo& info(ServicePath path)
{
    static const PathInfo paths[] = {{"device start", u"/api/mac/device/start"_qs, true},
                                     {"device poll", u"/api/mac/device/poll"_qs, true},
                                     {"profile", u"/api/mac/me"_qs, false},
                                     {"web session", u"/api/mac/web-session"_qs, false},
                                     {"watchlist push", u"/api/mac/watchlist"_qs, false},
                                     {"watchlist pull", u"/api/mac/watchlist"_qs, false}};
    return paths[static_cast<int>(path)];
}

// What the caller of `path` shows after `fault`.
std::optional<QString> expectedText(ServicePath path, const FaultCase& fault)
{
    switch (path) {
    case ServicePath::deviceStart:
        return u"Virel에 연결하지 못했습니다. 네트워크를 확인하고 다시 시도해 주세요."_qs;
    case ServicePath::watchlistPush:
        if (!fault.status) {
            return u"오프라인 — 재연결 시 %1건을 다시 전송합니다"_qs.arg(kQueued.size());
        }
        if (*fault.status == 401) {
            return std::nullopt;
        }
        return *fault.status == 429 ? u"요청이 많습니다 — 잠시 후 다시 시도합니다"_qs
                                    : u"서버 오류 — 잠시 후 다시 시도합니다"_qs;
    case ServicePath::watchlistPull:
        return fault.status == 401 ? std::nullopt
                                   : std::optional(u"동기화 실패 — 잠시 후 다시 시도합니다"_qs);
    default:
        return std::nullopt;
    }
}

// A signed-in computer with two watchlist edits queued and its state over the fake market, and a
// signed-out one linking to the same service.
struct Rig
{
    Rig()
    {
        fx.settings->setValue(kPendingOpsKey, PendingOp::encodeList(kQueued));
        fx.settings->setValue(QStringLiteral("displayMode"), QStringLiteral("watchlist"));
        state = std::make_unique<AppState>(*fx.settings, yahoo, notifier, fx.clock,
                                           AppStateIntervals{1h, 1h, 1h});
        fx.restoreSignedIn({*fake::FakeService::catalogueEntry(QStringLiteral("005930"))});
        // The profile comes in before the sync listens for session changes.
        profiled =
            QTest::qWaitFor([&] { return fx.account->user() == User{QStringLiteral("kim@example.com")}; });
        sync = std::make_unique<SyncService>(*fx.account, state.get(), fx.api, *fx.settings, fx.clock, 1h);
        fx.account->onSessionChange = [this] { sync->sessionDidChange(); };
    }

    bool allQuoted() const
    {
        const auto& items = state->items();
        return std::all_of(items.begin(), items.end(), [&](const WatchItem& item) {
            return state->quoteService().quotes().contains(item.symbol);
        });
    }

    // Runs `path` once under the fault and reads the status text its caller shows afterwards.
    void run(ServicePath path, const FaultCase& fault, std::optional<QString>& text)
    {
        switch (path) {
        case ServicePath::deviceStart:
            linker.beginLink();
            QVERIFY(QTest::qWaitFor([&] { return linker.linkState().kind == LinkState::Kind::failed; }));
            text = linker.linkState().message;
            return;
        case ServicePath::devicePoll:
            checkPollingPace(fault);
            text = std::nullopt;
            return;
        case ServicePath::profile:
            awaitTask(fx.account->refreshProfile());
            break;
        case ServicePath::webSession:
            QCOMPARE(awaitTask(fx.account->webSessionURL(QStringLiteral("/symbol/NVDA"))), std::nullopt);
            break;
        case ServicePath::watchlistPush:
        case ServicePath::watchlistPull:
            awaitTask(sync->syncNow());
            break;
        }
        text = sync->lastError();
    }

    // While every poll fails the link keeps waiting, no faster than its interval (longer after a 429).
    void checkPollingPace(const FaultCase& fault)
    {
        QElapsedTimer watch;
        watch.start();
        linker.beginLink();
        QVERIFY(QTest::qWaitFor([&] { return linker.linkState().kind == LinkState::Kind::waiting; }));
        const LinkState waiting = linker.linkState();
        QTest::qWait(static_cast<int>(kPollWindow.count()));
        const int polls = fx.host.server.requestCount(info(ServicePath::devicePoll).prefix);
        QVERIFY(polls >= 1);
        QVERIFY2(polls <= watch.elapsed() / kLink.poll.count() + 1, qPrintable(QString::number(polls)));
        QCOMPARE(linker.linkState(), waiting);
        QVERIFY(!linker.user());
        QCOMPARE(linker.pollInterval() > kLink.poll, fault.status == 429);
    }

    // The link, started again when `restart` (its start failed) or still waiting, completes once approved.
    bool linkCompletes(bool restart)
    {
        if (restart) {
            linker.beginLink();
        }
        if (!QTest::qWaitFor([&] { return linker.linkState().kind == LinkState::Kind::waiting; })) {
            return false;
        }
        if (!fx.host.service.approve(linker.linkState().userCode)) {
            return false;
        }
        return QTest::qWaitFor([&] { return linker.user().has_value(); });
    }

    ServiceFixture fx{ServiceTimeouts{kIdle, 1s}, kLink};
    YahooClient yahoo{fx.host.origin()};
    FakeNotifier notifier;
    std::unique_ptr<AppState> state;
    std::unique_ptr<SyncService> sync;
    bool profiled = false;
    TempSettings linkSettings;
    MemorySecretStore linkSecrets;
    AccountService linker{fx.api, linkSecrets, *linkSettings, [](const QUrl&) {}, fx.clock, kLink};
};

} // namespace

Q_DECLARE_METATYPE(ServicePath)

class FaultMatrixServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void failureShowsItsTextAndLosesNothing_data()
    {
        QTest::addColumn<ServicePath>("path");
        QTest::addColumn<FaultCase>("fault");
        const QList<FaultCase> faults = answerFaults() + silentFaults(kIdle);
        for (int path = 0; path <= static_cast<int>(ServicePath::watchlistPull); ++path) {
            for (const FaultCase& fault : faults) {
                QTest::addRow("%s, %s", info(ServicePath(path)).name, qPrintable(fault.name))
                    << ServicePath(path) << fault;
            }
        }
    }

    void failureShowsItsTextAndLosesNothing()
    {
        QFETCH(ServicePath, path);
        QFETCH(FaultCase, fault);
        Rig r;
        QVERIFY(r.profiled && QTest::qWaitFor([&] { return r.allQuoted(); }));
        const PathInfo where = info(path);
        const bool signsOut = fault.status == 401 && !where.linking;
        if (path == ServicePath::watchlistPull) {
            awaitTask(r.sync->syncNow()); // the queue goes out first, so only the pull meets the fault
            QCOMPARE(r.sync->pendingCount(), 0);
            // The pulled list's new symbols get their first quotes before the fault.
            QVERIFY(QTest::qWaitFor([&] { return r.allQuoted(); }));
        }
        const QList<PendingOp> queued = r.sync->pendingOps();
        const QuoteMap quotes = r.state->quoteService().quotes();
        const QList<WatchItem> watchlist = r.state->watchlistItems();

        r.fx.host.server.faults().add(where.prefix, fault.fault);
        r.fx.host.server.clearRequests();
        std::optional<QString> text;
        r.run(path, fault, text);
        if (QTest::currentTestFailed()) {
            return;
        }
        if (path != ServicePath::devicePoll) {
            QCOMPARE(r.fx.host.server.requestCount(where.prefix), 1);
            QTest::qWait(static_cast<int>(kQuiet.count()));
            QCOMPARE(r.fx.host.server.requestCount(where.prefix), 1);
        }
        QCOMPARE(text, expectedText(path, fault));

        QCOMPARE(r.fx.account->user().has_value(), !signsOut);
        const QList<PendingOp> expectedQueue = signsOut ? QList<PendingOp>() : queued;
        QCOMPARE(r.sync->pendingOps(), expectedQueue);
        QCOMPARE(PendingOp::decodeList(r.fx.settings->value(kPendingOpsKey).toByteArray()), expectedQueue);
        QCOMPARE(r.state->quoteService().quotes(), quotes);
        QCOMPARE(r.state->watchlistItems(), watchlist);

        r.fx.host.server.faults().clearAll();
        r.fx.host.server.releaseHeld();
        if (where.linking) {
            QVERIFY(r.linkCompletes(path == ServicePath::deviceStart));
        }
        if (!signsOut) {
            awaitTask(r.sync->syncNow());
            QCOMPARE(r.sync->pendingCount(), 0);
            QCOMPARE(r.sync->lastError(), std::nullopt);
            QCOMPARE(r.fx.host.service.watchlist(r.fx.token).size(), 1 + kQueued.size());
        }
    }
};

QTEST_GUILESS_MAIN(FaultMatrixServiceTest)
#include "FaultMatrixServiceTest.moc"
