// yahoo-decode: prints, as JSON, what the market decoders make of one saved Yahoo answer on stdin.

#include "market/ChartDecoder.h"
#include "market/SearchService.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <cstdio>

using namespace virel;

namespace {

constexpr char kUsage[] =
    "usage: yahoo-decode quote|history|search|news [SYMBOL] [--now UNIX_SECONDS]\n"
    "Reads one saved answer of the Yahoo chart (quote, history) or search (search, news) endpoint\n"
    "on stdin and prints what the decoders make of it as JSON. SYMBOL names the quote (default\n"
    "\"SYMBOL\"); --now fixes the time of the quote and of its session (default: now).\n";

struct Arguments
{
    QString kind;
    QString symbol = QStringLiteral("SYMBOL");
    QDateTime now = QDateTime::currentDateTimeUtc();
};

std::optional<Arguments> parse(QStringList args)
{
    Arguments parsed;
    const qsizetype nowAt = args.indexOf(QStringLiteral("--now"));
    if (nowAt >= 0) {
        bool ok = false;
        const qint64 seconds = args.value(nowAt + 1).toLongLong(&ok);
        if (!ok) {
            return std::nullopt;
        }
        parsed.now = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
        args.remove(nowAt, 2);
    }
    static const QStringList kinds{QStringLiteral("quote"), QStringLiteral("history"),
                                   QStringLiteral("search"), QStringLiteral("news")};
    if (args.isEmpty() || args.size() > 2 || !kinds.contains(args.first())) {
        return std::nullopt;
    }
    parsed.kind = args.first();
    if (args.size() == 2) {
        parsed.symbol = args.at(1);
    }
    return parsed;
}

QJsonValue quoteJson(const std::optional<Quote>& quote)
{
    if (!quote) {
        return QJsonValue::Null;
    }
    QJsonArray closes;
    for (double close : quote->closes) {
        closes.append(close);
    }
    return QJsonObject{{QStringLiteral("symbol"), quote->symbol},
                       {QStringLiteral("displayName"), quote->displayName},
                       {QStringLiteral("price"), quote->price},
                       {QStringLiteral("previousClose"), quote->previousClose},
                       {QStringLiteral("currency"), quote->currency},
                       {QStringLiteral("marketState"), MarketStates::rawText(quote->marketState)},
                       {QStringLiteral("closes"), closes}};
}

QJsonValue historyJson(const History& history)
{
    QJsonArray candles;
    for (const Candle& candle : history.candles) {
        candles.append(QJsonObject{{QStringLiteral("date"), candle.date.toSecsSinceEpoch()},
                                   {QStringLiteral("open"), candle.open},
                                   {QStringLiteral("high"), candle.high},
                                   {QStringLiteral("low"), candle.low},
                                   {QStringLiteral("close"), candle.close},
                                   {QStringLiteral("volume"), candle.volume}});
    }
    QJsonArray events;
    for (const CorporateEvent& event : history.events) {
        events.append(QJsonObject{{QStringLiteral("date"), event.date.toSecsSinceEpoch()},
                                  {QStringLiteral("kind"), CorporateEvent::kindLabel(event.kind)},
                                  {QStringLiteral("detail"), event.detail}});
    }
    return QJsonObject{{QStringLiteral("candles"), candles}, {QStringLiteral("events"), events}};
}

QJsonValue searchJson(const QList<SearchResult>& results)
{
    QJsonArray array;
    for (const SearchResult& result : results) {
        array.append(QJsonObject{{QStringLiteral("symbol"), result.symbol},
                                 {QStringLiteral("name"), result.name},
                                 {QStringLiteral("exchange"), result.exchange},
                                 {QStringLiteral("type"), result.type}});
    }
    return array;
}

QJsonValue newsJson(const QList<NewsItem>& items)
{
    QJsonArray array;
    for (const NewsItem& item : items) {
        array.append(
            QJsonObject{{QStringLiteral("title"), item.title},
                        {QStringLiteral("publisher"), item.publisher},
                        {QStringLiteral("publishedAt"), item.publishedAt.toSecsSinceEpoch()},
                        {QStringLiteral("url"),
                         item.url ? QJsonValue(item.url->toString(QUrl::FullyEncoded)) : QJsonValue()}});
    }
    return array;
}

QJsonValue decode(const Arguments& args, const QByteArray& body)
{
    if (args.kind == u"quote") {
        return quoteJson(ChartDecoder::decodeQuote(body, WatchItem{args.symbol, args.symbol}, args.now));
    }
    if (args.kind == u"history") {
        return historyJson(ChartDecoder::decodeHistory(body));
    }
    if (args.kind == u"search") {
        const auto hits = SearchDecoder::decodeSearchHits(body);
        return searchJson(SearchService::results(hits.value_or(QList<SearchDecoder::SearchHit>{})));
    }
    return newsJson(SearchDecoder::decodeNews(body).value_or(QList<NewsItem>{}));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    const auto parsed = parse(args);
    if (!parsed) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        std::fputs("yahoo-decode: cannot read stdin\n", stderr);
        return 1;
    }
    const QJsonValue output = decode(*parsed, input.readAll());
    // QJsonDocument holds only arrays and objects; a missing quote is written as the literal null.
    const QByteArray text = output.isNull() ? QByteArrayLiteral("null\n")
                            : output.isArray()
                                ? QJsonDocument(output.toArray()).toJson(QJsonDocument::Indented)
                                : QJsonDocument(output.toObject()).toJson(QJsonDocument::Indented);
    std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout);
    return 0;
}
