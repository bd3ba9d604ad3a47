#include "state/AppState.h"

#include "StateFixture.h"

#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>
#include <qcoro/qcorotask.h>

using namespace virel;
using namespace virel::test;
using namespace std::chrono_literals;

namespace {

const auto kWatchlistKey = u"items.watchlist"_qs;
const auto kMarketKey = u"items.market"_qs;

WatchItem item(const char16_t* symbol, const char16_t* name)
{
    return {QString::fromUtf16(symbol), QString::fromUtf16(name)};
}

QList<WatchItem> stored(TempSettings& settings, const QString& key)
{
    return WatchItem::decodeList(settings.reopen()->value(key).toByteArray()).value_or(QList<WatchItem>{});
}

// Long periods: nothing but the first polling pass happens by itself during a test.
const AppState::Intervals kQuiet{20s, 1h, 1s};

// The symbols the search endpoint was asked about, in order.
QStringList searchedSymbols(const fake::FakeServer& server)
{
    QStringList symbols;
    for (const QUrl& url : server.requests()) {
        if (url.path() == fake::FakeServer::searchPath) {
            symbols.append(QUrlQuery(url).queryItemValue(u"q"_qs, QUrl::FullyDecoded));
        }
    }
    return symbols;
}

} // namespace

class AppStateTest : public QObject
{
    Q_OBJECT

private slots:
    // Setters store and signal only changes; a restart reads the choices back, all but the expansion.
    void preferencesAreStoredAndReadBack()
    {
        StateFixture h{StateFixture::Start::later};
        AppState* state = &h.start(kQuiet);
        QSignalSpy mode(state, &AppState::modeChanged);
        QSignalSpy focus(state, &AppState::focusModeChanged);
        QSignalSpy placement(state, &AppState::tickerPlacementChanged);
        QSignalSpy expanded(state, &AppState::expandedChanged);
        for (int twice = 0; twice < 2; ++twice) {
            state->setMode(DisplayMode::watchlist);
            state->setFocusMode(true);
            state->setTickerPlacement(TickerPlacement::notchRight);
            state->setExpanded(true);
            state->setSmoothOnBattery(true);
        }
        for (const QSignalSpy* spy : {&mode, &focus, &placement, &expanded}) {
            QCOMPARE(spy->count(), 1);
        }

        state = &h.start(kQuiet);
        QCOMPARE(state->mode(), DisplayMode::watchlist);
        QCOMPARE(state->tickerPlacement(), TickerPlacement::notchRight);
        QVERIFY(state->focusMode() && state->smoothOnBattery() && !state->expanded());
        QCOMPARE(state->items(), AppState::defaultItems(DisplayMode::watchlist));
    }

    void addSymbol_data()
    {
        QTest::addColumn<DisplayMode>("mode");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<std::optional<QString>>("name");
        QTest::addColumn<std::optional<WatchItem>>("added");

        const std::optional<QString> none;
        const std::optional<WatchItem> nothing;
        QTest::newRow("lower case with blanks, already listed") << DisplayMode::watchlist << " nvda \n"
                                                                << none << nothing;
        QTest::newRow("blank") << DisplayMode::watchlist << " \t\n" << none << nothing;
        QTest::newRow("without name, watchlist")
            << DisplayMode::watchlist << "aapl" << none << std::optional(item(u"AAPL", u"AAPL"));
        QTest::newRow("with name, watchlist")
            << DisplayMode::watchlist << "tsla" << std::optional(u"Tesla"_qs)
            << std::optional(item(u"TSLA", u"Tesla"));
        QTest::newRow("without name, market")
            << DisplayMode::market << "aapl" << none << std::optional(item(u"AAPL", u"AAPL"));
    }

    void addSymbol()
    {
        QFETCH(DisplayMode, mode);
        QFETCH(QString, symbol);
        QFETCH(std::optional<QString>, name);
        QFETCH(std::optional<WatchItem>, added);
        StateFixture h{StateFixture::Start::later};
        h.settings->setValue(u"displayMode"_qs, DisplayModes::rawText(mode));
        AppState* const state = &h.start(kQuiet);
        const QList<WatchItem> before = state->items();
        state->rotate();

        state->addSymbol(symbol, name);
        if (!added) {
            QCOMPARE(state->items(), before);
            QCOMPARE(state->rotationIndex(), 1);
            QVERIFY(!h.settings.reopen()->contains(kWatchlistKey));
            QVERIFY(h.edits.isEmpty());
            return;
        }
        const QList<WatchItem> expected = before + QList<WatchItem>{*added};
        QCOMPARE(state->items(), expected);
        QCOMPARE(stored(h.settings, mode == DisplayMode::market ? kMarketKey : kWatchlistKey), expected);
        QCOMPARE(state->rotationIndex(), 0);
        QCOMPARE(state->quoteService().items(), expected);
        const QList<WatchlistChange> report{WatchlistAdd{added->symbol, added->name}};
        QCOMPARE(h.edits, mode == DisplayMode::watchlist ? report : QList<WatchlistChange>{});
    }

    void removeSymbolReportsEvenWhenAbsent()
    {
        StateFixture h{StateFixture::Start::later};
        h.settings->setValue(u"displayMode"_qs, u"watchlist"_qs);
        AppState* const state = &h.start(kQuiet);
        state->rotate();

        state->removeSymbol(u"nvda"_qs);
        QCOMPARE(stored(h.settings, kWatchlistKey), AppState::defaultItems(DisplayMode::watchlist));
        QCOMPARE(state->rotationIndex(), 0);
        state->removeSymbol(u"NVDA"_qs);
        QCOMPARE(state->items(),
                 (QList<WatchItem>{item(u"005930.KS", u"삼성전자"), item(u"000660.KS", u"SK하이닉스")}));
        QCOMPARE(h.edits, (QList<WatchlistChange>{WatchlistRemove{u"nvda"_qs}, WatchlistRemove{u"NVDA"_qs}}));
    }

    void rotationCycles()
    {
        StateFixture h{StateFixture::Start::later};
        h.useWatchlist({});
        AppState* const state = &h.start(kQuiet);
        QSignalSpy rotated(state, &AppState::rotationIndexChanged);
        state->rotate();
        QVERIFY(state->items().isEmpty()); // a stored empty list is no default
        QCOMPARE(state->rotatingItem(), std::nullopt);
        state->addSymbol(u"NVDA"_qs);
        state->rotate();
        QCOMPARE(state->rotatingItem(), item(u"NVDA", u"NVDA"));
        QCOMPARE(state->leftItems(), state->items());

        state->addSymbol(u"AAPL"_qs);
        state->addSymbol(u"TSLA"_qs);
        QList<int> seen;
        for (int i = 0; i < 4; ++i) {
            seen.append(state->rotationIndex());
            state->rotate();
        }
        QCOMPARE(seen, (QList<int>{0, 1, 2, 0}));
        QCOMPARE(state->rotatingItem(), item(u"AAPL", u"AAPL"));
        QCOMPARE(state->leftItems(), state->items().first(2));
        QCOMPARE(rotated.count(), 4);
    }

    void rotationTimerAdvances()
    {
        StateFixture h{StateFixture::Start::later};
        AppState* const state = &h.start({20s, 20ms, 1s});
        QTRY_VERIFY_WITH_TIMEOUT(state->rotationIndex() >= 2, 1000);
    }

    void applyServerWatchlist_data()
    {
        QTest::addColumn<DisplayMode>("mode");
        QTest::addColumn<QList<WatchItem>>("server");
        QTest::addColumn<QList<WatchItem>>("expected");
        const auto watchlist = DisplayMode::watchlist;
        const auto nvda = item(u"NVDA", u"NVDA");
        const auto samsung = item(u"005930.KS", u"삼성전자");
        const auto hynix = item(u"000660.KS", u"SK하이닉스");
        const auto apple = item(u"AAPL", u"Apple");
        const auto samsung2 = item(u"005930.KS", u"삼성");
        const auto hynix2 = item(u"000660.KS", u"하이닉스");
        const auto nvidia = item(u"NVDA", u"Nvidia");
        using L = QList<WatchItem>;
        QTest::newRow("same members, other order and names")
            << watchlist << L{hynix2, nvda, samsung2} << L{nvda, samsung2, hynix2};
        QTest::newRow("same members, first duplicate names it")
            << watchlist << L{samsung, nvidia, hynix, item(u"NVDA", u"Other")} << L{nvidia, samsung, hynix};
        QTest::newRow("one more") << watchlist << L{apple, hynix, samsung, nvda}
                                  << L{apple, hynix, samsung, nvda};
        QTest::newRow("empty") << watchlist << L{} << L{};
        QTest::newRow("same list") << watchlist << L{nvda, samsung, hynix} << L{nvda, samsung, hynix};
        QTest::newRow("market: stored, polling left alone") << DisplayMode::market << L{apple} << L{apple};
    }

    void applyServerWatchlist()
    {
        QFETCH(DisplayMode, mode);
        QFETCH(QList<WatchItem>, server);
        QFETCH(QList<WatchItem>, expected);
        StateFixture h{StateFixture::Start::later};
        h.useWatchlist(AppState::defaultItems(DisplayMode::watchlist));
        h.settings->setValue(u"displayMode"_qs, DisplayModes::rawText(mode));
        AppState* const state = &h.start(kQuiet);
        state->rotate();

        state->applyServerWatchlist(server);
        const bool restarts = mode == DisplayMode::watchlist && expected != AppState::defaultItems(mode);
        QCOMPARE(stored(h.settings, kWatchlistKey), expected);
        QCOMPARE(state->items(), mode == DisplayMode::watchlist ? expected : AppState::defaultItems(mode));
        QCOMPARE(state->quoteService().items(), state->items());
        QCOMPARE(state->rotationIndex(), restarts ? 0 : 1);
        QVERIFY(h.edits.isEmpty());
    }

    // Only entries without a Korean name are looked up, and edits made meanwhile stay.
    void koreanNamesAreLookedUpOnlyWhereMissing()
    {
        StateFixture h{StateFixture::Start::later};
        h.useWatchlist({item(u"NVDA", u"NVDA"), item(u"005930.KS", u"삼성전자"),
                        item(u"091990.KQ", u"Celltrion Healthcare"), item(u"403870.KQ", u"HPSP")});
        AppState* const state = &h.start(kQuiet);
        h.server.faults().add(fake::FakeServer::searchPath, fake::Fault::delayed(100ms));

        auto pass = state->localizeKoreanNames();
        QTRY_COMPARE_WITH_TIMEOUT(searchedSymbols(h.server).size(), 1, 2000);
        state->addSymbol(u"AAPL"_qs);
        state->removeSymbol(u"NVDA"_qs);
        QCoro::waitFor(pass);

        QCOMPARE(searchedSymbols(h.server), (QStringList{u"091990.KQ"_qs, u"403870.KQ"_qs}));
        const QList<WatchItem> expected{item(u"005930.KS", u"삼성전자"),
                                        item(u"091990.KQ", u"셀트리온헬스케어"), item(u"403870.KQ", u"HPSP"),
                                        item(u"AAPL", u"AAPL")};
        QCOMPARE(stored(h.settings, kWatchlistKey), expected);
        QCOMPARE(state->items(), expected);
        QVERIFY(!h.settings.reopen()->contains(kMarketKey));
    }

    void stateMayGoDuringKoreanLookups()
    {
        StateFixture h{StateFixture::Start::later};
        h.useWatchlist({item(u"091990.KQ", u"Celltrion Healthcare"), item(u"403870.KQ", u"HPSP")});
        h.start(kQuiet);
        AppState* const state = h.state.get();
        h.server.faults().add(fake::FakeServer::searchPath, fake::Fault::delayed(100ms));

        auto pass = state->localizeKoreanNames();
        h.state.reset();
        QCoro::waitFor(pass);
        QCOMPARE(searchedSymbols(h.server), QStringList{u"091990.KQ"_qs});
        QCOMPARE(stored(h.settings, kWatchlistKey).first().name, u"Celltrion Healthcare"_qs);
    }
};

QTEST_GUILESS_MAIN(AppStateTest)
#include "AppStateTest.moc"
