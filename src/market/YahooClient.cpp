#include "market/YahooClient.h"

#include <QNetworkRequest>

namespace virel {

namespace {

// Larger answers are refused; a five-year chart is a few tens of kilobytes.
constexpr qint64 kMaxBodyBytes = 4 * 1024 * 1024;
// A host that trickles bytes slowly enough to dodge the idle time-out is still cut off.
constexpr std::chrono::milliseconds kTotalTimeout{30'000};

HttpClient::Options clientOptions()
{
    HttpClient::Options options;
    options.userAgent = QByteArrayLiteral("Mozilla/5.0 (Macintosh) virel-for-mac/0.1");
    options.idleTimeout = YahooClient::chartTimeout;
    options.totalTimeout = kTotalTimeout;
    options.maxBodyBytes = kMaxBodyBytes;
    return options;
}

// Everything but unreserved characters and `keep` is percent-encoded.
QString encoded(const QString& text, const QByteArray& keep = {})
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text, keep));
}

} // namespace

YahooClient::YahooClient(QUrl origin, QObject* parent)
    : QObject(parent), m_origin(std::move(origin)), m_http(new HttpClient(clientOptions(), this))
{}

QUrl YahooClient::origin() const
{
    return m_origin;
}

QUrl YahooClient::withPathAndQuery(const QString& path, const QString& query) const
{
    QUrl url = m_origin;
    QString base = m_origin.path(QUrl::FullyEncoded);
    while (base.endsWith(u'/')) {
        base.chop(1);
    }
    url.setPath(base + path, QUrl::StrictMode);
    url.setQuery(query, QUrl::StrictMode);
    url.setFragment({});
    return url;
}

QUrl YahooClient::chartUrl(const QString& symbol, const QString& range, const QString& interval,
                           bool events) const
{
    QString query = u"range=" + encoded(range) + u"&interval=" + encoded(interval);
    if (events) {
        query += u"&events=div%2Csplits";
    }
    // "=" stays as it is so currency pairs read naturally ("KRW=X"); it is harmless in a path.
    return withPathAndQuery(u"/v8/finance/chart/" + encoded(symbol, QByteArrayLiteral("=")), query);
}

QUrl YahooClient::searchUrl(const QString& query, int quotesCount, int newsCount, bool korean) const
{
    QString parameters = u"q=" + encoded(query) + u"&quotesCount=" + QString::number(quotesCount) +
                         u"&newsCount=" + QString::number(newsCount);
    if (korean) {
        parameters += u"&lang=ko-KR&region=KR";
    }
    return withPathAndQuery(QStringLiteral("/v1/finance/search"), parameters);
}

QCoro::Task<HttpResponse> YahooClient::get(const QUrl& url, std::chrono::milliseconds idleTimeout)
{
    QNetworkRequest request = m_http->makeRequest(url, idleTimeout);
    // HTTP/2 would multiplex every request of a pass over one connection without bound; over
    // HTTP/1.1 the pool runs at most six at a time per host.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    return m_http->send(std::move(request), QByteArrayLiteral("GET"));
}

} // namespace virel
