#include "webview/EngineProfile.h"

#include <QWebEngineProfile>

namespace virel {

EngineProfile::EngineProfile(const WebProfileSettings& settings, QObject* parent)
    : WebProfile(parent), m_engine(new QWebEngineProfile(settings.name, this)),
      m_acceptLink(settings.acceptLink)
{
    m_engine->setPersistentStoragePath(settings.storagePath);
    m_engine->setCachePath(settings.cachePath);
    // The service's sign-in cookie is a session cookie; it must survive restarts like the rest.
    m_engine->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    m_engine->setHttpUserAgent(settings.userAgent);
}

bool EngineProfile::acceptLink(const QUrl& url) const
{
    return !m_acceptLink || m_acceptLink(url);
}

} // namespace virel
