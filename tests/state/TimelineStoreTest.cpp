#include "state/TimelineStore.h"

#include "StateFixture.h"
#include "platform/Settings.h"

#include <QSignalSpy>
#include <QTest>
#include <QUrlQuery>

using namespace virel;
using namespace virel::test;
using namespace std::chrono_literals;

namespace {

using Kind = TimelineEvent::Kind;
using Importance = TimelineEvent::Importance;

const QDateTime kNow = QDateTime::fromSecsSinceEpoch(1'715'760'000, Qt::UTC); // 2024-05-15 08:00 UTC
const WatchItem kSamsung{u"005930.KS"_qs, u"삼성전자"_qs};
const WatchItem kHynix{u"000660.KS"_qs, u"SK하이닉스"_qs};

NewsItem news(const QString& title, qint64 secondsAgo)
{
    return {title, u"Reuters"_qs, kNow.addSecs(-secondsAgo), QUrl(u"https://news.example.com/a"_qs)};
}

// A state on `watchlist` in watchlist mode, fed by a fake market fixed at kNow.
struct Harness : StateFixture
{
    explicit Harness(const QList<WatchItem>& watchlist) : StateFixture(Start::later, kNow)
    {
        useWatchlist(watchlist);
        start();
    }
};

} // namespace

class TimelineStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void moves_data()
    {
        QTest::addColumn<double>("price");
        QTest::addColumn<double>("previousClose");
        QTest::addColumn<Importance>("importance");
        QTest::addColumn<QString>("title"); // empty: no move
        QTest::newRow("2.99 up") << 102.99 << 100.0 << Importance::low << QString();
        QTest::newRow("3.0 up") << 103.0 << 100.0 << Importance::high << "삼성전자 급등 +3.00%";
        QTest::newRow("3.0 down") << 97.0 << 100.0 << Importance::high << "삼성전자 급락 -3.00%";
        QTest::newRow("4.99 down") << 95.01 << 100.0 << Importance::high << "삼성전자 급락 -4.99%";
        QTest::newRow("5.0 up") << 105.0 << 100.0 << Importance::critical << "삼성전자 급등 +5.00%";
        QTest::newRow("no previous close") << 50.0 << 0.0 << Importance::low << QString();
    }

    void moves()
    {
        QFETCH(double, price);
        QFETCH(double, previousClose);
        QFETCH(Importance, importance);
        QFETCH(QString, title);
        Quote held;
        held.symbol = kSamsung.symbol;
        held.price = price;
        held.previousClose = previousClose;
        held.receivedAt = kNow.addSecs(-5);
        const auto events = TimelineStore::assemble({kSamsung, kHynix}, {{kSamsung.symbol, held}}, {}, kNow);
        const TimelineEvent move{u"move-005930.KS"_qs, held.receivedAt, kSamsung.symbol, kSamsung.name,
                                 Kind::move,           importance,      title,           std::nullopt};
        QCOMPARE(events, title.isEmpty() ? QList<TimelineEvent>{} : QList<TimelineEvent>{move});
    }

    void corporateEvents()
    {
        const QDateTime paid = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
        const TimelineStore::Fetched fetched{kSamsung,
                                             {},
                                             {{paid, CorporateEvent::Kind::dividend, u"주당 361.0"_qs},
                                              {paid.addDays(-1), CorporateEvent::Kind::split, QString()}}};
        const auto events = TimelineStore::assemble({kSamsung}, {}, {fetched}, kNow);
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0].kind, Kind::split);
        QCOMPARE(events[0].importance, Importance::high);
        QCOMPARE(events[0].title, u"삼성전자 액면분할"_qs);
        QCOMPARE(events[1], (TimelineEvent{u"005930.KS-배당-1700000000.0"_qs, paid, kSamsung.symbol,
                                           kSamsung.name, Kind::dividend, Importance::medium,
                                           u"삼성전자 배당 · 주당 361.0"_qs, std::nullopt}));
    }

    void newsWindow_data()
    {
        QTest::addColumn<qint64>("age");
        QTest::addColumn<bool>("kept");
        QTest::newRow("three days and a second") << qint64(259'201) << false;
        QTest::newRow("exactly three days") << qint64(259'200) << true;
    }

    void newsWindow()
    {
        QFETCH(qint64, age);
        QFETCH(bool, kept);
        const NewsItem headline = news(u"반도체 수출 증가"_qs, age);
        const auto events = TimelineStore::assemble({kSamsung}, {}, {{kSamsung, {headline}, {}}}, kNow);
        const TimelineEvent expected{u"news-005930.KS-"_qs + headline.id(),
                                     headline.publishedAt,
                                     kSamsung.symbol,
                                     kSamsung.name,
                                     Kind::news,
                                     Importance::low,
                                     headline.title,
                                     headline.url};
        QCOMPARE(events, kept ? QList<TimelineEvent>{expected} : QList<TimelineEvent>{});
    }

    void sharedHeadlineGoesToTheFirstArrival()
    {
        const NewsItem shared = news(u"반도체 수출 증가"_qs, 60);
        const NewsItem own = news(u"SK하이닉스 HBM"_qs, 120);
        const auto events = TimelineStore::assemble(
            {kSamsung, kHynix}, {}, {{kHynix, {shared, own}, {}}, {kSamsung, {shared}, {}}}, kNow);
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0].title, shared.title);
        QCOMPARE(events[0].symbol, kHynix.symbol);
        QCOMPARE(events[1].title, own.title);
    }

    void sortIsStable()
    {
        QList<TimelineEvent> events;
        for (const auto& [importance, secondsAgo, id] :
             std::initializer_list<std::tuple<Importance, int, QString>>{
                 {Importance::low, 10, u"news-old"_qs},
                 {Importance::medium, 5, u"dividend"_qs},
                 {Importance::high, 500, u"split"_qs},
                 {Importance::low, 1, u"news-new"_qs},
                 {Importance::critical, 900, u"critical-move"_qs},
                 {Importance::high, 500, u"high-move-same-date"_qs},
                 {Importance::low, 10, u"news-old-second"_qs}}) {
            events.append({id, kNow.addSecs(-secondsAgo), {}, {}, Kind::news, importance, {}, {}});
        }
        TimelineEvent::sort(events);
        QStringList ids;
        std::ranges::transform(events, std::back_inserter(ids), [](const auto& e) { return e.id; });
        QCOMPARE(ids, (QStringList{u"critical-move"_qs, u"split"_qs, u"high-move-same-date"_qs,
                                   u"dividend"_qs, u"news-new"_qs, u"news-old"_qs, u"news-old-second"_qs}));
    }

    void refreshGathersEverySymbol()
    {
        Harness h(AppState::defaultItems(DisplayMode::watchlist));
        TimelineStore store(*h.state, *h.yahoo, h.clock);
        QSignalSpy loading(&store, &TimelineStore::loadingChanged);
        QSignalSpy refreshed(&store, &TimelineStore::refreshedAtChanged);

        auto first = store.refresh();
        auto second = store.refresh();
        QVERIFY(second.isReady());
        QCoro::waitFor(first);
        QVERIFY(!store.loading());
        QCOMPARE(loading.count(), 2);
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(store.refreshedAt(), kNow);

        // One news request per symbol: the second call started nothing.
        int newsRequests = 0;
        for (const QUrl& url : h.server.requests()) {
            newsRequests += url.path() == fake::FakeServer::searchPath &&
                            QUrlQuery(url).queryItemValue(u"newsCount"_qs) != QLatin1String("0");
        }
        QCOMPARE(newsRequests, 3);
        const auto& events = store.events();
        for (const Kind kind : {Kind::news, Kind::dividend}) {
            QVERIFY(std::any_of(events.cbegin(), events.cend(),
                                [kind](const auto& e) { return e.kind == kind; }));
        }
    }

    void nothingToShow_data()
    {
        QTest::addColumn<QList<WatchItem>>("watchlist");
        QTest::addColumn<bool>("failing");
        QTest::newRow("empty list") << QList<WatchItem>{} << false;
        QTest::newRow("every fetch failing") << QList<WatchItem>{kSamsung} << true;
    }

    void nothingToShow()
    {
        QFETCH(QList<WatchItem>, watchlist);
        QFETCH(bool, failing);
        Harness h(watchlist);
        if (failing) {
            h.server.faults().add(fake::FakeServer::searchPath, fake::Fault::withStatus(500));
            h.server.faults().add(fake::FakeServer::chartPath, fake::Fault::withStatus(429));
        }
        TimelineStore store(*h.state, *h.yahoo, h.clock);
        QCoro::waitFor(store.refresh());
        QVERIFY(store.events().isEmpty());
        QVERIFY(!store.loading());
        QCOMPARE(store.refreshedAt(), kNow);
    }

    void storeMayGoWhileRefreshing()
    {
        Harness h(AppState::defaultItems(DisplayMode::watchlist));
        h.server.faults().add(fake::FakeServer::searchPath, fake::Fault::delayed(100ms));
        auto store = std::make_unique<TimelineStore>(*h.state, *h.yahoo, h.clock);
        auto refresh = store->refresh();
        store.reset();
        QCoro::waitFor(refresh);
    }
};

QTEST_GUILESS_MAIN(TimelineStoreTest)
#include "TimelineStoreTest.moc"
