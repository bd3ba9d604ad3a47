#include "fakemarket/FakeService.h"

#include "fakemarket/FakeServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QUrlQuery>

using namespace Qt::StringLiterals;

namespace virel::fake {
namespace {

const QString kApi = u"/api/mac"_s;
const auto kSessionCookie = "virel_session"_ba;

using Status = QHttpServerResponse::StatusCode;

QHttpServerResponse json(const QJsonObject& body, int status = 200)
{
    return {body, static_cast<Status>(status)};
}

QHttpServerResponse error(const QString& code, int status)
{
    return json({{u"error"_s, code}}, status);
}

QHttpServerResponse ok()
{
    return json({{u"ok"_s, true}});
}

QHttpServerResponse page(const QString& title, const QString& body, int status = 200)
{
    const QString html = u"<!doctype html>\n<html lang=\"ko\"><head><meta charset=\"utf-8\"><title>"_s +
                         title.toHtmlEscaped() +
                         u"</title><style>body{font-family:sans-serif;margin:2em}form{margin:.5em 0}"
                         u"code{font-size:1.4em;margin-right:1em}</style></head><body><h1>"_s +
                         title.toHtmlEscaped() + u"</h1>\n"_s + body + u"\n</body></html>\n"_s;
    return {"text/html; charset=utf-8"_ba, html.toUtf8(), static_cast<Status>(status)};
}

QByteArray header(const QHttpServerRequest& request, const QByteArray& name)
{
    for (const auto& [key, value] : request.headers()) {
        if (key.compare(name, Qt::CaseInsensitive) == 0) {
            return value;
        }
    }
    return {};
}

QString cookie(const QHttpServerRequest& request, const QByteArray& name)
{
    for (const QByteArray& part : header(request, "Cookie"_ba).split(';')) {
        const QByteArray pair = part.trimmed();
        if (pair.startsWith(QByteArray(name + '='))) {
            return QString::fromUtf8(pair.mid(name.size() + 1));
        }
    }
    return {};
}

QJsonObject bodyObject(const QHttpServerRequest& request)
{
    return QJsonDocument::fromJson(request.body()).object();
}

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET"_ba;
    case QHttpServerRequest::Method::Post:
        return "POST"_ba;
    default:
        return "OTHER"_ba;
    }
}

FakeService::Entry entryFromJson(const QJsonObject& object)
{
    return {object.value(u"ticker"_s).toString(), object.value(u"name"_s).toString(),
            object.value(u"name_ko"_s).toString(), object.value(u"exchange"_s).toString()};
}

QJsonObject toJson(const FakeService::Entry& entry)
{
    QJsonObject object{{u"ticker"_s, entry.ticker}};
    const std::pair<QString, QString> optional[] = {
        {u"name"_s, entry.name}, {u"name_ko"_s, entry.nameKo}, {u"exchange"_s, entry.exchange}};
    for (const auto& [key, value] : optional) {
        if (!value.isEmpty()) {
            object.insert(key, value);
        }
    }
    return object;
}

// Known tickers in server form: Korean listings by their bare code, share classes with a dot.
const QList<FakeService::Entry>& catalogue()
{
    static const QList<FakeService::Entry> entries{
        {u"005930"_s, u"Samsung Electronics"_s, u"삼성전자"_s, u"KOSPI"_s},
        {u"000660"_s, u"SK hynix"_s, u"SK하이닉스"_s, u"KOSPI"_s},
        {u"035420"_s, u"NAVER"_s, u"네이버"_s, u"KOSPI"_s},
        {u"035720"_s, u"Kakao"_s, u"카카오"_s, u"KOSPI"_s},
        {u"247540"_s, u"EcoPro BM"_s, u"에코프로비엠"_s, u"KOSDAQ"_s},
        {u"091990"_s, u"Celltrion Healthcare"_s, u"셀트리온헬스케어"_s, u"KOSDAQ Global"_s},
        {u"NVDA"_s, u"NVIDIA Corporation"_s, {}, u"NASDAQ"_s},
        {u"AAPL"_s, u"Apple Inc."_s, {}, u"NASDAQ"_s},
        {u"MSFT"_s, u"Microsoft Corporation"_s, {}, u"NASDAQ"_s},
        {u"TSLA"_s, u"Tesla, Inc."_s, {}, u"NASDAQ"_s},
        {u"AMD"_s, u"Advanced Micro Devices, Inc."_s, {}, u"NASDAQ"_s},
        {u"COIN"_s, u"Coinbase Global, Inc."_s, {}, u"NASDAQ"_s},
        {u"BRK.B"_s, u"Berkshire Hathaway Inc."_s, {}, u"NYSE"_s},
        {u"^KS11"_s, u"KOSPI Composite Index"_s, u"코스피"_s, {}},
        {u"^KQ11"_s, u"KOSDAQ Composite Index"_s, u"코스닥"_s, {}},
        {u"^GSPC"_s, u"S&P 500"_s, {}, {}},
        {u"^IXIC"_s, u"NASDAQ Composite"_s, {}, {}},
        {u"KRW=X"_s, u"USD/KRW"_s, u"원/달러 환율"_s, {}},
        {u"BTC-USD"_s, u"Bitcoin USD"_s, {}, {}},
        {u"CL=F"_s, u"Crude Oil"_s, {}, {}},
        {u"GC=F"_s, u"Gold"_s, {}, {}},
    };
    return entries;
}

} // namespace

FakeService::FakeService(FakeServer& server, QObject* parent) : QObject(parent), m_server(server)
{
    addApiRoutes();
    addPageRoutes();
}

// Controls ---------------------------------------------------------------------------------------

QStringList FakeService::pendingUserCodes() const
{
    QStringList codes;
    const QDateTime now = m_server.now();
    for (const DeviceCode& code : m_codes) {
        if (code.approvedEmail.isEmpty() && now < code.expiresAt) {
            codes.append(code.userCode);
        }
    }
    return codes;
}

bool FakeService::approve(const QString& userCode, const QString& email)
{
    const QDateTime now = m_server.now();
    for (DeviceCode& code : m_codes) {
        if (code.userCode == userCode.trimmed().toUpper() && code.approvedEmail.isEmpty() &&
            now < code.expiresAt) {
            code.approvedEmail = email;
            emit approved(code.userCode);
            return true;
        }
    }
    return false;
}

void FakeService::setCodeLifetime(int seconds)
{
    m_codeLifetime = seconds;
}

void FakeService::keepAccountsIn(const QString& path)
{
    m_accountsFile = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QJsonObject accounts = QJsonDocument::fromJson(file.readAll()).object();
    const QJsonObject tokens = accounts.value(u"tokens"_s).toObject();
    for (auto it = tokens.begin(); it != tokens.end(); ++it) {
        m_emails.insert(it.key(), it.value().toString());
    }
    const QJsonObject lists = accounts.value(u"lists"_s).toObject();
    for (auto it = lists.begin(); it != lists.end(); ++it) {
        QList<Entry>& list = m_lists[it.key()];
        for (const QJsonValue& entry : it.value().toArray()) {
            list.append(entryFromJson(entry.toObject()));
        }
    }
}

void FakeService::saveAccounts() const
{
    if (m_accountsFile.isEmpty()) {
        return;
    }
    QJsonObject tokens;
    for (auto it = m_emails.cbegin(); it != m_emails.cend(); ++it) {
        tokens.insert(it.key(), it.value());
    }
    QJsonObject lists;
    for (auto it = m_lists.cbegin(); it != m_lists.cend(); ++it) {
        QJsonArray entries;
        for (const Entry& entry : it.value()) {
            entries.append(toJson(entry));
        }
        lists.insert(it.key(), entries);
    }
    QDir().mkpath(QFileInfo(m_accountsFile).path());
    QSaveFile file(m_accountsFile);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(QJsonDocument(QJsonObject{{u"tokens"_s, tokens}, {u"lists"_s, lists}}).toJson());
        file.commit();
    }
}

QString FakeService::issueToken(const QString& email)
{
    const QString token = u"vt-%1-%2"_s.arg(++m_serial).arg(QString::number(qHash(email), 16));
    m_emails.insert(token, email);
    saveAccounts();
    return token;
}

bool FakeService::isTokenValid(const QString& token) const
{
    return m_emails.contains(token);
}

void FakeService::setEmail(const QString& token, const QString& email)
{
    if (m_emails.contains(token)) {
        m_emails.insert(token, email);
        saveAccounts();
    }
}

void FakeService::setWatchlist(const QString& token, const QList<Entry>& entries)
{
    m_lists.insert(token, entries);
    saveAccounts();
}

QList<FakeService::Entry> FakeService::watchlist(const QString& token) const
{
    return m_lists.value(token);
}

std::optional<FakeService::Entry> FakeService::catalogueEntry(const QString& ticker)
{
    for (const Entry& entry : catalogue()) {
        if (entry.ticker.compare(ticker.trimmed(), Qt::CaseInsensitive) == 0) {
            return entry;
        }
    }
    return std::nullopt;
}

QList<FakeService::Request> FakeService::requestsTo(const QString& path) const
{
    QList<Request> matching;
    std::copy_if(m_requests.begin(), m_requests.end(), std::back_inserter(matching),
                 [&](const Request& request) { return request.path == path; });
    return matching;
}

// Routes -------------------------------------------------------------------------------------------

void FakeService::serve(const QHttpServerRequest& request, QHttpServerResponder&& responder,
                        const std::function<QHttpServerResponse()>& answer)
{
    m_requests.append({methodName(request.method()), request.url().path(),
                       header(request, "Authorization"_ba), header(request, "Content-Type"_ba),
                       header(request, "User-Agent"_ba), request.body()});
    m_server.respond(request, std::move(responder), answer);
}

void FakeService::addRoute(const QString& path, QHttpServerRequest::Methods methods, Handler handler)
{
    m_server.http().route(path, methods,
                          [this, handler = std::move(handler)](const QHttpServerRequest& request,
                                                               QHttpServerResponder&& responder) {
                              serve(request, std::move(responder), [&] { return handler(request); });
                          });
}

void FakeService::addApiRoutes()
{
    using Method = QHttpServerRequest::Method;
    addRoute(kApi + u"/device/start"_s, Method::Post, [this](const QHttpServerRequest&) { return start(); });
    addRoute(kApi + u"/device/poll"_s, Method::Post, [this](const QHttpServerRequest& r) { return poll(r); });
    addRoute(kApi + u"/me"_s, Method::Get, [this](const QHttpServerRequest& request) {
        return withToken(request, [this](const QString& token) {
            return json({{u"email"_s, m_emails.value(token)}});
        });
    });
    addRoute(kApi + u"/web-session"_s, Method::Post, [this](const QHttpServerRequest& request) {
        return withToken(request, [&](const QString& token) { return webSession(token, request); });
    });
    addRoute(kApi + u"/token/revoke"_s, Method::Post, [this](const QHttpServerRequest& request) {
        return withToken(request, [this](const QString& token) {
            m_emails.remove(token);
            m_lists.remove(token);
            saveAccounts();
            return ok();
        });
    });
    addRoute(kApi + u"/watchlist"_s, Method::Get | Method::Post, [this](const QHttpServerRequest& request) {
        return withToken(request, [&](const QString& token) {
            return request.method() == Method::Get ? watchlistReply(token) : editWatchlist(token, request);
        });
    });
}

std::optional<QString> FakeService::authorizedToken(const QHttpServerRequest& request) const
{
    const QByteArray authorization = header(request, "Authorization"_ba);
    if (!authorization.startsWith("Bearer ")) {
        return std::nullopt;
    }
    const QString token = QString::fromUtf8(authorization.mid(7));
    return m_emails.contains(token) ? std::optional(token) : std::nullopt;
}

QHttpServerResponse
FakeService::withToken(const QHttpServerRequest& request,
                       const std::function<QHttpServerResponse(const QString&)>& answer) const
{
    const auto token = authorizedToken(request);
    return token ? answer(*token) : error(u"unauthorized"_s, 401);
}

QHttpServerResponse FakeService::start()
{
    ++m_serial;
    // Readable codes without look-alike characters: "BCDF-2345".
    static const QString letters = u"BCDFGHJKLMNPQRSTVWXZ"_s;
    QString userCode;
    quint32 seed = static_cast<quint32>(m_serial) * 2654435761u;
    for (int i = 0; i < 4; ++i, seed /= 20) {
        userCode += letters[seed % 20];
    }
    userCode += u'-' + QString::number(1000 + (m_serial * 7919) % 9000);

    const DeviceCode code{u"dc-%1"_s.arg(m_serial), userCode, {}, m_server.now().addSecs(m_codeLifetime), {}};
    m_codes.append(code);
    return json({{u"device_code"_s, code.deviceCode},
                 {u"user_code"_s, code.userCode},
                 {u"verification_url"_s, QString(m_server.origin().toString() + u"/link/mac"_s)},
                 {u"expires_in"_s, m_codeLifetime}});
}

QHttpServerResponse FakeService::poll(const QHttpServerRequest& request)
{
    const QJsonObject body = bodyObject(request);
    const QString deviceCode = body.value(u"device_code"_s).toString();
    const auto it = std::find_if(m_codes.begin(), m_codes.end(),
                                 [&](const DeviceCode& code) { return code.deviceCode == deviceCode; });
    if (it == m_codes.end()) {
        return error(u"invalid_device_code"_s, 404);
    }
    it->deviceName = body.value(u"device_name"_s).toString();
    if (!it->approvedEmail.isEmpty()) {
        const QString email = it->approvedEmail;
        m_codes.erase(it); // a code signs in once
        return json({{u"status"_s, u"approved"_s},
                     {u"token"_s, issueToken(email)},
                     {u"user"_s, QJsonObject{{u"email"_s, email}}}});
    }
    if (m_server.now() >= it->expiresAt) {
        return json({{u"status"_s, u"expired"_s}});
    }
    return json({{u"status"_s, u"pending"_s}});
}

QHttpServerResponse FakeService::webSession(const QString& token, const QHttpServerRequest& request)
{
    const QString redirect = bodyObject(request).value(u"redirect"_s).toString();
    if (!redirect.startsWith(u'/') || redirect.startsWith(u"//"_s)) {
        return error(u"bad_redirect"_s, 400);
    }
    const QString ticket = u"ws-%1"_s.arg(++m_serial);
    m_tickets.insert(ticket, {token, redirect});
    return json({{u"url"_s, QString(m_server.origin().toString() + u"/session/"_s + ticket)}});
}

QHttpServerResponse FakeService::watchlistReply(const QString& token) const
{
    QJsonArray items;
    for (const Entry& entry : m_lists.value(token)) {
        items.append(toJson(entry));
    }
    return json({{u"items"_s, items}});
}

QHttpServerResponse FakeService::editWatchlist(const QString& token, const QHttpServerRequest& request)
{
    const QJsonObject body = bodyObject(request);
    const QString ticker = body.value(u"ticker"_s).toString();
    const QString action = body.value(u"action"_s).toString();
    QList<Entry>& list = m_lists[token];
    const auto sameTicker = [&](const Entry& entry) { return entry.ticker == ticker; };
    if (action == u"remove") {
        list.removeIf(sameTicker);
        saveAccounts();
        return ok();
    }
    if (action != u"add" || ticker.isEmpty()) {
        return error(u"bad_request"_s, 400);
    }
    const auto entry = catalogueEntry(ticker);
    if (!entry) {
        return error(u"unknown_ticker"_s, 404);
    }
    if (std::none_of(list.begin(), list.end(), sameTicker)) {
        list.append(*entry);
        saveAccounts();
    }
    return ok();
}

// Pages -----------------------------------------------------------------------------------------------

void FakeService::addPageRoutes()
{
    using Method = QHttpServerRequest::Method;
    addRoute(u"/"_s, Method::Get, [this](const QHttpServerRequest& request) { return homePage(request); });
    addRoute(u"/link/mac"_s, Method::Get, [this](const QHttpServerRequest&) { return linkPage(); });
    addRoute(u"/link/mac/approve"_s, Method::Post,
             [this](const QHttpServerRequest& request) { return approvePage(request); });
    m_server.http().route(
        u"/session/<arg>"_s, Method::Get,
        [this](const QString& ticket, const QHttpServerRequest& request, QHttpServerResponder&& responder) {
            serve(request, std::move(responder), [&] { return sessionLanding(ticket); });
        });
    m_server.http().route(
        u"/symbol/<arg>"_s, Method::Get,
        [this](const QString& ticker, const QHttpServerRequest& request, QHttpServerResponder&& responder) {
            serve(request, std::move(responder), [&] { return symbolPage(ticker, request); });
        });
}

QString FakeService::signedInEmail(const QHttpServerRequest& request) const
{
    return m_emails.value(m_browserSessions.value(cookie(request, kSessionCookie)));
}

QHttpServerResponse FakeService::homePage(const QHttpServerRequest& request) const
{
    const QString email = signedInEmail(request);
    const QString who = email.isEmpty() ? u"로그인하지 않았습니다."_s : u"로그인: "_s + email.toHtmlEscaped();
    return page(u"Virel"_s, u"<p>"_s + who + u"</p><p><a href=\"/link/mac\">기기 연결</a></p>"_s);
}

QHttpServerResponse FakeService::linkPage() const
{
    const QDateTime now = m_server.now();
    QString forms;
    for (const DeviceCode& code : m_codes) {
        if (!code.approvedEmail.isEmpty() || now >= code.expiresAt) {
            continue;
        }
        const QString device = code.deviceName.isEmpty() ? QString() : code.deviceName.toHtmlEscaped();
        forms +=
            u"<form method=\"post\" action=\"/link/mac/approve\"><code>%1</code>%2"
            u"<input type=\"hidden\" name=\"user_code\" value=\"%1\"><button type=\"submit\">승인</button>"
            u"</form>\n"_s.arg(code.userCode.toHtmlEscaped(), device.isEmpty() ? QString() : device + u' ');
    }
    if (forms.isEmpty()) {
        forms = u"<p>대기 중인 연결 코드가 없습니다.</p>"_s;
    }
    return page(u"기기 연결"_s, u"<p>앱에 보이는 코드를 확인하고 승인하세요.</p>\n"_s + forms);
}

QHttpServerResponse FakeService::approvePage(const QHttpServerRequest& request)
{
    QString form = QString::fromUtf8(request.body());
    form.replace(u'+', u' ');
    const QString userCode = QUrlQuery(form).queryItemValue(u"user_code"_s, QUrl::FullyDecoded);
    const QString email = signedInEmail(request);
    if (!approve(userCode, email.isEmpty() ? u"demo@virel.app"_s : email)) {
        return page(u"코드를 찾을 수 없습니다"_s, u"<p><a href=\"/link/mac\">돌아가기</a></p>"_s, 404);
    }
    return page(u"승인했습니다"_s, u"<p><code>"_s + userCode.toHtmlEscaped() +
                                       u"</code> 연결을 승인했습니다. 앱으로 돌아가세요.</p>"_s);
}

QHttpServerResponse FakeService::sessionLanding(const QString& ticket)
{
    const auto it = m_tickets.constFind(ticket);
    if (it == m_tickets.constEnd()) {
        return page(u"만료된 링크입니다"_s, u"<p><a href=\"/\">Virel</a></p>"_s, 404);
    }
    const Ticket landing = *it;
    m_tickets.erase(it); // one use only
    const QString session = u"bs-%1"_s.arg(++m_serial);
    m_browserSessions.insert(session, landing.token);

    QHttpServerResponse response(Status::Found);
    response.addHeader("Location"_ba, landing.redirect.toUtf8());
    response.addHeader("Set-Cookie"_ba, kSessionCookie + '=' + session.toUtf8() + "; Path=/; HttpOnly");
    return response;
}

QHttpServerResponse FakeService::symbolPage(const QString& ticker, const QHttpServerRequest& request) const
{
    const QString symbol = QUrl::fromPercentEncoding(ticker.toUtf8());
    const auto entry = catalogueEntry(symbol);
    const QString email = signedInEmail(request);
    QString body = u"<p>"_s + (entry ? entry->name.toHtmlEscaped() : u"알 수 없는 종목"_s) + u"</p>"_s;
    body += email.isEmpty() ? u"<p>로그인하지 않았습니다.</p>"_s
                            : u"<p>로그인: "_s + email.toHtmlEscaped() + u"</p>"_s;
    QHttpServerResponse response = page(symbol, body, entry ? 200 : 404);
    // A session cookie (no expiry) that a browser keeps until it quits.
    response.addHeader("Set-Cookie"_ba, "virel_last_symbol=" + QUrl::toPercentEncoding(symbol) + "; Path=/");
    return response;
}

} // namespace virel::fake
