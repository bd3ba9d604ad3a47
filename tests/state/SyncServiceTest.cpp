#include "state/SyncService.h"
#include "FakeNotifier.h"
#include "ServiceFixture.h"
#include "market/YahooClient.h"
#include "state/AppState.h"

#include <QTcpServer>
#include <QtTest>
#include <memory>

using namespace virel;
using namespace std::chrono_literals;
using fake::Fault;
using ServerItem = WatchlistResponse::Item;
using test::awaitTask;

Q_DECLARE_METATYPE(QList<virel::WatchlistResponse::Item>)

namespace {

const auto kWatchlist = u"/api/mac/watchlist"_qs;
const auto kPendingOpsKey = u"sync.pendingOps"_qs;
const auto kLocalOnlyKey = u"sync.localOnlySymbols"_qs;

const auto kServerError = u"서버 오류 — 잠시 후 다시 시도합니다"_qs;

QStringList symbolsOf(const QList<WatchItem>& items)
{
    QStringList symbols;
    std::ranges::transform(items, std::back_inserter(symbols), [](const auto& item) { return item.symbol; });
    return symbols;
}

QUrl closedOrigin()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return QUrl(u"http://127.0.0.1:%1"_qs.arg(probe.serverPort()));
}

std::optional<QString> text(const char* utf8)
{
    return utf8 ? std::optional(QString::fromUtf8(utf8)) : std::nullopt;
}

// A service entry; a null pointer is a missing field.
ServerItem srv(const char* ticker, const char* name = nullptr, const char* nameKo = nullptr,
               const char* exchange = nullptr)
{
    return {QString::fromUtf8(ticker), text(name), text(nameKo), text(exchange)};
}

WatchItem w(const char* symbol, const char* name)
{
    return {QString::fromUtf8(symbol), QString::fromUtf8(name)};
}

} // namespace

class SyncServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        fx = std::make_unique<test::ServiceFixture>(ServiceTimeouts{150ms, 2s});
        // Quotes fail at once here, so none of their requests is still on its way when the test ends.
        m_yahoo = std::make_unique<YahooClient>(closedOrigin());
        m_state = std::make_unique<AppState>(*fx->settings, *m_yahoo, m_notifier, fx->clock,
                                             AppStateIntervals{1h, 1h, 1h});
        m_state->setMode(DisplayMode::watchlist);
        fx->restoreSignedIn({*fake::FakeService::catalogueEntry(u"005930"_qs)});
        m_sync =
            std::make_unique<SyncService>(*fx->account, m_state.get(), fx->api, *fx->settings, fx->clock);
        m_state->onWatchlistEdit = [this](const WatchlistChange& change) {
            m_sync->recordLocalChange(change);
        };
        fx->account->onSessionChange = [this] { m_sync->sessionDidChange(); };
    }

    void cleanup()
    {
        m_sync.reset();
        m_state.reset();
        m_yahoo.reset();
        fx.reset();
    }

    void pullAppliesTheAccountsListThenEditsAreSent()
    {
        QSignalSpy synced(m_sync.get(), &SyncService::lastSyncAtChanged);
        awaitTask(m_sync->syncNow());
        QCOMPARE(m_state->watchlistItems(), (QList<WatchItem>{{u"005930.KS"_qs, u"삼성전자"_qs}}));
        QCOMPARE(m_sync->lastSyncAt(), fx->clock.now());
        QCOMPARE(synced.size(), 1);
        QCOMPARE(fx->host.service.requestsTo(kWatchlist)[0].authorization, "Bearer " + fx->token.toUtf8());

        m_state->addSymbol(u"brk-b"_qs);
        m_state->addSymbol(u"NVDA"_qs);
        m_state->removeSymbol(u"005930.KS"_qs);
        QTRY_VERIFY(!m_sync->isSyncing() && m_sync->pendingCount() == 0);
        QStringList bodies;
        for (const auto& request : fx->host.service.requestsTo(kWatchlist)) {
            bodies.append(QString::fromUtf8(request.method + ' ' + request.body));
        }
        QCOMPARE(bodies, (QStringList{u"GET "_qs, u"POST {\"action\":\"add\",\"ticker\":\"BRK.B\"}"_qs,
                                      u"POST {\"action\":\"add\",\"ticker\":\"NVDA\"}"_qs,
                                      u"POST {\"action\":\"remove\",\"ticker\":\"005930\"}"_qs, u"GET "_qs}));
        QCOMPARE(symbolsOf(m_state->watchlistItems()), (QStringList{u"BRK-B"_qs, u"NVDA"_qs}));
        QCOMPARE(fx->settings->value(kPendingOpsKey).toByteArray(), QByteArray("[]"));
    }

    void pushFailures_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<int>("pending");
        QTest::addColumn<std::optional<QString>>("error");

        // 401, 429, 5xx, time-outs and undecodable answers are rows of the fault matrix.
        const std::optional<QString> none;
        QTest::newRow("404 without code") << Fault::withStatus(404).times(1) << 0 << none;
        QTest::newRow("409") << Fault::withStatus(409).times(1) << 0 << none;
        QTest::newRow("304") << Fault::withStatus(304).times(1) << 1 << std::optional(kServerError);
    }

    void pushFailures()
    {
        QFETCH(Fault, fault);
        QFETCH(int, pending);
        fx->host.server.faults().add(kWatchlist, fault);
        m_state->addSymbol(u"AAPL"_qs);
        QTRY_VERIFY_WITH_TIMEOUT(!m_sync->isSyncing(), 2000);
        QCOMPARE(m_sync->pendingCount(), pending);
        QTEST(m_sync->lastError(), "error");
        QVERIFY(fx->account->user());
        QVERIFY(m_sync->localOnlySymbols().isEmpty());
        QCOMPARE(PendingOp::decodeList(fx->settings->value(kPendingOpsKey).toByteArray())->size(), pending);
        if (pending == 0) {
            QVERIFY(m_sync->lastSyncAt()); // the run went on to the pull
        }
    }

    // A symbol the service does not know stays in the local list only, through a sign-out as well.
    void unknownTickerStaysLocal()
    {
        awaitTask(m_sync->syncNow());
        m_state->addSymbol(u"ZZZZ"_qs, u"Local Corp"_qs);
        m_state->addSymbol(u"YYYY"_qs);
        m_state->addSymbol(u"AAPL"_qs);
        QTRY_VERIFY(!m_sync->isSyncing() && m_sync->pendingCount() == 0);
        QCOMPARE(m_sync->lastError(), std::nullopt);
        // The pull keeps them.
        QCOMPARE(symbolsOf(m_state->watchlistItems()),
                 (QStringList{u"005930.KS"_qs, u"ZZZZ"_qs, u"YYYY"_qs, u"AAPL"_qs}));

        // Removing one sends nothing.
        fx->host.service.clearRequests();
        m_state->removeSymbol(u"YYYY"_qs);
        QCOMPARE(m_sync->pendingCount(), 0);
        QCOMPARE(m_sync->localOnlySymbols(), QSet<QString>{u"ZZZZ"_qs});
        QTest::qWait(50);
        QCOMPARE(fx->host.service.requestsTo(kWatchlist).size(), 0);

        // Signing out empties the queue and keeps the local-only symbols.
        fx->host.server.faults().add(kWatchlist, Fault::withStatus(503));
        m_state->addSymbol(u"TSLA"_qs);
        QTRY_VERIFY(!m_sync->isSyncing() && m_sync->pendingCount() == 1);
        fx->account->logout();
        QCOMPARE(m_sync->pendingCount(), 0);
        QCOMPARE(m_sync->lastError(), std::nullopt);
        QCOMPARE(m_sync->lastSyncAt(), std::nullopt);
        QCOMPARE(fx->settings->value(kPendingOpsKey).toByteArray(), QByteArray("[]"));
        QCOMPARE(fx->settings->value(kLocalOnlyKey).toStringList(), QStringList{u"ZZZZ"_qs});

        // Signed out, edits are ignored and runs do nothing.
        fx->host.service.clearRequests();
        m_state->addSymbol(u"MSFT"_qs);
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
        m_state->addSymbol(u"AAPL"_qs);
        awaitTask(std::move(run));
        QCOMPARE(m_sync->pendingCount(), 0);
        QCOMPARE(symbolsOf(m_state->watchlistItems()), (QStringList{u"005930.KS"_qs, u"AAPL"_qs}));
        for (const QString& list : seen) {
            QVERIFY2(list.contains(u"AAPL"_qs), qPrintable(list));
        }
        QCOMPARE(fx->host.service.requestsTo(kWatchlist).size(), 3); // pull, push, pull
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

    // Started, a run begins at once and repeats; without a state the pulls apply nowhere.
    void timerRunsRepeatedlyEvenWithoutState()
    {
        m_sync =
            std::make_unique<SyncService>(*fx->account, nullptr, fx->api, *fx->settings, fx->clock, 40ms);
        m_sync->start();
        QVERIFY(m_sync->isSyncing()); // at once
        QTRY_VERIFY(fx->host.server.requestCount(kWatchlist) >= 3);
        QCOMPARE(m_sync->lastSyncAt(), fx->clock.now());
    }

    void merge_data()
    {
        QTest::addColumn<QList<ServerItem>>("server");
        QTest::addColumn<QList<WatchItem>>("local");
        QTest::addColumn<QStringList>("localOnly");
        QTest::addColumn<QList<WatchItem>>("expected");
        using S = QList<ServerItem>;
        using L = QList<WatchItem>;
        const QStringList none;
        QTest::newRow("Latin server name keeps the Korean local name")
            << S{srv("005930", "Samsung")} << L{w("005930.KS", "삼성전자")} << none
            << L{w("005930.KS", "삼성전자")};
        QTest::newRow("Korean server name replaces the local name")
            << S{srv("005930", nullptr, "삼성전자우")} << L{w("005930.KS", "삼성전자")} << none
            << L{w("005930.KS", "삼성전자우")};
        QTest::newRow("name_ko before name")
            << S{srv("005930", "Samsung", "삼성전자")} << L{} << none << L{w("005930.KS", "삼성전자")};
        QTest::newRow("no name at all: the ticker as sent")
            << S{srv("BRK.B"), srv("AAPL", "", "")} << L{} << none
            << L{w("BRK-B", "BRK.B"), w("AAPL", "AAPL")};
        QTest::newRow("KOSDAQ exchange picks .KQ")
            << S{srv("247540", "EcoPro BM", nullptr, "KOSDAQ")} << L{w("247540.KQ", "에코프로비엠")} << none
            << L{w("247540.KQ", "에코프로비엠")};
        QTest::newRow("first local name wins")
            << S{srv("NVDA", "NVIDIA")} << L{w("NVDA", "엔비디아"), w("NVDA", "엔비디아2")} << none
            << L{w("NVDA", "엔비디아")};
        QTest::newRow("local-only survivors after the server's items, in local order")
            << S{srv("NVDA", "NVIDIA")} << L{w("YYY", "Y"), w("NVDA", "N"), w("XXX", "X"), w("GONE", "G")}
            << QStringList{u"XXX"_qs, u"YYY"_qs, u"NVDA"_qs}
            << L{w("NVDA", "NVIDIA"), w("YYY", "Y"), w("XXX", "X")};
        QTest::newRow("a symbol listed twice by the service shows once")
            << S{srv("NVDA", "A"), srv("nvda", "B")} << L{} << none << L{w("NVDA", "A")};
    }

    void merge()
    {
        QFETCH(QList<ServerItem>, server);
        QFETCH(QList<WatchItem>, local);
        QFETCH(QStringList, localOnly);
        QTEST(SyncService::merge(server, local, QSet<QString>(localOnly.begin(), localOnly.end())),
              "expected");
    }

private:
    std::unique_ptr<test::ServiceFixture> fx;
    test::FakeNotifier m_notifier;
    std::unique_ptr<YahooClient> m_yahoo;
    std::unique_ptr<AppState> m_state;
    std::unique_ptr<SyncService> m_sync;
};

QTEST_GUILESS_MAIN(SyncServiceTest)
#include "SyncServiceTest.moc"
