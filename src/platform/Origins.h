#pragma once

#include <QUrl>
#include <optional>

namespace virel::Origins {

// The Yahoo Finance query host, the service origin and the update feed: the build-time defaults,
// overridden by VIREL_YAHOO_ORIGIN, VIREL_SERVICE_ORIGIN and VIREL_APPCAST_URL.
QUrl yahoo();
QUrl service();
QUrl appcast();

// An origin is accepted when it is https, or http on a loopback host.
std::optional<QUrl> accept(const QString& text);
bool isLoopback(const QUrl& url);

// Only web addresses are ever opened or loaded.
bool isWebUrl(const QUrl& url);

// True when `url` is on the same scheme, host and port as `origin`: the token goes nowhere else.
bool sameOrigin(const QUrl& url, const QUrl& origin);

} // namespace virel::Origins
