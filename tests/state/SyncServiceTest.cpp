#include "state/SyncService.h"
#include "FakeNotifier.h"
#include "ServiceFixture.h"
#include "market/YahooClient.h"
#include "state/AppState.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QtTest>
#include <memory>

using namespace virel;
using namespace std::chrono_literals;
using fake::Fault;
using Entry = fake::FakeService::Entry;
using ServerItem = WatchlistResponse::Item;
using test::awaitTask;

Q_DECLARE_METATYPE(QList<virel::WatchlistResponse::Item>)

namespace {

const auto kWatchlist = QStringLiteral("/api/mac/watchlist");
const auto kPendingOpsKey = QStringLiteral("sync.pendingOps");
const auto kLocalOnlyKey = QStringLiteral("sync.localOnlySymbols");

const auto kRateLimited = QStringLiteral("요청이 많습니다 — 잠시 후 다시 시도합니다");
const auto kServerError = QStringLiteral("서버 오류 — 잠시 후 다시 시도합니다");
const auto kPullFailed = QStringLiteral("동기화 실패 — 잠시 후 다시 시도합니다");

QStringList symbolsOf(const QList<WatchItem>& items)
{
    QStringList symbols;
    for (const auto& item : items) {
        symbols.append(item.symbol);
    }
    return symbols;
}

QUrl closedOrigin()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    QUrl origin(QStringLiteral("http://127.0.0.1"));
    origin.setPort(probe.serverPort());
    return origin;
}

PendingOp addOp(const QString& ticker, const QString& symbol)
{
    return {PendingOp::Action::add, ticker, symbol};
}

} // namespace

class SyncServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        fx = std::make_unique<test::ServiceFixture>(ServiceTimeouts{150ms, 2s});
        // Quotes are not this test's business: their requests fail at once, so none is still on its
        // way when the test ends.
        m_yahoo = std::make_unique<YahooClient>(closedOrigin());
        m_state = std::make_unique<AppState>(*fx->settings, *m_yahoo, m_notifier, fx->clock,
                                             AppStateIntervals{1h, 1h, 1h});
        m_state->setMode(DisplayMode::watchlist);
        fx->restoreSignedIn({*fake::FakeService::catalogueEntry(QStringLiteral("005930"))});
        makeSync(*fx->settings);
    }

    void cleanup()
    {
        m_sync.reset();
        m_state.reset();
        m_yahoo.reset();
        fx.reset();
    }

    void pullAppliesTheAccountsList()
    {
        QSignalSpy synced(m_sync.get(), &SyncService::lastSyncAtChanged);
        awaitTask(m_sync->syncNow());
        QCOMPARE(m_state->watchlistItems(),
                 (QList<WatchItem>{{QStringLiteral("005930.KS"), QStringLiteral("삼성전자")}}));
        QCOMPARE(m_sync->lastSyncAt(), fx->clock.now());
        QCOMPARE(m_sync->lastError(), std::nullopt);
        QCOMPARE(synced.size(), 1);
        QCOMPARE(fx->host.service.requestsTo(kWatchlist).size(), 1);
        QCOMPARE(fx->host.service.requestsTo(kWatchlist)[0].authorization, "Bearer " + fx->token.toUtf8());
    }

    void editsAreSentThenPulled()
    {
        awaitTask(m_sync->syncNow());
        m_state->addSymbol(QStringLiteral("brk-b"));
        m_state->addSymbol(QStringLiteral("NVDA"));
        m_state->removeSymbol(QStringLiteral("005930.KS"));
        QTRY_VERIFY(!m_sync->isSyncing() && m_sync->pendingCount() == 0);
        const auto sent = fx->host.service.requestsTo(kWatchlist);
        QStringList bodies;
        for (const auto& request : sent) {
            bodies.append(QString::fromUtf8(request.method + ' ' + request.body));
        }
        QCOMPARE(bodies, (QStringList{QStringLiteral("GET "),
                                      QStringLiteral("POST {\"action\":\"add\",\"ticker\":\"BRK.B\"}"),
                                      QStringLiteral("POST {\"action\":\"add\",\"ticker\":\"NVDA\"}"),
                                      QStringLiteral("POST {\"action\":\"remove\",\"ticker\":\"005930\"}"),
                                      QStringLiteral("GET ")}));
        QCOMPARE(symbolsOf(m_state->watchlistItems()),
                 (QStringList{QStringLiteral("BRK-B"), QStringLiteral("NVDA")}));
        QCOMPARE(fx->settings->value(kPendingOpsKey).toByteArray(), QByteArray("[]"));
    }

    void pushFailures_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("pending");
        QTest::addColumn<std::optional<QString>>("error");
        QTest::addColumn<bool>("signedIn");

        // 401, 429, 5xx, time-outs and undecodable answers are rows of the fault matrix.
        const std::optional<QString> none;
        QTest::newRow("404 without code") << Fault::withStatus(404).times(1) << 0 << none << true;
        QTest::newRow("409") << Fault::withStatus(409).times(1) << 0 << none << true;
        QTest::newRow("304") << Fault::withStatus(304).times(1) << 1 << std::optional(kServerError) << true;
    }

    void pushFailures()
    {
        QFETCH(Fault, fault);
        QFETCH(int, pending);
        QFETCH(std::optional<QString>, error);
        QFETCH(bool, signedIn);
        fx->host.server.faults().add(kWatchlist, fault);
        m_state->addSymbol(QStringLiteral("AAPL"));
        QCOMPARE(m_sync->pendingCount(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(!m_sync->isSyncing(), 2000);
        QCOMPARE(m_sync->pendingCount(), pending);
        QCOMPARE(m_sync->lastError(), error);
        QCOMPARE(bool(fx->account->user()), signedIn);
        QVERIFY(m_sync->localOnlySymbols().isEmpty());
        QCOMPARE(PendingOp::decodeList(fx->settings->value(kPendingOpsKey).toByteArray())->size(), pending);
        if (pending == 0 && signedIn) {
            QVERIFY(m_sync->lastSyncAt()); // the run went on to the pull
        }
    }

    // The other pull failures are rows of the fault matrix.
    void pullNotFoundKeepsTheList()
    {
        const QList<WatchItem> before = m_state->watchlistItems();
        fx->host.server.faults().add(kWatchlist, Fault::withStatus(404));
        awaitTask(m_sync->syncNow());
        QCOMPARE(m_sync->lastError(), kPullFailed);
        QCOMPARE(m_state->watchlistItems(), before);
        QVERIFY(!m_sync->lastSyncAt());

        fx->host.server.faults().clearAll();
        awaitTask(m_sync->syncNow());
        QCOMPARE(m_sync->lastError(), std::nullopt); // an applied pull clears the text
    }

    void offlineQueueSurvivesARestart()
    {
        fx->host.server.faults().add(kWatchlist, Fault::delayed(400ms));
        m_state->addSymbol(QStringLiteral("AAPL"));
        m_state->addSymbol(QStringLiteral("MSFT"));
        m_state->removeSymbol(QStringLiteral("NVDA"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_sync->isSyncing(), 2000);
        QCOMPARE(m_sync->lastError(), QStringLiteral("오프라인 — 재연결 시 3건을 다시 전송합니다"));
        const QList<PendingOp> queued = m_sync->pendingOps();
        QCOMPARE(queued, (QList<PendingOp>{
                             addOp(QStringLiteral("AAPL"), QStringLiteral("AAPL")),
                             addOp(QStringLiteral("MSFT"), QStringLiteral("MSFT")),
                             {PendingOp::Action::remove, QStringLiteral("NVDA"), QStringLiteral("NVDA")}}));

        const auto reopened = fx->settings.reopen();
        SyncService restarted(*fx->account, m_state.get(), fx->api, *reopened, fx->clock);
        QCOMPARE(restarted.pendingOps(), queued);
        QCOMPARE(restarted.pendingCount(), 3);

        fx->host.server.faults().clearAll();
        m_sync.reset();
        restarted.start();
        QTRY_VERIFY(restarted.pendingCount() == 0 && !restarted.isSyncing());
        QCOMPARE(symbolsOf(m_state->watchlistItems()),
                 (QStringList{QStringLiteral("005930.KS"), QStringLiteral("AAPL"), QStringLiteral("MSFT")}));
    }

    void unknownTickerStaysLocal()
    {
        awaitTask(m_sync->syncNow());
        m_state->addSymbol(QStringLiteral("ZZZZ"), QStringLiteral("Local Corp"));
        m_state->addSymbol(QStringLiteral("AAPL"));
        QTRY_VERIFY(!m_sync->isSyncing() && m_sync->pendingCount() == 0);
        QCOMPARE(m_sync->localOnlySymbols(), QSet<QString>{QStringLiteral("ZZZZ")});
        QCOMPARE(fx->settings->value(kLocalOnlyKey).toStringList(), QStringList{QStringLiteral("ZZZZ")});
        QCOMPARE(m_sync->lastError(), std::nullopt);

        // Another device adds a symbol: the list is rebuilt, the local-only one after the server's.
        QList<Entry> server = fx->host.service.watchlist(fx->token);
        server.append(*fake::FakeService::catalogueEntry(QStringLiteral("MSFT")));
        fx->host.service.setWatchlist(fx->token, server);
        awaitTask(m_sync->syncNow());
        awaitTask(m_sync->syncNow());
        QCOMPARE(symbolsOf(m_state->watchlistItems()),
                 (QStringList{QStringLiteral("005930.KS"), QStringLiteral("AAPL"), QStringLiteral("MSFT"),
                              QStringLiteral("ZZZZ")}));
        QCOMPARE(m_state->watchlistItems().last(),
                 (WatchItem{QStringLiteral("ZZZZ"), QStringLiteral("Local Corp")}));

        // Removing it sends nothing.
        fx->host.service.clearRequests();
        m_state->removeSymbol(QStringLiteral("ZZZZ"));
        QCOMPARE(m_sync->pendingCount(), 0);
        QVERIFY(m_sync->localOnlySymbols().isEmpty());
        QTest::qWait(50);
        QCOMPARE(fx->host.service.requestsTo(kWatchlist).size(), 0);
    }

    void signOutEmptiesTheQueueButKeepsLocalOnlySymbols()
    {
        m_state->addSymbol(QStringLiteral("ZZZZ"));
        QTRY_VERIFY(m_sync->localOnlySymbols().contains(QStringLiteral("ZZZZ")) && !m_sync->isSyncing());
        fx->host.server.faults().add(kWatchlist, Fault::withStatus(503));
        m_state->addSymbol(QStringLiteral("AAPL"));
        QTRY_VERIFY(!m_sync->isSyncing());
        QCOMPARE(m_sync->pendingCount(), 1);
        QCOMPARE(m_sync->lastError(), kServerError);

        fx->account->logout();
        QCOMPARE(m_sync->pendingCount(), 0);
        QCOMPARE(m_sync->lastError(), std::nullopt);
        QCOMPARE(m_sync->lastSyncAt(), std::nullopt);
        QCOMPARE(fx->settings->value(kPendingOpsKey).toByteArray(), QByteArray("[]"));
        QCOMPARE(fx->settings->value(kLocalOnlyKey).toStringList(), QStringList{QStringLiteral("ZZZZ")});

        // Signed out, edits are ignored and runs do nothing.
        fx->host.service.clearRequests();
        m_state->addSymbol(QStringLiteral("TSLA"));
        awaitTask(m_sync->syncNow());
        QCOMPARE(m_sync->pendingCount(), 0);
        QCOMPARE(fx->host.service.requestsTo(kWatchlist).size(), 0);
    }

    void editDuringPullIsNotOverwritten()
    {
        fx->host.server.faults().add(kWatchlist, Fault::delayed(60ms).times(1));
        QStringList seen;
        connect(m_state.get(), &AppState::itemsChanged, this,
                [&] { seen.append(symbolsOf(m_state->watchlistItems()).join(u',')); });
        auto run = m_sync->syncNow();
        QTRY_COMPARE(fx->host.server.requestCount(kWatchlist), 1); // the pull is on its way
        m_state->addSymbol(QStringLiteral("AAPL"));
        awaitTask(std::move(run));
        QCOMPARE(m_sync->pendingCount(), 0);
        QCOMPARE(symbolsOf(m_state->watchlistItems()),
                 (QStringList{QStringLiteral("005930.KS"), QStringLiteral("AAPL")}));
        for (const QString& list : seen) {
            QVERIFY2(list.contains(QStringLiteral("AAPL")), qPrintable(list));
        }
        QCOMPARE(fx->host.service.requestsTo(kWatchlist).size(), 3); // pull, push, pull
    }

    void rateLimitedOperationStaysFirst()
    {
        fx->host.server.faults().add(kWatchlist, Fault::withStatus(429).times(1));
        m_state->addSymbol(QStringLiteral("AAPL"));
        m_state->addSymbol(QStringLiteral("MSFT"));
        QTRY_VERIFY(!m_sync->isSyncing());
        QCOMPARE(m_sync->pendingOps().first(), addOp(QStringLiteral("AAPL"), QStringLiteral("AAPL")));
        QCOMPARE(m_sync->lastError(), kRateLimited);

        fx->host.service.clearRequests();
        awaitTask(m_sync->syncNow());
        const auto sent = fx->host.service.requestsTo(kWatchlist);
        QCOMPARE(sent.size(), 3);
        QVERIFY(sent[0].body.contains("AAPL"));
        QVERIFY(sent[1].body.contains("MSFT"));
        QCOMPARE(m_sync->lastError(), std::nullopt);
    }

    void oneRunAtATime()
    {
        fx->host.server.faults().add(kWatchlist, Fault::delayed(50ms).times(1));
        auto first = m_sync->syncNow();
        QVERIFY(m_sync->isSyncing());
        awaitTask(m_sync->syncNow()); // dropped
        awaitTask(std::move(first));
        QCOMPARE(fx->host.service.requestsTo(kWatchlist).size(), 1);
        QVERIFY(!m_sync->isSyncing());
    }

    void timerRunsRepeatedly()
    {
        m_sync = std::make_unique<SyncService>(*fx->account, m_state.get(), fx->api, *fx->settings, fx->clock,
                                               40ms);
        m_sync->start();
        QVERIFY(m_sync->isSyncing()); // at once
        QTRY_VERIFY(fx->host.server.requestCount(kWatchlist) >= 3);
    }

    void withoutStateAPullAppliesNowhere()
    {
        m_sync = std::make_unique<SyncService>(*fx->account, nullptr, fx->api, *fx->settings, fx->clock);
        awaitTask(m_sync->syncNow());
        QCOMPARE(m_sync->lastSyncAt(), fx->clock.now());
    }

    void storedForms()
    {
        const QList<PendingOp> ops{
            addOp(QStringLiteral("005930"), QStringLiteral("005930.KS")),
            {PendingOp::Action::remove, QStringLiteral("BRK.B"), QStringLiteral("BRK-B")}};
        const QByteArray encoded = PendingOp::encodeList(ops);
        QCOMPARE(QJsonDocument::fromJson(encoded).array().first().toObject(),
                 (QJsonObject{{QStringLiteral("action"), QStringLiteral("add")},
                              {QStringLiteral("ticker"), QStringLiteral("005930")},
                              {QStringLiteral("symbol"), QStringLiteral("005930.KS")}}));
        QCOMPARE(PendingOp::decodeList(encoded), ops);
        QVERIFY(!PendingOp::decodeList("{}"));
        QVERIFY(!PendingOp::decodeList("[{\"action\":\"add\",\"ticker\":1,\"symbol\":\"A\"}]"));
        QVERIFY(!PendingOp::decodeList("[[]]"));

        // The local-only set is stored sorted and read back in every size.
        for (const QStringList& symbols : {QStringList{}, QStringList{QStringLiteral("B")},
                                           QStringList{QStringLiteral("C"), QStringLiteral("A")}}) {
            test::TempSettings settings;
            settings->setValue(kLocalOnlyKey, symbols);
            const auto reopened = settings.reopen();
            SyncService sync(*fx->account, nullptr, fx->api, *reopened, fx->clock);
            QCOMPARE(sync.localOnlySymbols(), QSet<QString>(symbols.begin(), symbols.end()));
        }
    }

    void merge_data()
    {
        QTest::addColumn<QList<ServerItem>>("server");
        QTest::addColumn<QList<WatchItem>>("local");
        QTest::addColumn<QStringList>("localOnly");
        QTest::addColumn<QList<WatchItem>>("expected");

        const auto item = [](const char* symbol, const QString& name) {
            return WatchItem{QString::fromUtf8(symbol), name};
        };
        const QString samsung = QStringLiteral("삼성전자");
        QTest::newRow("Latin server name keeps the Korean local name")
            << QList<ServerItem>{{QStringLiteral("005930"), QStringLiteral("Samsung"), std::nullopt,
                                  std::nullopt}}
            << QList<WatchItem>{item("005930.KS", samsung)} << QStringList{}
            << QList<WatchItem>{item("005930.KS", samsung)};
        QTest::newRow("Korean server name replaces the local name")
            << QList<ServerItem>{{QStringLiteral("005930"), std::nullopt, QStringLiteral("삼성전자우"),
                                  std::nullopt}}
            << QList<WatchItem>{item("005930.KS", samsung)} << QStringList{}
            << QList<WatchItem>{item("005930.KS", QStringLiteral("삼성전자우"))};
        QTest::newRow("name_ko before name")
            << QList<ServerItem>{{QStringLiteral("005930"), QStringLiteral("Samsung"), samsung, std::nullopt}}
            << QList<WatchItem>{} << QStringList{} << QList<WatchItem>{item("005930.KS", samsung)};
        QTest::newRow("no name at all: the ticker as sent")
            << QList<ServerItem>{{QStringLiteral("BRK.B"), std::nullopt, std::nullopt, std::nullopt},
                                 {QStringLiteral("AAPL"), QString(), QString(), std::nullopt}}
            << QList<WatchItem>{} << QStringList{}
            << QList<WatchItem>{item("BRK-B", QStringLiteral("BRK.B")), item("AAPL", QStringLiteral("AAPL"))};
        QTest::newRow("KOSDAQ exchange picks .KQ")
            << QList<ServerItem>{{QStringLiteral("247540"), QStringLiteral("EcoPro BM"), std::nullopt,
                                  QStringLiteral("KOSDAQ")}}
            << QList<WatchItem>{item("247540.KQ", QStringLiteral("에코프로비엠"))} << QStringList{}
            << QList<WatchItem>{item("247540.KQ", QStringLiteral("에코프로비엠"))};
        QTest::newRow("first local name wins")
            << QList<ServerItem>{{QStringLiteral("NVDA"), QStringLiteral("NVIDIA"), std::nullopt,
                                  std::nullopt}}
            << QList<WatchItem>{item("NVDA", QStringLiteral("엔비디아")),
                                item("NVDA", QStringLiteral("엔비디아2"))}
            << QStringList{} << QList<WatchItem>{item("NVDA", QStringLiteral("엔비디아"))};
        QTest::newRow("local-only survivors after the server's items, in local order")
            << QList<ServerItem>{{QStringLiteral("NVDA"), QStringLiteral("NVIDIA"), std::nullopt,
                                  std::nullopt}}
            << QList<WatchItem>{item("YYY", QStringLiteral("Y")), item("NVDA", QStringLiteral("N")),
                                item("XXX", QStringLiteral("X")), item("GONE", QStringLiteral("G"))}
            << QStringList{QStringLiteral("XXX"), QStringLiteral("YYY"), QStringLiteral("NVDA")}
            << QList<WatchItem>{item("NVDA", QStringLiteral("NVIDIA")), item("YYY", QStringLiteral("Y")),
                                item("XXX", QStringLiteral("X"))};
        QTest::newRow("a symbol listed twice by the service shows once")
            << QList<ServerItem>{{QStringLiteral("NVDA"), QStringLiteral("A"), std::nullopt, std::nullopt},
                                 {QStringLiteral("nvda"), QStringLiteral("B"), std::nullopt, std::nullopt}}
            << QList<WatchItem>{} << QStringList{} << QList<WatchItem>{item("NVDA", QStringLiteral("A"))};
    }

    void merge()
    {
        QFETCH(QList<ServerItem>, server);
        QFETCH(QList<WatchItem>, local);
        QFETCH(QStringList, localOnly);
        QFETCH(QList<WatchItem>, expected);
        QCOMPARE(SyncService::merge(server, local, QSet<QString>(localOnly.begin(), localOnly.end())),
                 expected);
    }

private:
    void makeSync(Settings& settings)
    {
        m_sync = std::make_unique<SyncService>(*fx->account, m_state.get(), fx->api, settings, fx->clock);
        m_state->onWatchlistEdit = [this](const WatchlistChange& change) {
            m_sync->recordLocalChange(change);
        };
        fx->account->onSessionChange = [this] { m_sync->sessionDidChange(); };
    }

    std::unique_ptr<test::ServiceFixture> fx;
    test::FakeNotifier m_notifier;
    std::unique_ptr<YahooClient> m_yahoo;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<SyncService> m_sync;
};

QTEST_GUILESS_MAIN(SyncServiceTest)
#include "SyncServiceTest.moc"
