#pragma once

#include "fakemarket/FaultInjector.h"

#include <QDateTime>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QList>
#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>
#include <vector>

namespace virel::fake {

// A local stand-in for the market data host on 127.0.0.1, answering in the real wire shapes:
//   GET /v8/finance/chart/{symbol}?range=..&interval=..[&events=div%2Csplits]
//   GET /v1/finance/search?q=..&quotesCount=..&newsCount=..
// Prices follow a deterministic walk per symbol and advance with the server's time (setNow or
// setTimeSource fix it for tests). Every answer passes through the fault injector and the request
// log, including those of routes added later:
//
//   server.addRoute(u"/api/mac/profile"_s, QHttpServerRequest::Method::Get,
//                   [](const QHttpServerRequest& request) { return QHttpServerResponse(...); });
//
// or, for routes with path arguments, through http().route() with a responder handler that hands
// its answer to respond():
//
//   server.http().route(u"/symbol/<arg>"_s, [&](const QString&, const QHttpServerRequest& request,
//                                                 QHttpServerResponder&& responder) {
//       server.respond(request, std::move(responder), [&] { return QHttpServerResponse(...); });
//   });
//
// The answer function runs only when no fault replaces it (a status or hang fault skips it, so the
// state a handler changes stays unchanged). Damaging faults (truncate, wrongtype, huge) rebuild the
// answer from its status, MIME type and body, dropping other headers; a plain delay keeps them.
class FakeServer : public QObject
{
    Q_OBJECT

public:
    using Answer = std::function<QHttpServerResponse()>;
    using Handler = std::function<QHttpServerResponse(const QHttpServerRequest&)>;

    explicit FakeServer(QObject* parent = nullptr);
    ~FakeServer() override;

    // Listens on 127.0.0.1 only; port 0 picks a free port. False when the port is taken.
    bool listen(quint16 port = 0);
    quint16 port() const;
    QUrl origin() const; // http://127.0.0.1:<port>

    FaultInjector& faults();
    QHttpServer& http();

    // Answers `request` through the faults and the request log. `wrongTypePath` names the member a
    // wrongtype fault retypes when the fault names none (empty: the body's first member).
    void respond(const QHttpServerRequest& request, QHttpServerResponder&& responder, const Answer& answer,
                 const QString& wrongTypePath = {});
    // A route on a fixed path whose answers go through respond().
    void addRoute(const QString& path, QHttpServerRequest::Methods methods, Handler handler,
                  const QString& wrongTypePath = {});

    // The server's current time; the wall clock unless fixed.
    QDateTime now() const;
    void setNow(const QDateTime& now);                     // invalid: the wall clock again
    void setTimeSource(std::function<QDateTime()> source); // empty: the wall clock again

    // Every request seen, in arrival order, with the path and query as sent.
    QList<QUrl> requests() const;
    // How many requests have a path starting with `pathPrefix` (encoded or decoded form).
    int requestCount(const QString& pathPrefix = {}) const;
    void clearRequests();

    // Requests held by a hang fault; releasing drops them without an answer.
    int heldCount() const;
    void releaseHeld();

    static const QString chartPath;  // "/v8/finance/chart/"
    static const QString searchPath; // "/v1/finance/search"

signals:
    void requestReceived(const QUrl& url);

private:
    void addMarketRoutes();

    QHttpServer m_http;
    FaultInjector m_faults;
    std::function<QDateTime()> m_timeSource;
    QList<QUrl> m_requests;
    std::vector<std::unique_ptr<QHttpServerResponder>> m_held;
};

} // namespace virel::fake
