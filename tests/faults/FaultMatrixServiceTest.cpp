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

} // namespace

Q_DECLARE_METATYPE(ServicePath)

class FaultMatrixServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        fx = std::make_unique<ServiceFixture>(ServiceTimeouts{kIdle, 1s}, kLink);
        fx->settings->setValue(kPendingOpsKey, PendingOp::encodeList(kQueued));
        fx->settings->setValue(QStringLiteral("displayMode"), QStringLiteral("watchlist"));
        m_yahoo = std::make_unique<YahooClient>(fx->host.origin());
        m_state = std::make_unique<AppState>(*fx->settings, *m_yahoo, m_notifier, fx->clock,
                                             AppStateIntervals{1h, 1h, 1h});
        fx->restoreSignedIn({*fake::FakeService::catalogueEntry(QStringLiteral("005930"))});
        QVERIFY(
            QTest::qWaitFor([&] { return fx->account->user() == User{QStringLiteral("kim@example.com")}; }));
        m_sync =
            std::make_unique<SyncService>(*fx->account, m_state.get(), fx->api, *fx->settings, fx->clock, 1h);
        fx->account->onSessionChange = [this] { m_sync->sessionDidChange(); };
        m_linkSettings = std::make_unique<TempSettings>();
        m_linker = std::make_unique<AccountService>(
            fx->api, m_linkSecrets, **m_linkSettings, [](const QUrl&) {}, fx->clock, kLink);
        QVERIFY(QTest::qWaitFor([&] { return allQuoted(); }));
    }

    void cleanup()
    {
        m_linker.reset();
        m_sync.reset();
        m_state.reset();
        m_yahoo.reset();
        fx.reset();
        m_linkSettings.reset();
        m_linkSecrets.token.reset();
    }

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
        const PathInfo where = info(path);
        const bool signsOut = fault.status == 401 && !where.linking;
        if (path == ServicePath::watchlistPull) {
            awaitTask(m_sync->syncNow()); // the queue goes out first, so only the pull meets the fault
            QCOMPARE(m_sync->pendingCount(), 0);
            // The pulled list's new symbols get their first quotes before the fault.
            QVERIFY(QTest::qWaitFor([&] { return allQuoted(); }));
        }
        const QList<PendingOp> queued = m_sync->pendingOps();
        const QuoteMap quotes = m_state->quoteService().quotes();
        const QList<WatchItem> watchlist = m_state->watchlistItems();

        fx->host.server.faults().add(where.prefix, fault.fault);
        fx->host.server.clearRequests();
        std::optional<QString> text;
        run(path, fault, text);
        if (QTest::currentTestFailed()) {
            return;
        }
        if (path != ServicePath::devicePoll) {
            QCOMPARE(fx->host.server.requestCount(where.prefix), 1);
            QTest::qWait(static_cast<int>(kQuiet.count()));
            QCOMPARE(fx->host.server.requestCount(where.prefix), 1);
        }
        QCOMPARE(text, expectedText(path, fault));

        QCOMPARE(fx->account->user().has_value(), !signsOut);
        const QList<PendingOp> expectedQueue = signsOut ? QList<PendingOp>() : queued;
        QCOMPARE(m_sync->pendingOps(), expectedQueue);
        QCOMPARE(PendingOp::decodeList(fx->settings->value(kPendingOpsKey).toByteArray()), expectedQueue);
        QCOMPARE(m_state->quoteService().quotes(), quotes);
        QCOMPARE(m_state->watchlistItems(), watchlist);

        fx->host.server.faults().clearAll();
        fx->host.server.releaseHeld();
        if (where.linking) {
            QVERIFY(linkCompletes(path == ServicePath::deviceStart));
        }
        if (!signsOut) {
            awaitTask(m_sync->syncNow());
            QCOMPARE(m_sync->pendingCount(), 0);
            QCOMPARE(m_sync->lastError(), std::nullopt);
            QCOMPARE(fx->host.service.watchlist(fx->token).size(), 1 + kQueued.size());
        }
    }

private:
    // Runs `path` once under the fault and reads the status text its caller shows afterwards.
    void run(ServicePath path, const FaultCase& fault, std::optional<QString>& text)
    {
        switch (path) {
        case ServicePath::deviceStart:
            m_linker->beginLink();
            QVERIFY(QTest::qWaitFor([&] { return m_linker->linkState().kind == LinkState::Kind::failed; }));
            text = m_linker->linkState().message;
            return;
        case ServicePath::devicePoll:
            checkPollingPace(fault);
            text = std::nullopt;
            return;
        case ServicePath::profile:
            awaitTask(fx->account->refreshProfile());
            break;
        case ServicePath::webSession:
            QCOMPARE(awaitTask(fx->account->webSessionURL(QStringLiteral("/symbol/NVDA"))), std::nullopt);
            break;
        case ServicePath::watchlistPush:
        case ServicePath::watchlistPull:
            awaitTask(m_sync->syncNow());
            break;
        }
        text = m_sync->lastError();
    }

    // While every poll fails the link keeps waiting, polling no faster than its interval (stretched
    // after each 429).
    void checkPollingPace(const FaultCase& fault)
    {
        QElapsedTimer watch;
        watch.start();
        m_linker->beginLink();
        QVERIFY(QTest::qWaitFor([&] { return m_linker->linkState().kind == LinkState::Kind::waiting; }));
        const LinkState waiting = m_linker->linkState();
        QTest::qWait(static_cast<int>(kPollWindow.count()));
        const int polls = fx->host.server.requestCount(info(ServicePath::devicePoll).prefix);
        QVERIFY(polls >= 1);
        QVERIFY2(polls <= watch.elapsed() / kLink.poll.count() + 1, qPrintable(QString::number(polls)));
        QCOMPARE(m_linker->linkState(), waiting);
        QVERIFY(!m_linker->user());
        QCOMPARE(m_linker->pollInterval() > kLink.poll, fault.status == 429);
    }

    bool allQuoted() const
    {
        const auto& items = m_state->items();
        return std::all_of(items.begin(), items.end(), [&](const WatchItem& item) {
            return m_state->quoteService().quotes().contains(item.symbol);
        });
    }

    // The link, started again when `restart` (its start failed) or still waiting, completes once approved.
    bool linkCompletes(bool restart)
    {
        if (restart) {
            m_linker->beginLink();
        }
        if (!QTest::qWaitFor([&] { return m_linker->linkState().kind == LinkState::Kind::waiting; })) {
            return false;
        }
        if (!fx->host.service.approve(m_linker->linkState().userCode)) {
            return false;
        }
        return QTest::qWaitFor([&] { return m_linker->user().has_value(); });
    }

    std::unique_ptr<ServiceFixture> fx;
    std::unique_ptr<TempSettings> m_linkSettings;
    MemorySecretStore m_linkSecrets;
    FakeNotifier m_notifier;
    std::unique_ptr<YahooClient> m_yahoo;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<SyncService> m_sync;
    std::unique_ptr<AccountService> m_linker;
};

QTEST_GUILESS_MAIN(FaultMatrixServiceTest)
#include "FaultMatrixServiceTest.moc"
