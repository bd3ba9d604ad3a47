// virel-fuzz-seeds DIR: writes the seed corpus of every fuzz target into DIR/<target>/. The seeds are
// the real answers of the in-process fake market and fake service, each also cut short and with one
// member retyped (as the fault injector damages them), and the stored forms of the application's
// lists.

#include "account/PendingOp.h"
#include "fakemarket/FakeServer.h"
#include "fakemarket/FakeService.h"
#include "market/History.h"
#include "model/AlertRule.h"
#include "state/AppState.h"
#include "platform/HttpClient.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTextStream>
#include <QUrlQuery>
#include <qcoro/qcorotask.h>

using namespace virel;
using fake::Fault;

namespace {

const char* const kChartSymbols[] = {"NVDA", "005930.KS", "^KS11", "KRW=X", "BTC-USD", "GC=F", "NOSUCH1"};
const char* const kHistorySymbols[] = {"NVDA", "AAPL", "005930.KS"};
const char* const kSearchQueries[] = {"삼성", "NVDA", "kospi", "카카오", "zzzz"};
const char* const kNewsSymbols[] = {"NVDA", "AAPL", "TSLA", "005930.KS"};

class SeedWriter
{
public:
    explicit SeedWriter(QDir root) : m_root(std::move(root)) {}

    // `body` as it is, cut short, and with `wrongTypePath` (empty: the first member) retyped.
    bool writeWithDamage(const QString& target, const QString& name, const QByteArray& body,
                         const QString& wrongTypePath = {})
    {
        return write(target, name, body) &&
               write(target, name + u".truncated", Fault::truncated().applyTo(body, {})) &&
               write(target, name + u".wrongtype", Fault::wrongType().applyTo(body, wrongTypePath));
    }

    bool write(const QString& target, const QString& name, const QByteArray& body)
    {
        if (!m_root.mkpath(target)) {
            return false;
        }
        QString fileName = name;
        fileName.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
        QFile file(m_root.filePath(target + u'/' + fileName + u".json"));
        if (!file.open(QIODevice::WriteOnly) || file.write(body) != body.size()) {
            return false;
        }
        ++m_count;
        return true;
    }

    int count() const { return m_count; }

private:
    QDir m_root;
    int m_count = 0;
};

class Fetcher
{
public:
    explicit Fetcher(QUrl origin)
        : m_origin(std::move(origin)), m_http({QByteArrayLiteral("virel-fuzz-seeds")})
    {}

    QByteArray get(const QString& path, const QUrlQuery& query = {}, const QString& token = {})
    {
        return send("GET", path, query, {}, token);
    }

    QByteArray post(const QString& path, const QJsonObject& json = {}, const QString& token = {})
    {
        return send("POST", path, {}, QJsonDocument(json).toJson(QJsonDocument::Compact), token);
    }

private:
    QByteArray send(const QByteArray& method, const QString& path, const QUrlQuery& query,
                    const QByteArray& body, const QString& token)
    {
        QUrl url = m_origin;
        url.setPath(path);
        url.setQuery(query);
        QNetworkRequest request = m_http.makeRequest(url);
        if (!token.isEmpty()) {
            request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
        }
        if (!body.isEmpty()) {
            request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        }
        return QCoro::waitFor(m_http.send(request, method, body)).body;
    }

    QUrl m_origin;
    HttpClient m_http;
};

QUrlQuery chartQuery(const QString& range, const QString& interval, bool events)
{
    QUrlQuery query{{QStringLiteral("range"), range}, {QStringLiteral("interval"), interval}};
    if (events) {
        query.addQueryItem(QStringLiteral("events"), QStringLiteral("div,splits"));
    }
    return query;
}

QUrlQuery searchQuery(const QString& text, int quotes, int news)
{
    return QUrlQuery{{QStringLiteral("q"), text},
                     {QStringLiteral("quotesCount"), QString::number(quotes)},
                     {QStringLiteral("newsCount"), QString::number(news)}};
}

bool writeMarketSeeds(SeedWriter& out, Fetcher& market)
{
    const QString chart = fake::FakeServer::chartPath;
    const QString price = QStringLiteral("chart.result.0.meta.regularMarketPrice");
    bool ok = true;
    for (const char* symbol : kChartSymbols) {
        const QString name = QString::fromUtf8(symbol);
        ok = ok && out.writeWithDamage(QStringLiteral("ChartQuoteFuzzer"), name,
                                       market.get(chart + name, chartQuery(QStringLiteral("1d"),
                                                                           QStringLiteral("5m"), false)),
                                       price);
    }
    for (const char* symbol : kHistorySymbols) {
        for (const ChartRange range : ChartRanges::all) {
            const auto parameters = ChartRanges::parameters(range);
            const QString name = QString::fromUtf8(symbol);
            ok = ok && out.writeWithDamage(
                           QStringLiteral("ChartHistoryFuzzer"), name + u'-' + parameters.range,
                           market.get(chart + name,
                                      chartQuery(parameters.range, parameters.interval, parameters.events)),
                           QStringLiteral("chart.result.0.timestamp"));
        }
    }
    const QString search = fake::FakeServer::searchPath;
    for (const char* text : kSearchQueries) {
        const QString query = QString::fromUtf8(text);
        ok = ok &&
             out.writeWithDamage(QStringLiteral("SearchFuzzer"), query,
                                 market.get(search, searchQuery(query, 10, 0)), QStringLiteral("quotes"));
    }
    for (const char* symbol : kNewsSymbols) {
        const QString name = QString::fromUtf8(symbol);
        ok = ok && out.writeWithDamage(QStringLiteral("NewsFuzzer"), name,
                                       market.get(search, searchQuery(name, 0, 12)), QStringLiteral("news"));
    }
    return ok;
}

bool writeServiceSeeds(SeedWriter& out, Fetcher& api, fake::FakeService& service)
{
    const QString target = QStringLiteral("ServiceRepliesFuzzer");
    const auto seed = [&](const QString& name, const QByteArray& body) {
        return out.writeWithDamage(target, name, body);
    };
    const QByteArray started = api.post(QStringLiteral("/api/mac/device/start"));
    const QJsonObject start = QJsonDocument::fromJson(started).object();
    const QJsonObject pollBody{{QStringLiteral("device_code"), start.value(QStringLiteral("device_code"))},
                               {QStringLiteral("device_name"), QStringLiteral("seed")}};
    bool ok = seed(QStringLiteral("device-start"), started) &&
              seed(QStringLiteral("device-poll-pending"),
                   api.post(QStringLiteral("/api/mac/device/poll"), pollBody));
    ok = ok && service.approve(start.value(QStringLiteral("user_code")).toString(),
                               QStringLiteral("kim@example.com"));
    ok = ok &&
         seed(QStringLiteral("device-poll-approved"),
              api.post(QStringLiteral("/api/mac/device/poll"), pollBody)) &&
         seed(QStringLiteral("device-poll-unknown"),
              api.post(QStringLiteral("/api/mac/device/poll"),
                       {{QStringLiteral("device_code"), QStringLiteral("nope")}}));

    const QString token = service.issueToken(QStringLiteral("kim@example.com"));
    QList<fake::FakeService::Entry> entries;
    for (const char* ticker : {"005930", "NVDA", "035720", "BRK.B"}) {
        if (const auto entry = fake::FakeService::catalogueEntry(QString::fromUtf8(ticker))) {
            entries.append(*entry);
        }
    }
    service.setWatchlist(token, entries);
    const QString watchlist = QStringLiteral("/api/mac/watchlist");
    const auto edit = [&](const char* ticker) {
        return api.post(watchlist,
                        {{QStringLiteral("ticker"), QString::fromUtf8(ticker)},
                         {QStringLiteral("action"), QStringLiteral("add")}},
                        token);
    };
    return ok && seed(QStringLiteral("me"), api.get(QStringLiteral("/api/mac/me"), {}, token)) &&
           seed(QStringLiteral("unauthorized"), api.get(QStringLiteral("/api/mac/me"))) &&
           seed(QStringLiteral("web-session"),
                api.post(QStringLiteral("/api/mac/web-session"),
                         {{QStringLiteral("redirect"), QStringLiteral("/symbol/NVDA")}}, token)) &&
           seed(QStringLiteral("watchlist"), api.get(watchlist, {}, token)) &&
           seed(QStringLiteral("watchlist-add"), edit("AAPL")) &&
           seed(QStringLiteral("watchlist-unknown"), edit("ZZZZ9")) &&
           seed(QStringLiteral("token-revoke"), api.post(QStringLiteral("/api/mac/token/revoke"), {}, token));
}

bool writeStoredSeeds(SeedWriter& out)
{
    const QString target = QStringLiteral("StoredListsFuzzer");
    AlertRule rule;
    rule.symbol = QStringLiteral("005930.KS");
    rule.name = QStringLiteral("삼성전자");
    rule.direction = AlertRule::Direction::below;
    rule.threshold = 70000.5;
    const QList<PendingOp> ops{
        {PendingOp::Action::add, QStringLiteral("BRK.B"), QStringLiteral("BRK-B")},
        {PendingOp::Action::remove, QStringLiteral("005930"), QStringLiteral("005930.KS")}};
    return out.write(target, QStringLiteral("market"),
                     WatchItem::encodeList(AppState::defaultItems(DisplayMode::market))) &&
           out.write(target, QStringLiteral("watchlist"),
                     WatchItem::encodeList(AppState::defaultItems(DisplayMode::watchlist))) &&
           out.write(target, QStringLiteral("pending"), PendingOp::encodeList(ops)) &&
           out.write(target, QStringLiteral("alerts"), AlertRule::encodeList({rule})) &&
           out.write(target, QStringLiteral("empty"), QByteArrayLiteral("[]"));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    if (app.arguments().size() != 2) {
        err << "usage: virel-fuzz-seeds DIR\n";
        return 2;
    }
    fake::FakeServer server;
    fake::FakeService service(server);
    server.setNow(QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC));
    if (!server.listen()) {
        err << "virel-fuzz-seeds: cannot listen on 127.0.0.1\n";
        return 1;
    }
    SeedWriter out{QDir(app.arguments().at(1))};
    Fetcher fetcher(server.origin());
    if (!writeMarketSeeds(out, fetcher) || !writeServiceSeeds(out, fetcher, service) ||
        !writeStoredSeeds(out)) {
        err << "virel-fuzz-seeds: could not write every seed into " << app.arguments().at(1) << '\n';
        return 1;
    }
    QTextStream(stdout) << "virel-fuzz-seeds: " << out.count() << " seeds in " << app.arguments().at(1)
                        << '\n';
    return 0;
}
