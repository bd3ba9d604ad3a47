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
const WatchItem kSamsung{QStringLiteral("005930.KS"), QStringLiteral("삼성전자")};
const WatchItem kHynix{QStringLiteral("000660.KS"), QStringLiteral("SK하이닉스")};

Quote quote(const WatchItem& item, double price, double previousClose)
{
    Quote made;
    made.symbol = item.symbol;
    made.displayName = item.name;
    made.price = price;
    made.previousClose = previousClose;
    made.receivedAt = kNow.addSecs(-5);
    return made;
}

NewsItem news(const QString& title, const QDateTime& publishedAt)
{
    return {title, QStringLiteral("Reuters"), publishedAt,
            QUrl(QStringLiteral("https://news.example.com/a"))};
}

TimelineEvent ranked(Importance importance, qint64 secondsAgo, const QString& id)
{
    TimelineEvent made;
    made.id = id;
    made.importance = importance;
    made.date = kNow.addSecs(-secondsAgo);
    return made;
}

QStringList idsOf(const QList<TimelineEvent>& events)
{
    QStringList ids;
    for (const auto& e : events) {
        ids.append(e.id);
    }
    return ids;
}

// A state on `watchlist` (the default one without), fed by a fake market fixed at kNow.
struct Harness : StateFixture
{
    explicit Harness(const std::optional<QList<WatchItem>>& watchlist = std::nullopt)
        : StateFixture(Start::later, kNow)
    {
        settings->setValue(QStringLiteral("displayMode"), QStringLiteral("watchlist"));
        if (watchlist) {
            useWatchlist(*watchlist);
        }
        start();
    }

    int newsRequests() const
    {
        int count = 0;
        for (const QUrl& url : server.requests()) {
            count += url.path() == fake::FakeServer::searchPath &&
                     QUrlQuery(url).queryItemValue(QStringLiteral("newsCount")) != QLatin1String("0");
        }
        return count;
    }
};

} // namespace

class TimelineStoreTest : public QObject
{
    Q_OBJECT

private slots:
    void importanceFromRawValue()
    {
        QCOMPARE(TimelineImportances::fromRawValue(0), std::nullopt);
        QCOMPARE(TimelineImportances::fromRawValue(5), std::nullopt);
        QCOMPARE(TimelineImportances::fromRawValue(4), Importance::critical);
        QCOMPARE(TimelineImportances::fromRawValue(1), Importance::low);
    }

    void moves_data()
    {
        QTest::addColumn<double>("price");
        QTest::addColumn<double>("previousClose");
        QTest::addColumn<std::optional<Importance>>("importance");
        QTest::addColumn<QString>("title");

        const std::optional<Importance> none;
        QTest::newRow("2.99 up") << 102.99 << 100.0 << none << QString();
        QTest::newRow("3.0 up") << 103.0 << 100.0 << std::optional(Importance::high)
                                << QStringLiteral("삼성전자 급등 +3.00%");
        QTest::newRow("3.0 down") << 97.0 << 100.0 << std::optional(Importance::high)
                                  << QStringLiteral("삼성전자 급락 -3.00%");
        QTest::newRow("4.99 down") << 95.01 << 100.0 << std::optional(Importance::high)
                                   << QStringLiteral("삼성전자 급락 -4.99%");
        QTest::newRow("5.0 up") << 105.0 << 100.0 << std::optional(Importance::critical)
                                << QStringLiteral("삼성전자 급등 +5.00%");
        QTest::newRow("no previous close") << 50.0 << 0.0 << none << QString();
    }

    void moves()
    {
        QFETCH(double, price);
        QFETCH(double, previousClose);
        QFETCH(std::optional<Importance>, importance);
        QFETCH(QString, title);

        const Quote held = quote(kSamsung, price, previousClose);
        const auto events = TimelineStore::assemble({kSamsung, kHynix}, {{kSamsung.symbol, held}}, {}, kNow);
        if (!importance) {
            QVERIFY(events.isEmpty());
            return;
        }
        QCOMPARE(events.size(), 1);
        const TimelineEvent& move = events[0];
        QCOMPARE(move.id, QStringLiteral("move-005930.KS"));
        QCOMPARE(move.kind, Kind::move);
        QCOMPARE(move.importance, *importance);
        QCOMPARE(move.title, title);
        QCOMPARE(move.date, held.receivedAt);
        QCOMPARE(move.symbolName, kSamsung.name);
        QCOMPARE(move.url, std::nullopt);
    }

    void corporateEvents()
    {
        const QDateTime paid = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC);
        const TimelineStore::Fetched fetched{
            kSamsung,
            {},
            {{paid, CorporateEvent::Kind::dividend, QStringLiteral("주당 361.0")},
             {paid.addDays(-1), CorporateEvent::Kind::split, QString()}}};
        const auto events = TimelineStore::assemble({kSamsung}, {}, {fetched}, kNow);

        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0].kind, Kind::split);
        QCOMPARE(events[0].importance, Importance::high);
        QCOMPARE(events[0].title, QStringLiteral("삼성전자 액면분할"));
        QCOMPARE(events[1].id, QStringLiteral("005930.KS-배당-1700000000.0"));
        QCOMPARE(events[1].kind, Kind::dividend);
        QCOMPARE(events[1].importance, Importance::medium);
        QCOMPARE(events[1].title, QStringLiteral("삼성전자 배당 · 주당 361.0"));
        QCOMPARE(events[1].date, paid);
        QCOMPARE(events[1].url, std::nullopt);
    }

    void newsWindow_data()
    {
        QTest::addColumn<qint64>("age");
        QTest::addColumn<bool>("kept");
        QTest::newRow("three days and a second") << qint64(259'201) << false;
        QTest::newRow("exactly three days") << qint64(259'200) << true;
        QTest::newRow("an hour") << qint64(3'600) << true;
    }

    void newsWindow()
    {
        QFETCH(qint64, age);
        QFETCH(bool, kept);
        const NewsItem headline = news(QStringLiteral("반도체 수출 증가"), kNow.addSecs(-age));
        const auto events = TimelineStore::assemble({kSamsung}, {}, {{kSamsung, {headline}, {}}}, kNow);
        QCOMPARE(events.size(), kept ? 1 : 0);
        if (kept) {
            QCOMPARE(events[0].id, QStringLiteral("news-005930.KS-") + headline.id());
            QCOMPARE(events[0].kind, Kind::news);
            QCOMPARE(events[0].importance, Importance::low);
            QCOMPARE(events[0].title, headline.title);
            QCOMPARE(events[0].url, headline.url);
        }
    }

    void sharedHeadlineGoesToTheFirstArrival()
    {
        const NewsItem shared = news(QStringLiteral("반도체 수출 증가"), kNow.addSecs(-60));
        const NewsItem own = news(QStringLiteral("SK하이닉스 HBM"), kNow.addSecs(-120));
        const auto events = TimelineStore::assemble(
            {kSamsung, kHynix}, {}, {{kHynix, {shared, own}, {}}, {kSamsung, {shared}, {}}}, kNow);
        QCOMPARE(events.size(), 2);
        QCOMPARE(events[0].title, shared.title);
        QCOMPARE(events[0].symbol, kHynix.symbol);
        QCOMPARE(events[1].title, own.title);
    }

    void sortIsStable()
    {
        QList<TimelineEvent> events{
            ranked(Importance::low, 10, QStringLiteral("news-old")),
            ranked(Importance::medium, 5, QStringLiteral("dividend")),
            ranked(Importance::high, 500, QStringLiteral("split")),
            ranked(Importance::low, 1, QStringLiteral("news-new")),
            ranked(Importance::critical, 900, QStringLiteral("critical-move")),
            ranked(Importance::high, 500, QStringLiteral("high-move-same-date")),
            ranked(Importance::low, 10, QStringLiteral("news-old-second")),
        };
        TimelineEvent::sort(events);
        QCOMPARE(idsOf(events), (QStringList{QStringLiteral("critical-move"), QStringLiteral("split"),
                                             QStringLiteral("high-move-same-date"),
                                             QStringLiteral("dividend"), QStringLiteral("news-new"),
                                             QStringLiteral("news-old"), QStringLiteral("news-old-second")}));
    }

    void refreshGathersEverySymbol()
    {
        Harness h;
        TimelineStore store(*h.state, *h.yahoo, h.clock);
        QSignalSpy loading(&store, &TimelineStore::loadingChanged);
        QSignalSpy refreshed(&store, &TimelineStore::refreshedAtChanged);
        QVERIFY(!store.refreshedAt().isValid());

        auto first = store.refresh();
        QVERIFY(store.loading());
        auto second = store.refresh();
        QVERIFY(second.isReady());
        QCoro::waitFor(first);

        QVERIFY(!store.loading());
        QCOMPARE(loading.count(), 2);
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(store.refreshedAt(), kNow);
        // One news request per symbol: the second call started nothing.
        QCOMPARE(h.newsRequests(), 3);

        // Each headline once, whichever symbol's news carried it, and none older than the window.
        const auto& events = store.events();
        QStringList headlines;
        for (const auto& e : events) {
            if (e.kind == Kind::news) {
                QVERIFY(!headlines.contains(e.title));
                headlines.append(e.title);
                QVERIFY(e.date >= kNow.addSecs(-TimelineStore::newsWindowSeconds));
            }
        }
        QVERIFY(!headlines.isEmpty());
        QVERIFY(std::any_of(events.cbegin(), events.cend(),
                            [](const auto& e) { return e.kind == Kind::dividend; }));
        for (qsizetype i = 1; i < events.size(); ++i) {
            QVERIFY(
                events[i - 1].importance > events[i].importance ||
                (events[i - 1].importance == events[i].importance && events[i - 1].date >= events[i].date));
        }
    }

    void emptyListGivesAnEmptyTimeline()
    {
        Harness h(QList<WatchItem>{});
        TimelineStore store(*h.state, *h.yahoo, h.clock);
        QCoro::waitFor(store.refresh());
        QVERIFY(store.events().isEmpty());
        QCOMPARE(store.refreshedAt(), kNow);
        QCOMPARE(h.newsRequests(), 0);
    }

    void failedFetchesContributeNothing()
    {
        Harness h(QList<WatchItem>{kSamsung});
        h.server.faults().add(fake::FakeServer::searchPath, fake::Fault::withStatus(500));
        h.server.faults().add(fake::FakeServer::chartPath, fake::Fault::withStatus(429));
        TimelineStore store(*h.state, *h.yahoo, h.clock);
        QCoro::waitFor(store.refresh());
        QVERIFY(store.events().isEmpty());
        QVERIFY(!store.loading());
    }

    void storeMayGoWhileRefreshing()
    {
        Harness h;
        h.server.faults().add(fake::FakeServer::searchPath, fake::Fault::delayed(100ms));
        auto store = std::make_unique<TimelineStore>(*h.state, *h.yahoo, h.clock);
        auto refresh = store->refresh();
        store.reset();
        QCoro::waitFor(refresh);
    }
};

QTEST_GUILESS_MAIN(TimelineStoreTest)
#include "TimelineStoreTest.moc"
