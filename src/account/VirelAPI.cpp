#include "account/VirelAPI.h"

#include "account/ServiceReplies.h"
#include "platform/HttpClient.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkRequest>

namespace virel {

namespace {

ApiError transportFailure(HttpResponse::Failure failure)
{
    switch (failure) {
    case HttpResponse::Failure::cancelled:
        return Cancelled{};
    case HttpResponse::Failure::timeout:
        return TransportError{TransportError::Kind::timedOut};
    case HttpResponse::Failure::tooLarge:
        return TransportError{TransportError::Kind::badServerResponse};
    case HttpResponse::Failure::transport:
    case HttpResponse::Failure::none:
        break;
    }
    return TransportError{TransportError::Kind::offline};
}

QByteArray encodeBody(const JsonBody& json)
{
    QJsonObject object;
    for (auto it = json.begin(); it != json.end(); ++it) {
        object.insert(it.key(), it.value());
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

std::optional<QString> errorCode(const QByteArray& body)
{
    const auto decoded =
        StrictJson::attempt([&] { return ErrorBody::fromJson(ServiceJson::parseReply(body)); });
    return decoded ? decoded->error : std::nullopt;
}

} // namespace

VirelAPI::VirelAPI(QUrl baseURL, ServiceTimeouts timeouts, QObject* parent)
    : QObject(parent), m_baseURL(std::move(baseURL)),
      m_http(new HttpClient({QByteArray(userAgent), timeouts.idle, timeouts.total}, this))
{}

VirelAPI::~VirelAPI() = default;

QCoro::Task<VirelAPI::RawReply> VirelAPI::exchange(QByteArray method, QString path,
                                                   std::optional<QString> token, std::optional<JsonBody> json)
{
    // A path such as "//elsewhere/x" would leave the service: the token goes to its origin only.
    const QUrl url = m_baseURL.resolved(QUrl(path, QUrl::StrictMode));
    if (!url.isValid() || !m_baseURL.isValid() || !Origins::sameOrigin(url, m_baseURL)) {
        co_return TransportError{TransportError::Kind::badURL};
    }

    QNetworkRequest request = m_http->makeRequest(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    if (token) {
        request.setRawHeader("Authorization", "Bearer " + token->toUtf8());
    }
    QByteArray body;
    if (json) {
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
        body = encodeBody(*json);
    }

    // Only locals from here on: the client may be destroyed while the request runs.
    const HttpResponse response = co_await m_http->send(request, method, body);
    if (!response.isHttp()) {
        co_return transportFailure(response.failure);
    }
    if (response.status < 200 || response.status > 299) {
        co_return HTTPError{response.status, errorCode(response.body)};
    }
    co_return response.body;
}

} // namespace virel
