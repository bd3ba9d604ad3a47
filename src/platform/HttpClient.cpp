#include "platform/HttpClient.h"

#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>
#include <coroutine>
#include <utility>

namespace virel {

namespace {

constexpr const char* kCancelled = "virelCancelled";
constexpr const char* kTooLarge = "virelTooLarge";
constexpr const char* kTimedOut = "virelTimedOut";

// Resumes the awaiting coroutine right inside `finished`. A queued resume (what the stock awaiter
// does) is dropped when the reply is deleted straight after an abort in our destructor, and the
// coroutine would then never finish.
struct ReplyFinished
{
    QNetworkReply* reply;

    bool await_ready() const noexcept { return reply->isFinished(); }
    void await_suspend(std::coroutine_handle<> waiting) const
    {
        QObject::connect(
            reply, &QNetworkReply::finished, reply, [waiting] { waiting.resume(); },
            Qt::SingleShotConnection);
    }
    void await_resume() const noexcept {}
};

} // namespace

HttpClient::HttpClient(Options options, QObject* parent)
    : QObject(parent), m_network(new QNetworkAccessManager(this)), m_options(std::move(options))
{
    // No disk cache is installed; the default cookie jar lives in memory only.
    m_network->setCache(nullptr);
    m_network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

HttpClient::~HttpClient()
{
    abortAll();
}

void HttpClient::abortAll()
{
    const auto replies = std::exchange(m_inFlight, {});
    for (QNetworkReply* reply : replies) {
        reply->setProperty(kCancelled, true);
        reply->abort();
    }
}

QNetworkRequest HttpClient::makeRequest(const QUrl& url, std::chrono::milliseconds idleTimeout) const
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, m_options.userAgent);
    const auto timeout = idleTimeout.count() > 0 ? idleTimeout : m_options.idleTimeout;
    request.setTransferTimeout(static_cast<int>(timeout.count()));
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    return request;
}

QCoro::Task<HttpResponse> HttpClient::get(const QUrl& url, std::chrono::milliseconds idleTimeout)
{
    co_return co_await send(makeRequest(url, idleTimeout), QByteArrayLiteral("GET"));
}

QCoro::Task<HttpResponse> HttpClient::send(QNetworkRequest request, QByteArray method, QByteArray body)
{
    QNetworkReply* reply = body.isNull() ? m_network->sendCustomRequest(request, method)
                                         : m_network->sendCustomRequest(request, method, body);
    m_inFlight.insert(reply);

    // Why a reply was aborted is kept on the reply itself: the handlers may outlive this frame.
    const qint64 cap = m_options.maxBodyBytes;
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply, cap](qint64 received, qint64) {
        if (received > cap && !reply->property(kTooLarge).toBool()) {
            reply->setProperty(kTooLarge, true);
            reply->abort();
        }
    });
    if (m_options.totalTimeout.count() > 0) {
        auto* limit = new QTimer(reply);
        limit->setSingleShot(true);
        connect(limit, &QTimer::timeout, reply, [reply] {
            reply->setProperty(kTimedOut, true);
            reply->abort();
        });
        limit->start(m_options.totalTimeout);
    }

    co_await ReplyFinished{reply};

    // `this` may be gone once the reply finished inside our destructor: touch only the reply.
    const bool cancelled = reply->property(kCancelled).toBool();
    HttpResponse response;
    response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->property(kTooLarge).toBool()) {
        response.failure = HttpResponse::Failure::tooLarge;
    } else if (cancelled) {
        response.failure = HttpResponse::Failure::cancelled;
    } else if (reply->property(kTimedOut).toBool() ||
               reply->error() == QNetworkReply::OperationCanceledError ||
               reply->error() == QNetworkReply::TimeoutError) {
        response.failure = HttpResponse::Failure::timeout;
    } else if (response.status == 0) {
        response.failure = HttpResponse::Failure::transport;
    } else {
        response.body = reply->readAll();
    }
    if (!cancelled) {
        m_inFlight.remove(reply);
    }
    reply->deleteLater();
    co_return response;
}

} // namespace virel
