#pragma once

#include "account/ServiceJson.h"
#include "market/StrictJson.h"
#include "platform/Origins.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <optional>
#include <qcoro/qcorotask.h>
#include <utility>
#include <variant>

namespace virel {

class HttpClient;

// The service answered with a status outside 200–299. `code` is the "error" of its body, when the
// body carried one.
struct HTTPError
{
    int status = 0;
    std::optional<QString> code;
    bool operator==(const HTTPError&) const = default;
};

// No usable HTTP answer: the request could not be built or sent, or nothing (or too much) came back.
struct TransportError
{
    enum class Kind {
        badURL,            // the path does not resolve to a URL on the service's origin
        offline,           // connection refused, host not found, network down
        timedOut,          // idle or total time limit reached
        badServerResponse, // no HTTP status, or a body over the size limit
    };
    Kind kind = Kind::offline;
    bool operator==(const TransportError&) const = default;
};

// A 2xx body that does not fit the expected record.
struct DecodingError
{
    bool operator==(const DecodingError&) const = default;
};

// The request was aborted before it finished (the client went away).
struct Cancelled
{
    bool operator==(const Cancelled&) const = default;
};

using ApiError = std::variant<HTTPError, TransportError, DecodingError, Cancelled>;

// Either the decoded reply or the one failure that prevented it.
template <typename Reply> class ApiResult
{
public:
    ApiResult(Reply reply) : m_value(std::move(reply)) {}
    ApiResult(ApiError error) : m_value(std::move(error)) {}

    bool ok() const { return m_value.index() == 0; }
    const Reply& reply() const { return std::get<0>(m_value); }
    const ApiError& error() const { return std::get<1>(m_value); }
    // The HTTP error, or null for a success and for every other failure.
    const HTTPError* httpError() const { return ok() ? nullptr : std::get_if<HTTPError>(&error()); }

private:
    std::variant<Reply, ApiError> m_value;
};

// Time limits of one service request: without data for `idle`, or unfinished after `total`.
struct ServiceTimeouts
{
    std::chrono::milliseconds idle{15'000};
    std::chrono::milliseconds total{60'000};
};

// A request body: one flat JSON object of texts.
using JsonBody = QMap<QString, QString>;

// The one road to the Virel service's JSON API. It builds the request, sends it and turns the answer
// into a decoded record or a typed failure; it never retries.
class VirelAPI : public QObject
{
    Q_OBJECT

public:
    static constexpr auto userAgent = "virel-for-mac/0.1";

    explicit VirelAPI(QUrl baseURL = Origins::service(), ServiceTimeouts timeouts = {},
                      QObject* parent = nullptr);
    ~VirelAPI() override;

    const QUrl& baseURL() const { return m_baseURL; }

    // Sends `method` to `path` (an absolute path on the service) with the token as a bearer
    // credential and `json` as the body, and decodes the 2xx answer as `Reply` (one of the records
    // of ServiceReplies.h).
    template <typename Reply>
    QCoro::Task<ApiResult<Reply>> request(QByteArray method, QString path,
                                          std::optional<QString> token = std::nullopt,
                                          std::optional<JsonBody> json = std::nullopt);

private:
    // A 2xx body, or the failure.
    using RawReply = std::variant<QByteArray, ApiError>;

    QCoro::Task<RawReply> exchange(QByteArray method, QString path, std::optional<QString> token,
                                   std::optional<JsonBody> json);

    QUrl m_baseURL;
    HttpClient* m_http;
};

template <typename Reply>
QCoro::Task<ApiResult<Reply>> VirelAPI::request(QByteArray method, QString path, std::optional<QString> token,
                                                std::optional<JsonBody> json)
{
    RawReply raw = co_await exchange(std::move(method), std::move(path), std::move(token), std::move(json));
    if (auto* error = std::get_if<ApiError>(&raw)) {
        co_return ApiResult<Reply>(*error);
    }
    const QByteArray& body = std::get<QByteArray>(raw);
    if (auto reply = StrictJson::attempt([&] { return Reply::fromJson(ServiceJson::parseReply(body)); })) {
        co_return ApiResult<Reply>(std::move(*reply));
    }
    co_return ApiResult<Reply>(ApiError(DecodingError{}));
}

} // namespace virel
