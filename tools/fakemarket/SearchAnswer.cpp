#include "fakemarket/SearchAnswer.h"

#include "fakemarket/Catalogue.h"

#include <QJsonArray>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace virel::fake::SearchAnswer {
namespace {

int count(const QUrlQuery& query, const QString& key, int fallback)
{
    bool ok = false;
    const int value = query.queryItemValue(key).toInt(&ok);
    return ok ? std::clamp(value, 0, 100) : fallback;
}

void insertIfAny(QJsonObject& object, const QString& key, const QString& value)
{
    if (!value.isEmpty())
        object.insert(key, value);
}

QJsonObject hit(const Security& s, int rank)
{
    QJsonObject h{
        {u"exchange"_s, s.exchange}, {u"quoteType"_s, s.quoteType},        {u"symbol"_s, s.symbol},
        {u"index"_s, u"quotes"_s},   {u"score"_s, 20000.0 - 100.0 * rank}, {u"typeDisp"_s, s.typeDisp},
        {u"exchDisp"_s, s.exchDisp}, {u"isYahooFinance"_s, true}};
    insertIfAny(h, u"shortname"_s, s.shortName);
    insertIfAny(h, u"longname"_s, s.longName);
    return h;
}

QJsonObject newsItem(const NewsStory& story, const QDateTime& now)
{
    QJsonObject item{{u"uuid"_s, story.uuid},
                     {u"title"_s, story.title},
                     {u"providerPublishTime"_s, now.toSecsSinceEpoch() - story.ageSeconds},
                     {u"type"_s, u"STORY"_s},
                     {u"relatedTickers"_s, QJsonArray::fromStringList(story.symbols)}};
    insertIfAny(item, u"publisher"_s, story.publisher);
    insertIfAny(item, u"link"_s, story.link);
    return item;
}

} // namespace

JsonAnswer make(const QUrlQuery& query, const QDateTime& now)
{
    if (!query.hasQueryItem(u"q"_s)) {
        const QJsonObject error{{u"code"_s, u"Bad Request"_s},
                                {u"description"_s, u"Missing required query parameter=q"_s}};
        return {400, QJsonObject{
                         {u"finance"_s, QJsonObject{{u"result"_s, QJsonValue::Null}, {u"error"_s, error}}}}};
    }
    const QList<const Security*> found = Catalogue::search(query.queryItemValue(u"q"_s, QUrl::FullyDecoded));
    const int quotesCount = count(query, u"quotesCount"_s, 10);
    const int newsCount = count(query, u"newsCount"_s, 0);

    QJsonArray quotes;
    QStringList symbols;
    for (const Security* s : found) {
        symbols.append(s->symbol);
        if (quotes.size() < quotesCount)
            quotes.append(hit(*s, static_cast<int>(quotes.size())));
    }
    QJsonArray news;
    for (const NewsStory* story : Catalogue::newsAbout(symbols)) {
        if (news.size() >= newsCount)
            break;
        news.append(newsItem(*story, now));
    }
    return {200, QJsonObject{{u"explains"_s, QJsonArray()},
                             {u"count"_s, quotes.size()},
                             {u"quotes"_s, quotes},
                             {u"news"_s, news},
                             {u"nav"_s, QJsonArray()},
                             {u"lists"_s, QJsonArray()},
                             {u"researchReports"_s, QJsonArray()},
                             {u"totalTime"_s, 21},
                             {u"timeTakenForQuotes"_s, 12},
                             {u"timeTakenForNews"_s, 6}}};
}

} // namespace virel::fake::SearchAnswer
