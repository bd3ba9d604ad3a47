#include "market/HistoryService.h"
#include "market/NewsService.h"
#include "market/SearchService.h"

#include "fakemarket/FakeServer.h"

#include <QTest>

using namespace virel;
using fake::FakeServer;
using SearchDecoder::SearchHit;

// Failing answers are the fault matrix's rows; this covers what the services make of good ones.
namespace {

std::optional<QString> text(const char* value)
{
    return value ? std::optional(QString::fromUtf8(value)) : std::nullopt;
}

SearchHit hit(const char* symbol, const char* shortname, const char* longname, const char* exchange = nullptr,
              const char* exchDisp = nullptr, const char* quoteType = nullptr, const char* typeDisp = nullptr)
{
    return {text(symbol),   text(shortname), text(longname), text(exchange),
            text(exchDisp), text(quoteType), text(typeDisp)};
}

} // namespace

class MarketServicesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_listening); }

    void displayName_data()
    {
        QTest::addColumn<SearchHit>("hit");
        QTest::addColumn<std::optional<QString>>("expected");
        QTest::newRow("Korean long beats Korean short")
            << hit("A", "삼성전자", "삼성전자(주)") << text("삼성전자");
        QTest::newRow("Korean long beats English short")
            << hit("A", "SamsungElec", "삼성전자(주)") << text("삼성전자");
        QTest::newRow("Korean short beats English long")
            << hit("A", "카카오", "Kakao Corp") << text("카카오");
        QTest::newRow("English: short wins") << hit("A", "NVIDIA", "NVIDIA Corporation") << text("NVIDIA");
        QTest::newRow("long only") << hit("A", nullptr, "(주)Long") << text("Long");
        QTest::newRow("no names") << hit("A", nullptr, nullptr) << std::optional<QString>();
        // Company markers go from either end, with the spaces and tabs around them.
        QTest::newRow("trailing marker") << hit("A", "삼성전자(주)", nullptr) << text("삼성전자");
        QTest::newRow("leading marker") << hit("A", "(주)카카오", nullptr) << text("카카오");
        QTest::newRow("symbol marker and space") << hit("A", "㈜ 한화", nullptr) << text("한화");
        QTest::newRow("space before marker") << hit("A", "카카오 (주)", nullptr) << text("카카오");
        QTest::newRow("marker in the middle")
            << hit("A", "삼성전자(주) 우선주", nullptr) << text("삼성전자(주) 우선주");
        QTest::newRow("both ends") << hit("A", "(주)LG(주)", nullptr) << text("LG");
        QTest::newRow("both markers") << hit("A", "㈜한화(주)", nullptr) << text("한화");
        QTest::newRow("tabs") << hit("A", "\tNAVER(주)\t", nullptr) << text("NAVER");
    }

    void displayName()
    {
        QFETCH(SearchHit, hit);
        QFETCH(std::optional<QString>, expected);
        QCOMPARE(SearchService::displayName(hit), expected);
    }

    void results()
    {
        const QList<SearchResult> results = SearchService::results(
            {hit("005930.KS", "SamsungElec", "삼성전자(주)", "KSC", "KSE", "EQUITY", "Equity"),
             hit(nullptr, "No symbol", nullptr), hit("NVDA", "NVIDIA", nullptr, "NMS", nullptr, "EQUITY"),
             hit("X1", nullptr, nullptr)});
        QCOMPARE(results, (QList<SearchResult>{{u"005930.KS"_qs, u"삼성전자"_qs, u"KSE"_qs, u"Equity"_qs},
                                               {u"NVDA"_qs, u"NVIDIA"_qs, u"NMS"_qs, u"EQUITY"_qs},
                                               {u"X1"_qs, u"X1"_qs, QString(), QString()}}));
    }

    void koreanName()
    {
        const QList<SearchHit> hits{hit("005930.KS", "SamsungElec", "삼성전자(주)"),
                                    hit("NVDA", "NVIDIA", "NVIDIA Corp"), hit("NVDA", "엔비디아", nullptr)};
        QCOMPARE(SearchService::koreanName(hits, u"005930.KS"_qs), text("삼성전자"));
        // Exactly that symbol, first hit only: English names give nothing.
        QCOMPARE(SearchService::koreanName(hits, u"NVDA"_qs), std::nullopt);
        QCOMPARE(SearchService::koreanName(hits, u"005930.ks"_qs), std::nullopt);
        QCOMPARE(SearchService::koreanName(hits, u"000660.KS"_qs), std::nullopt);
    }

    void search()
    {
        const auto results = QCoro::waitFor(SearchService::search(m_yahoo, u" \n005930.KS\t "_qs));
        QCOMPARE(results.value(0), (SearchResult{u"005930.KS"_qs, u"삼성전자"_qs, u"KSE"_qs, u"Equity"_qs}));
        QCOMPARE(m_server.requests().last().query(QUrl::FullyEncoded),
                 u"q=005930.KS&quotesCount=10&newsCount=0&lang=ko-KR&region=KR"_qs);
        // A blank query sends nothing.
        m_server.clearRequests();
        QCOMPARE(QCoro::waitFor(SearchService::search(m_yahoo, u" \n\t"_qs)), QList<SearchResult>());
        QCOMPARE(m_server.requestCount(), 0);
        QVERIFY(!QCoro::waitFor(NewsService::fetch(m_yahoo, u"NVDA"_qs)).isEmpty());
        QCOMPARE(m_server.requests().last().query(QUrl::FullyEncoded),
                 u"q=NVDA&quotesCount=0&newsCount=12"_qs);
    }

    void historyOfEachRange_data()
    {
        QTest::addColumn<ChartRange>("range");
        QTest::addColumn<QString>("query");
        QTest::newRow("1d") << ChartRange::oneDay << u"range=1d&interval=5m"_qs;
        QTest::newRow("5d") << ChartRange::fiveDays << u"range=5d&interval=15m"_qs;
        QTest::newRow("1mo") << ChartRange::oneMonth << u"range=1mo&interval=1h"_qs;
        QTest::newRow("3mo") << ChartRange::threeMonths << u"range=3mo&interval=1d&events=div%2Csplits"_qs;
        QTest::newRow("6mo") << ChartRange::sixMonths << u"range=6mo&interval=1d&events=div%2Csplits"_qs;
        QTest::newRow("1y") << ChartRange::oneYear << u"range=1y&interval=1d&events=div%2Csplits"_qs;
        QTest::newRow("5y") << ChartRange::fiveYears << u"range=5y&interval=1wk&events=div%2Csplits"_qs;
    }

    void historyOfEachRange()
    {
        QFETCH(ChartRange, range);
        QFETCH(QString, query);
        const History history = QCoro::waitFor(HistoryService::fetch(m_yahoo, u"^KS11"_qs, range));
        QVERIFY(!history.candles.isEmpty());
        QCOMPARE(m_server.requests().last().query(QUrl::FullyEncoded), query);
    }

private:
    FakeServer m_server;
    bool m_listening = m_server.listen();
    YahooClient m_yahoo{m_server.origin()};
};

QTEST_GUILESS_MAIN(MarketServicesTest)
#include "MarketServicesTest.moc"
