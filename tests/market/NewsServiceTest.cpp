#include "market/NewsService.h"

#include "fakemarket/FakeServer.h"

#include <QTest>

using namespace virel;
using fake::FakeServer;
using fake::Fault;

class NewsServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void headlinesNewestFirst()
    {
        FakeServer server;
        QVERIFY(server.listen());
        YahooClient yahoo(server.origin());
        const QList<NewsItem> news = QCoro::waitFor(NewsService::fetch(yahoo, u"NVDA"_qs));
        QCOMPARE(server.requests().last().query(QUrl::FullyEncoded), u"q=NVDA&quotesCount=0&newsCount=12"_qs);
        QVERIFY(news.size() >= 2);
        QVERIFY(news.size() <= 12);
        QVERIFY(std::is_sorted(news.cbegin(), news.cend(), [](const NewsItem& a, const NewsItem& b) {
            return a.publishedAt > b.publishedAt;
        }));
        for (const NewsItem& item : news) {
            QVERIFY(!item.title.isEmpty());
            QVERIFY(!item.url || item.url->scheme().startsWith(u"http"));
        }
    }

    void failuresGiveNoNews_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("rate limited") << Fault::withStatus(429);
        QTest::newRow("server error")
            << Fault::withStatus(500, QByteArrayLiteral(R"({"news":[{"title":"x"}]})"));
        QTest::newRow("wrong type") << Fault::wrongType(u"news"_qs);
        QTest::newRow("truncated") << Fault::truncated();
        QTest::newRow("10 MB body") << Fault::huge();
    }

    void failuresGiveNoNews()
    {
        QFETCH(Fault, fault);
        FakeServer server;
        QVERIFY(server.listen());
        server.faults().add(FakeServer::searchPath, fault);
        YahooClient yahoo(server.origin());
        QCOMPARE(QCoro::waitFor(NewsService::fetch(yahoo, u"NVDA"_qs)), QList<NewsItem>());
        QCOMPARE(server.requestCount(), 1);
    }
};

QTEST_GUILESS_MAIN(NewsServiceTest)
#include "NewsServiceTest.moc"
