#include "platform/Origins.h"

#include <QHostAddress>
#include <QStringView>
#include <cstdio>

namespace virel::Origins {

namespace {

QUrl resolve(const char* variable, const char* fallback)
{
    const QUrl builtIn(QString::fromUtf8(fallback));
    const QByteArray text = qgetenv(variable);
    if (text.isEmpty()) {
        return builtIn;
    }
    if (auto url = accept(QString::fromUtf8(text))) {
        return *url;
    }
    std::fprintf(stderr, "virel: %s=%s is refused (https, or http on a loopback host only); using %s\n",
                 variable, text.constData(), fallback);
    return builtIn;
}

} // namespace

bool isLoopback(const QUrl& url)
{
    const QString host = url.host();
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

std::optional<QUrl> accept(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty()) {
        return std::nullopt;
    }
    const QString scheme = url.scheme().toLower();
    if (scheme == QStringLiteral("https") || (scheme == QStringLiteral("http") && isLoopback(url))) {
        return url;
    }
    return std::nullopt;
}

bool isWebUrl(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QStringLiteral("http") || scheme == QStringLiteral("https"));
}

namespace {
int effectivePort(const QUrl& url)
{
    return url.port(url.scheme().toLower() == QStringLiteral("https") ? 443 : 80);
}
} // namespace

bool sameOrigin(const QUrl& url, const QUrl& origin)
{
    return url.scheme().compare(origin.scheme(), Qt::CaseInsensitive) == 0 &&
           url.host().compare(origin.host(), Qt::CaseInsensitive) == 0 &&
           effectivePort(url) == effectivePort(origin);
}

QUrl yahoo()
{
    return resolve("VIREL_YAHOO_ORIGIN", VIREL_DEFAULT_YAHOO_ORIGIN);
}

QUrl service()
{
    return resolve("VIREL_SERVICE_ORIGIN", VIREL_DEFAULT_SERVICE_ORIGIN);
}

QUrl appcast()
{
    return resolve("VIREL_APPCAST_URL", VIREL_DEFAULT_APPCAST_URL);
}

} // namespace virel::Origins
