#include "fakemarket/FakeServer.h"

#include "fakemarket/ChartAnswer.h"
#include "fakemarket/SearchAnswer.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace virel::fake {
namespace {

QHttpServerResponse toResponse(const JsonAnswer& answer)
{
    return {answer.body, static_cast<QHttpServerResponse::StatusCode>(answer.status)};
}

QHttpServerResponse statusResponse(const Fault& fault)
{
    const auto status = static_cast<QHttpServerResponse::StatusCode>(*fault.status);
    if (fault.body.isEmpty())
        return {"text/plain", "injected fault: HTTP " + QByteArray::number(*fault.status), status};
    const bool json = fault.body.startsWith('{') || fault.body.startsWith('[');
    return {json ? "application/json" : "text/plain", fault.body, status};
}

} // namespace

const QString FakeServer::chartPath = u"/v8/finance/chart/"_s;
const QString FakeServer::searchPath = u"/v1/finance/search"_s;

FakeServer::FakeServer(QObject* parent) : QObject(parent)
{
    addMarketRoutes();
    m_http.setMissingHandler([this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        respond(request, std::move(responder),
                [] { return QHttpServerResponse(QHttpServerResponse::StatusCode::NotFound); });
    });
}

FakeServer::~FakeServer() = default;

bool FakeServer::listen(quint16 port)
{
    return m_http.listen(QHostAddress::LocalHost, port) != 0;
}

quint16 FakeServer::port() const
{
    const QList<QTcpServer*> servers = m_http.servers();
    return servers.isEmpty() ? 0 : servers.first()->serverPort();
}

QUrl FakeServer::origin() const
{
    QUrl url;
    url.setScheme(u"http"_s);
    url.setHost(u"127.0.0.1"_s);
    url.setPort(port());
    return url;
}

FaultInjector& FakeServer::faults()
{
    return m_faults;
}

QHttpServer& FakeServer::http()
{
    return m_http;
}

void FakeServer::respond(const QHttpServerRequest& request, QHttpServerResponder&& responder,
                         const Answer& answer, const QString& wrongTypePath)
{
    const QUrl url = request.url();
    m_requests.append(url);
    emit requestReceived(url);

    const std::optional<Fault> fault = m_faults.take(url);
    if (!fault) {
        answer().write(std::move(responder));
        return;
    }
    if (fault->hang) {
        m_held.push_back(std::make_unique<QHttpServerResponder>(std::move(responder)));
        return;
    }
    auto response = std::make_shared<QHttpServerResponse>(fault->status ? statusResponse(*fault) : answer());
    if (fault->damage != Fault::Damage::none) {
        *response = QHttpServerResponse(response->mimeType(), fault->applyTo(response->data(), wrongTypePath),
                                        response->statusCode());
    }
    if (fault->delay.count() <= 0) {
        response->write(std::move(responder));
        return;
    }
    // The client may give up meanwhile; its socket is gone then and nothing is written.
    auto held = std::make_shared<QHttpServerResponder>(std::move(responder));
    QTimer::singleShot(fault->delay, this, [held, response, socket = QPointer<QTcpSocket>(held->socket())] {
        if (socket)
            response->write(std::move(*held));
    });
}

void FakeServer::addRoute(const QString& path, QHttpServerRequest::Methods methods, Handler handler,
                          const QString& wrongTypePath)
{
    m_http.route(path, methods,
                 [this, handler = std::move(handler), wrongTypePath](const QHttpServerRequest& request,
                                                                     QHttpServerResponder&& responder) {
                     respond(
                         request, std::move(responder), [&] { return handler(request); }, wrongTypePath);
                 });
}

void FakeServer::addMarketRoutes()
{
    m_http.route(chartPath + u"<arg>"_s,
                 [this](const QString&, const QHttpServerRequest& request, QHttpServerResponder&& responder) {
                     // The symbol is one percent-encoded path segment ("%5EKS11", "KRW=X", "BRK-B").
                     const QString encoded = request.url().path(QUrl::FullyEncoded).mid(chartPath.size());
                     const QString symbol = QUrl::fromPercentEncoding(encoded.toUtf8());
                     respond(
                         request, std::move(responder),
                         [&] { return toResponse(ChartAnswer::make(symbol, request.query(), now())); },
                         u"chart.result.0.meta.regularMarketPrice"_s);
                 });
    m_http.route(searchPath, [this](const QHttpServerRequest& request, QHttpServerResponder&& responder) {
        respond(
            request, std::move(responder),
            [&] { return toResponse(SearchAnswer::make(request.query(), now())); }, u"quotes"_s);
    });
}

QDateTime FakeServer::now() const
{
    return m_timeSource ? m_timeSource() : QDateTime::currentDateTimeUtc();
}

void FakeServer::setNow(const QDateTime& now)
{
    if (now.isValid())
        m_timeSource = [now] { return now; };
    else
        m_timeSource = {};
}

void FakeServer::setTimeSource(std::function<QDateTime()> source)
{
    m_timeSource = std::move(source);
}

QList<QUrl> FakeServer::requests() const
{
    return m_requests;
}

int FakeServer::requestCount(const QString& pathPrefix) const
{
    return static_cast<int>(std::count_if(m_requests.begin(), m_requests.end(), [&](const QUrl& url) {
        return FaultInjector::pathMatches(url, pathPrefix);
    }));
}

void FakeServer::clearRequests()
{
    m_requests.clear();
}

int FakeServer::heldCount() const
{
    return static_cast<int>(m_held.size());
}

void FakeServer::releaseHeld()
{
    m_held.clear();
}

} // namespace virel::fake
