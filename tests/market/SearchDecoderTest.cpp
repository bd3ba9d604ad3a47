#include "market/SearchDecoder.h"

#include <QTest>

using namespace virel;
using SearchDecoder::SearchHit;

namespace {
// JSON written with single quotes, which read better inside C++ literals.
QByteArray json(const char* text)
{
    return QByteArray(text).replace('\'', '"');
}
} // namespace

class SearchDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void hits()
    {
        const auto hits = SearchDecoder::decodeSearchHits(json(
            "{ "
            "'explains': [], 'count': 2, "
            "'quotes': [ "
            "{'exchange': 'KSC', 'shortname': 'SamsungElec', 'quoteType': 'EQUITY', 'symbol': '005930.KS', "
            "'index': 'quotes', 'score': 20000.0, 'typeDisp': 'Equity', 'longname': '삼성전자(주)', "
            "'exchDisp': 'KSE', 'isYahooFinance': true}, "
            "{'symbol': 'NVDA', 'shortname': null} "
            "], "
            "'news': [{'title': 5}], 'nav': [], 'totalTime': 12 "
            "}"));
        QVERIFY(hits);
        QCOMPARE(hits->size(), 2);
        const SearchHit& first = hits->at(0);
        QCOMPARE(first.symbol, u"005930.KS"_qs);
        QCOMPARE(first.shortname, u"SamsungElec"_qs);
        QCOMPARE(first.longname, u"삼성전자(주)"_qs);
        QCOMPARE(first.exchange, u"KSC"_qs);
        QCOMPARE(first.exchDisp, u"KSE"_qs);
        QCOMPARE(first.quoteType, u"EQUITY"_qs);
        QCOMPARE(first.typeDisp, u"Equity"_qs);
        QCOMPARE(hits->at(1).shortname, std::nullopt);
        QCOMPARE(hits->at(1).exchange, std::nullopt);
    }

    void hitsAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("hits"); // -1: undecodable
        QTest::newRow("no quotes") << json("{'news': []}") << 0;
        QTest::newRow("quotes null") << json("{'quotes': null}") << 0;
        QTest::newRow("hit without symbol") << json("{'quotes': [{'shortname': 'X'}]}") << 1;
        QTest::newRow("quotes as object") << json("{'quotes': {}}") << -1;
        QTest::newRow("hit as text") << json("{'quotes': ['NVDA']}") << -1;
        QTest::newRow("hit null") << json("{'quotes': [null]}") << -1;
        QTest::newRow("symbol as number") << json("{'quotes': [{'symbol': 5930}]}") << -1;
        QTest::newRow("typeDisp as bool") << json("{'quotes': [{'symbol': 'A', 'typeDisp': true}]}") << -1;
        QTest::newRow("not JSON") << QByteArray("Too Many Requests") << -1;
        QTest::newRow("top-level array") << QByteArray("[]") << -1;
    }

    void hitsAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, hits);
        const auto decoded = SearchDecoder::decodeSearchHits(answer);
        QCOMPARE(decoded ? static_cast<int>(decoded->size()) : -1, hits);
    }

    void news()
    {
        const auto news = SearchDecoder::decodeNews(json(
            "{ "
            "'quotes': [{'symbol': 5}], "
            "'news': [ "
            "{'uuid': 'a', 'title': 'Older', 'publisher': 'Reuters', 'link': 'https://example.com/older', "
            "'providerPublishTime': 1714555800, 'type': 'STORY'}, "
            "{'title': 'Title only'}, "
            "{'publisher': 'No title', 'providerPublishTime': 1714600000}, "
            "{'title': 'Newest', 'publisher': null, 'link': 'http://example.com/a', "
            "'providerPublishTime': 1714600000}, "
            "{'title': 'Bad link', 'link': 'not a url', 'providerPublishTime': 1714555800}, "
            "{'title': 'Script link', 'link': 'javascript:alert(1)', 'providerPublishTime': 1714555800} "
            "] "
            "}"));
        QVERIFY(news);
        QStringList titles;
        for (const NewsItem& item : *news) {
            titles.append(item.title);
        }
        // Newest first; equal times keep the answer's order; the untitled entry is dropped.
        QCOMPARE(titles, (QStringList{u"Newest"_qs, u"Older"_qs, u"Bad link"_qs, u"Script link"_qs,
                                      u"Title only"_qs}));
        const NewsItem& older = news->at(1);
        QCOMPARE(older.publisher, u"Reuters"_qs);
        QCOMPARE(older.url, QUrl(u"https://example.com/older"_qs));
        QCOMPARE(older.id(), u"Older2024-05-01 09:30:00 +0000"_qs);
        QCOMPARE(news->at(0).publisher, QString());
        QVERIFY(news->at(0).url);
        QCOMPARE(news->at(2).url, std::nullopt);
        QCOMPARE(news->at(3).url, std::nullopt);
        const NewsItem& titleOnly = news->at(4);
        QCOMPARE(titleOnly.publisher, QString());
        QCOMPARE(titleOnly.publishedAt, QDateTime::fromSecsSinceEpoch(0, Qt::UTC));
        QCOMPARE(titleOnly.url, std::nullopt);
        QCOMPARE(titleOnly.id(), u"Title only1970-01-01 00:00:00 +0000"_qs);
    }

    void newsAnswers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("items"); // -1: undecodable
        QTest::newRow("no news") << json("{'quotes': []}") << 0;
        QTest::newRow("news null") << json("{'news': null}") << 0;
        QTest::newRow("quotes not read") << json("{'quotes': 5, 'news': [{'title': 'A'}]}") << 1;
        QTest::newRow("title as number") << json("{'news': [{'title': 5}]}") << -1;
        QTest::newRow("link as object") << json("{'news': [{'title': 'A', 'link': {}}]}") << -1;
        QTest::newRow("time as text")
            << json("{'news': [{'title': 'A', 'providerPublishTime': '1714555800'}]}") << -1;
        QTest::newRow("fractional time")
            << json("{'news': [{'title': 'A', 'providerPublishTime': 1714555800.5}]}") << -1;
        QTest::newRow("news as object") << json("{'news': {}}") << -1;
        QTest::newRow("truncated") << json("{'news': [{'title': 'A'") << -1;
    }

    void newsAnswers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, items);
        const auto decoded = SearchDecoder::decodeNews(answer);
        QCOMPARE(decoded ? static_cast<int>(decoded->size()) : -1, items);
    }
};

QTEST_GUILESS_MAIN(SearchDecoderTest)
#include "SearchDecoderTest.moc"
