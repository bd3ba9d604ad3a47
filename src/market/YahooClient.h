#pragma once

#include "platform/HttpClient.h"
#include "platform/Origins.h"

#include <QObject>
#include <QUrl>
#include <chrono>
#include <qcoro/qcorotask.h>

namespace virel {

// The chokepoint to the Yahoo Finance query host. Every market request goes through the one
// HttpClient owned here, so requests to the host share one connection pool of at most six
// connections, carry the same User-Agent and are capped in size.
class YahooClient : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds chartTimeout{10'000};
    static constexpr std::chrono::milliseconds searchTimeout{8'000};

    explicit YahooClient(QUrl origin = Origins::yahoo(), QObject* parent = nullptr);

    QUrl origin() const;

    // "/v8/finance/chart/{symbol}?range=..&interval=..[&events=div%2Csplits]". The symbol is one
    // percent-encoded path segment, so a typed "/", "?" or "#" can never change the request.
    QUrl chartUrl(const QString& symbol, const QString& range, const QString& interval, bool events) const;
    // "/v1/finance/search?q=..&quotesCount=..&newsCount=..[&lang=ko-KR&region=KR]".
    QUrl searchUrl(const QString& query, int quotesCount, int newsCount, bool korean) const;

    // The answer of one GET; `idleTimeout` ends a request that stays silent that long.
    QCoro::Task<HttpResponse> get(const QUrl& url, std::chrono::milliseconds idleTimeout);

private:
    QUrl withPathAndQuery(const QString& path, const QString& query) const;

    QUrl m_origin;
    HttpClient* m_http;
};

} // namespace virel
