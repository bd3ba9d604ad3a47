// A store whose every key holds garbage (a damaged or hand-edited file): the application starts with
// the defaults, writes nothing at start-up, and when an edit first replaces a key its garbage is kept
// under "<key>.unreadable". The edits then read back as made.

#include "FakeNotifier.h"
#include "ServiceFixture.h"
#include "state/AppState.h"
#include "state/SyncService.h"

#include <QTest>

using namespace virel;
using namespace virel::test;
using namespace std::chrono_literals;

namespace {

const auto kLocalOnlyKey = QStringLiteral("sync.localOnlySymbols");
const auto kFocusModeKey = QStringLiteral("focusMode");
const auto kUnknownSymbol = QStringLiteral("ZZZZ9"); // the service refuses it as unknown

const QStringList kAllKeys{u"items.market"_qs,    u"items.watchlist"_qs, u"alertRules"_qs,
                           u"sync.pendingOps"_qs, kLocalOnlyKey,         u"displayMode"_qs,
                           u"tickerPlacement"_qs, kFocusModeKey};

} // namespace

class StoredGarbageTest : public QObject
{
    Q_OBJECT

private slots:
    void garbageGivesDefaultsAndIsKeptAside_data()
    {
        QTest::addColumn<QVariant>("garbage");
        QTest::addColumn<QStringList>("keys");
        QTest::newRow("binary") << QVariant(QByteArray("\x00\xff\xfe{\"items\": [", 14)) << kAllKeys;
        // Here one text is also a one-entry list, so the local-only symbols cannot hold text garbage.
        QStringList textKeys = kAllKeys;
        textKeys.removeOne(kLocalOnlyKey);
        QTest::newRow("text") << QVariant(QStringLiteral("§ not json {[")) << textKeys;
        QTest::newRow("JSON of another shape") << QVariant(QStringLiteral(R"({"items": []})")) << textKeys;
    }

    void garbageGivesDefaultsAndIsKeptAside()
    {
        QFETCH(QVariant, garbage);
        QFETCH(QStringList, keys);
        ServiceFixture fx(ServiceTimeouts{1s, 2s});
        auto [host, clock, settings, secrets, api, account] =
            std::tie(fx.host, fx.clock, fx.settings, fx.secrets, fx.api, *fx.account);
        for (const QString& key : keys) {
            settings->setValue(key, garbage);
        }
        YahooClient yahoo(host.origin());
        FakeNotifier notifier;
        AppState state(*settings, yahoo, notifier, clock, AppStateIntervals{1h, 1h, 1h});
        fx.restoreSignedIn();
        SyncService sync(account, &state, api, *settings, clock, 1h);
        state.onWatchlistEdit = [&sync](const WatchlistChange& change) { sync.recordLocalChange(change); };

        QCOMPARE(state.mode(), DisplayMode::market);
        QCOMPARE(state.items(), AppState::defaultItems(DisplayMode::market));
        QCOMPARE(state.watchlistItems(), AppState::defaultItems(DisplayMode::watchlist));
        QCOMPARE(state.tickerPlacement(), TickerPlacement::belowMenuBar);
        QCOMPARE(state.focusMode(), false);
        QCOMPARE(state.alertEngine().rules(), QList<AlertRule>());
        QCOMPARE(sync.pendingOps(), QList<PendingOp>());
        QCOMPARE(sync.localOnlySymbols(), QSet<QString>());
        for (const QString& key : keys) {
            QVERIFY2(settings->value(key) == garbage, qPrintable(key)); // nothing written at start-up
        }

        // One edit of each key.
        state.addSymbol(QStringLiteral("AAPL"));
        const AlertRule rule{
            .symbol = QStringLiteral("NVDA"), .name = QStringLiteral("엔비디아"), .threshold = 1000};
        state.alertEngine().add(rule);
        state.setTickerPlacement(TickerPlacement::rotate);
        state.setFocusMode(true);
        state.setMode(DisplayMode::watchlist);
        state.addSymbol(QStringLiteral("MSFT"));
        state.addSymbol(kUnknownSymbol);
        QTRY_VERIFY(!sync.isSyncing() && sync.pendingCount() == 0);

        const auto reopened = settings.reopen();
        for (const QString& key : keys) {
            if (key == kFocusModeKey) {
                continue; // a preference, not data: nothing to keep
            }
            QVERIFY2(reopened->value(key + QStringLiteral(".unreadable")) == garbage, qPrintable(key));
        }

        // What a restarted application reads back.
        AppState restarted(*reopened, yahoo, notifier, clock, AppStateIntervals{1h, 1h, 1h});
        QCOMPARE(restarted.mode(), DisplayMode::watchlist);
        QCOMPARE(restarted.storedItems(DisplayMode::market).last().symbol, QStringLiteral("AAPL"));
        QCOMPARE(restarted.items(), state.items());
        QCOMPARE(restarted.items().last().symbol, kUnknownSymbol);
        QCOMPARE(restarted.tickerPlacement(), TickerPlacement::rotate);
        QCOMPARE(restarted.focusMode(), true);
        QCOMPARE(restarted.alertEngine().rules(), QList<AlertRule>{rule});
        AccountService signedOut(
            api, secrets, *reopened, [](const QUrl&) {}, clock);
        const SyncService restartedSync(signedOut, &restarted, api, *reopened, clock, 1h);
        QVERIFY(restartedSync.pendingOps().isEmpty());
        QCOMPARE(restartedSync.localOnlySymbols(), QSet<QString>{kUnknownSymbol});
    }
};

QTEST_GUILESS_MAIN(StoredGarbageTest)
#include "StoredGarbageTest.moc"
