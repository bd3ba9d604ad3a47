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

QStringList fields(const SearchHit& hit)
{
    QStringList out;
    for (const auto& field :
         {hit.symbol, hit.shortname, hit.longname, hit.exchange, hit.exchDisp, hit.quoteType, hit.typeDisp}) {
        out.append(field.value_or(u"-"_qs));
    }
    return out;
}

} // namespace

class SearchDecoderTest : public QObject
{
    Q_OBJECT

private slots:
    void hits()
    {
        const auto hits = SearchDecoder::decodeSearchHits(json(
            "{'explains': [], 'count': 2, 'quotes': [{'exchange': 'KSC', 'shortname': 'SamsungElec', "
            "'quoteType': 'EQUITY', 'symbol': '005930.KS', 'index': 'quotes', 'score': 20000.0, "
            "'typeDisp': 'Equity', 'longname': '삼성전자(주)', 'exchDisp': 'KSE', 'isYahooFinance': true}, "
            "{'symbol': 'NVDA', 'shortname': null}], 'news': [{'title': 5}], 'nav': [], 'totalTime': 12}"));
        QVERIFY(hits && hits->size() == 2);
        QCOMPARE(fields(hits->at(0)), (QStringList{u"005930.KS"_qs, u"SamsungElec"_qs, u"삼성전자(주)"_qs,
                                                   u"KSC"_qs, u"KSE"_qs, u"EQUITY"_qs, u"Equity"_qs}));
        QCOMPARE(fields(hits->at(1)),
                 (QStringList{u"NVDA"_qs, u"-"_qs, u"-"_qs, u"-"_qs, u"-"_qs, u"-"_qs, u"-"_qs}));
    }

    void news()
    {
        const auto news = SearchDecoder::decodeNews(json(
            "{'quotes': [{'symbol': 5}], 'news': ["
            "{'uuid': 'a', 'title': 'Older', 'publisher': 'Reuters', 'link': 'https://example.com/older', "
            "'providerPublishTime': 1714555800, 'type': 'STORY'}, {'title': 'Title only'}, "
            "{'publisher': 'No title', 'providerPublishTime': 1714600000}, {'title': 'Newest', "
            "'publisher': null, 'link': 'http://example.com/a', 'providerPublishTime': 1714600000}, "
            "{'title': 'Bad link', 'link': 'not a url', 'providerPublishTime': 1714555800}, "
            "{'title': 'Script link', 'link': 'javascript:alert(1)', 'providerPublishTime': 1714555800}]}"));
        // Newest first, ties in answer order; the untitled entry dropped; only web addresses kept.
        const QDateTime older = QDateTime::fromSecsSinceEpoch(1'714'555'800, Qt::UTC);
        const QDateTime never = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
        QVERIFY(news);
        QCOMPARE(*news,
                 (QList<NewsItem>{{u"Newest"_qs, {}, older.addSecs(44'200), QUrl(u"http://example.com/a"_qs)},
                                  {u"Older"_qs, u"Reuters"_qs, older, QUrl(u"https://example.com/older"_qs)},
                                  {u"Bad link"_qs, {}, older, std::nullopt},
                                  {u"Script link"_qs, {}, older, std::nullopt},
                                  {u"Title only"_qs, {}, never, std::nullopt}}));
        QCOMPARE(news->at(1).id(), u"Older2024-05-01 09:30:00 +0000"_qs);
        QCOMPARE(news->at(4).id(), u"Title only1970-01-01 00:00:00 +0000"_qs);
    }

    // Each answer read by both decoders: -1 is undecodable.
    void answers_data()
    {
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<int>("hits");
        QTest::addColumn<int>("news");
        QTest::newRow("neither list") << json("{'count': 0}") << 0 << 0;
        QTest::newRow("lists null") << json("{'quotes': null, 'news': null}") << 0 << 0;
        QTest::newRow("hit without symbol") << json("{'quotes': [{'shortname': 'X'}]}") << 1 << 0;
        QTest::newRow("quotes as object") << json("{'quotes': {}}") << -1 << 0;
        QTest::newRow("hit as text") << json("{'quotes': ['NVDA']}") << -1 << 0;
        QTest::newRow("hit null") << json("{'quotes': [null]}") << -1 << 0;
        QTest::newRow("symbol as number") << json("{'quotes': [{'symbol': 5930}]}") << -1 << 0;
        QTest::newRow("typeDisp bool") << json("{'quotes': [{'symbol': 'A', 'typeDisp': true}]}") << -1 << 0;
        QTest::newRow("each reads only its list")
            << json("{'quotes': 5, 'news': [{'title': 'A'}]}") << -1 << 1;
        QTest::newRow("title as number") << json("{'news': [{'title': 5}]}") << 0 << -1;
        QTest::newRow("link as object") << json("{'news': [{'title': 'A', 'link': {}}]}") << 0 << -1;
        QTest::newRow("time as text")
            << json("{'news': [{'title': 'A', 'providerPublishTime': '1714555800'}]}") << 0 << -1;
        QTest::newRow("fractional time")
            << json("{'news': [{'title': 'A', 'providerPublishTime': 1714555800.5}]}") << 0 << -1;
        QTest::newRow("news as object") << json("{'news': {}}") << 0 << -1;
        QTest::newRow("truncated") << json("{'news': [{'title': 'A'") << -1 << -1;
        QTest::newRow("not JSON") << QByteArray("Too Many Requests") << -1 << -1;
        QTest::newRow("top-level array") << QByteArray("[]") << -1 << -1;
    }

    void answers()
    {
        QFETCH(QByteArray, answer);
        QFETCH(int, hits);
        QFETCH(int, news);
        const auto decodedHits = SearchDecoder::decodeSearchHits(answer);
        const auto decodedNews = SearchDecoder::decodeNews(answer);
        QCOMPARE(decodedHits ? static_cast<int>(decodedHits->size()) : -1, hits);
        QCOMPARE(decodedNews ? static_cast<int>(decodedNews->size()) : -1, news);
    }
};

QTEST_GUILESS_MAIN(SearchDecoderTest)
#include "SearchDecoderTest.moc"
