#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QSet>
#include <QUrl>
#include <chrono>
#include <qcoro/qcorotask.h>

class QNetworkAccessManager;
class QNetworkRequest;

namespace virel {

// What came back from one request. `status` is 0 when no HTTP answer arrived at all.
struct HttpResponse
{
    enum class Failure { none, transport, timeout, tooLarge, cancelled };

    Failure failure = Failure::none;
    int status = 0;
    QByteArray body;

    bool isHttp() const { return failure == Failure::none && status != 0; }
    bool isOk() const { return isHttp() && status == 200; }
};

// The one road to a remote host: a session without disk cache or persistent cookies, a fixed
// User-Agent, an idle time-out per request, an optional overall time limit and a cap on the body.
// Requests to one host are pooled, at most six at a time. Replies still running when the client is
// destroyed are aborted, so every awaiting coroutine resumes.
class HttpClient : public QObject
{
    Q_OBJECT

public:
    struct Options
    {
        QByteArray userAgent;
        std::chrono::milliseconds idleTimeout{10'000};
        std::chrono::milliseconds totalTimeout{0}; // 0: no limit beyond the idle time-out
        qint64 maxBodyBytes = 4 * 1024 * 1024;
    };

    explicit HttpClient(Options options, QObject* parent = nullptr);
    ~HttpClient() override;

    // A request to `url` carrying the User-Agent and the idle time-out (overridable per call).
    QNetworkRequest makeRequest(const QUrl& url, std::chrono::milliseconds idleTimeout = {}) const;

    QCoro::Task<HttpResponse> get(const QUrl& url, std::chrono::milliseconds idleTimeout = {});
    QCoro::Task<HttpResponse> send(QNetworkRequest request, QByteArray method, QByteArray body = {});

    // Aborts every request in flight; their callers see `cancelled`.
    void abortAll();

private:
    QNetworkAccessManager* m_network;
    Options m_options;
    QSet<QNetworkReply*> m_inFlight;
};

} // namespace virel
