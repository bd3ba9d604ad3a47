// virel-fuzz-seeds DIR: writes the seed corpus of every fuzz target into DIR/<target>/. The seeds are
// the real answers of the in-process fake market and fake service, each also cut short and with one
// member retyped (as the fault injector damages them), and the stored forms of the application's
// lists.

#include "account/PendingOp.h"
#include "fakemarket/FakeServer.h"
#include "fakemarket/FakeService.h"
#include "market/History.h"
#include "model/AlertRule.h"
#include "platform/HttpClient.h"
#include "state/AppState.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>
#include <qcoro/qcorotask.h>

using namespace virel;
using namespace Qt::StringLiterals;
using fake::Fault;

namespace {

class SeedWriter
{
public:
    SeedWriter(QDir root, QUrl origin) : m_root(std::move(root)), m_origin(std::move(origin)) {}

    // The answer to `path?query`: a GET, or a POST of `json` when one is given.
    QByteArray fetch(const QString& path, const QString& query = {},
                     const std::optional<QJsonObject>& json = {}, const QString& token = {})
    {
        QUrl url = m_origin;
        url.setPath(path);
        url.setQuery(query);
        QNetworkRequest request = m_http.makeRequest(url);
        if (!token.isEmpty()) {
            request.setRawHeader("Authorization", "Bearer " + token.toUtf8());
        }
        if (!json) {
            return QCoro::waitFor(m_http.send(request, "GET")).body;
        }
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        return QCoro::waitFor(
                   m_http.send(request, "POST", QJsonDocument(*json).toJson(QJsonDocument::Compact)))
            .body;
    }

    // `body` as it is, cut short, and with `wrongTypePath` (empty: the first member) retyped.
    bool writeWithDamage(const QString& target, const QString& name, const QByteArray& body,
                         const QString& wrongTypePath = {})
    {
        return write(target, name, body) &&
               write(target, name + u".truncated", Fault::truncated().applyTo(body, {})) &&
               write(target, name + u".wrongtype", Fault::wrongType().applyTo(body, wrongTypePath));
    }

    bool write(const QString& target, QString name, const QByteArray& body)
    {
        QFile file(m_root.filePath(
            target + u'/' + name.replace(QRegularExpression(u"[^A-Za-z0-9._-]"_s), u"_"_s) + u".json"));
        ++m_count;
        return m_root.mkpath(target) && file.open(QIODevice::WriteOnly) && file.write(body) == body.size();
    }

    int count() const { return m_count; }

private:
    QDir m_root;
    QUrl m_origin;
    HttpClient m_http{{QByteArrayLiteral("virel-fuzz-seeds")}};
    int m_count = 0;
};

bool writeMarketSeeds(SeedWriter& out)
{
    const QString chart = fake::FakeServer::chartPath;
    const QString search = fake::FakeServer::searchPath;
    bool ok = true;
    for (const QString& symbol :
         {u"NVDA"_s, u"005930.KS"_s, u"^KS11"_s, u"KRW=X"_s, u"BTC-USD"_s, u"GC=F"_s, u"NOSUCH1"_s}) {
        ok = ok && out.writeWithDamage(u"ChartQuoteFuzzer"_s, symbol,
                                       out.fetch(chart + symbol, u"range=1d&interval=5m"_s),
                                       u"chart.result.0.meta.regularMarketPrice"_s);
    }
    for (const QString& symbol : {u"NVDA"_s, u"AAPL"_s, u"005930.KS"_s}) {
        for (const ChartRange range : ChartRanges::all) {
            const auto p = ChartRanges::parameters(range);
            const QString query =
                u"range="_s + p.range + u"&interval=" + p.interval + (p.events ? u"&events=div,splits" : u"");
            ok = ok && out.writeWithDamage(u"ChartHistoryFuzzer"_s, symbol + u'-' + p.range,
                                           out.fetch(chart + symbol, query), u"chart.result.0.timestamp"_s);
        }
    }
    for (const QString& text : {u"삼성"_s, u"NVDA"_s, u"kospi"_s, u"카카오"_s, u"zzzz"_s}) {
        ok = ok && out.writeWithDamage(u"SearchFuzzer"_s, text,
                                       out.fetch(search, u"q="_s + text + u"&quotesCount=10&newsCount=0"),
                                       u"quotes"_s);
    }
    for (const QString& symbol : {u"NVDA"_s, u"AAPL"_s, u"TSLA"_s, u"005930.KS"_s}) {
        ok = ok && out.writeWithDamage(u"NewsFuzzer"_s, symbol,
                                       out.fetch(search, u"q="_s + symbol + u"&quotesCount=0&newsCount=12"),
                                       u"news"_s);
    }
    return ok;
}

bool writeServiceSeeds(SeedWriter& out, fake::FakeService& service)
{
    const auto seed = [&](const QString& name, const QByteArray& body) {
        return out.writeWithDamage(u"ServiceRepliesFuzzer"_s, name, body);
    };
    const QString poll = u"/api/mac/device/poll"_s;
    const QByteArray started = out.fetch(u"/api/mac/device/start"_s, {}, QJsonObject());
    const QJsonObject start = QJsonDocument::fromJson(started).object();
    const QJsonObject pollBody{{u"device_code"_s, start.value(u"device_code")},
                               {u"device_name"_s, u"seed"_s}};
    bool ok = seed(u"device-start"_s, started) &&
              seed(u"device-poll-pending"_s, out.fetch(poll, {}, pollBody)) &&
              service.approve(start.value(u"user_code").toString(), u"kim@example.com"_s) &&
              seed(u"device-poll-approved"_s, out.fetch(poll, {}, pollBody)) &&
              seed(u"device-poll-unknown"_s, out.fetch(poll, {}, QJsonObject{{u"device_code"_s, u"nope"_s}}));

    const QString token = service.issueToken(u"kim@example.com"_s);
    QList<fake::FakeService::Entry> entries;
    for (const QString& ticker : {u"005930"_s, u"NVDA"_s, u"035720"_s, u"BRK.B"_s}) {
        if (const auto entry = fake::FakeService::catalogueEntry(ticker)) {
            entries.append(*entry);
        }
    }
    service.setWatchlist(token, entries);
    const QString watchlist = u"/api/mac/watchlist"_s;
    const auto edit = [&](const QString& ticker) {
        return out.fetch(watchlist, {}, QJsonObject{{u"ticker"_s, ticker}, {u"action"_s, u"add"_s}}, token);
    };
    return ok && seed(u"me"_s, out.fetch(u"/api/mac/me"_s, {}, {}, token)) &&
           seed(u"unauthorized"_s, out.fetch(u"/api/mac/me"_s)) &&
           seed(u"web-session"_s, out.fetch(u"/api/mac/web-session"_s, {},
                                            QJsonObject{{u"redirect"_s, u"/symbol/NVDA"_s}}, token)) &&
           seed(u"watchlist"_s, out.fetch(watchlist, {}, {}, token)) &&
           seed(u"watchlist-add"_s, edit(u"AAPL"_s)) && seed(u"watchlist-unknown"_s, edit(u"ZZZZ9"_s)) &&
           seed(u"token-revoke"_s, out.fetch(u"/api/mac/token/revoke"_s, {}, QJsonObject(), token));
}

bool writeStoredSeeds(SeedWriter& out)
{
    const QString target = u"StoredListsFuzzer"_s;
    AlertRule rule;
    rule.symbol = u"005930.KS"_s;
    rule.name = u"삼성전자"_s;
    rule.direction = AlertRule::Direction::below;
    rule.threshold = 70000.5;
    const QList<PendingOp> ops{{PendingOp::Action::add, u"BRK.B"_s, u"BRK-B"_s},
                               {PendingOp::Action::remove, u"005930"_s, u"005930.KS"_s}};
    return out.write(target, u"market"_s,
                     WatchItem::encodeList(AppState::defaultItems(DisplayMode::market))) &&
           out.write(target, u"watchlist"_s,
                     WatchItem::encodeList(AppState::defaultItems(DisplayMode::watchlist))) &&
           out.write(target, u"pending"_s, PendingOp::encodeList(ops)) &&
           out.write(target, u"alerts"_s, AlertRule::encodeList({rule})) &&
           out.write(target, u"empty"_s, QByteArrayLiteral("[]"));
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
    SeedWriter out(QDir(app.arguments().at(1)), server.origin());
    if (!writeMarketSeeds(out) || !writeServiceSeeds(out, service) || !writeStoredSeeds(out)) {
        err << "virel-fuzz-seeds: could not write every seed into " << app.arguments().at(1) << '\n';
        return 1;
    }
    QTextStream(stdout) << "virel-fuzz-seeds: " << out.count() << " seeds in " << app.arguments().at(1)
                        << '\n';
    return 0;
}
