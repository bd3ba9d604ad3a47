#pragma once

#include "windows/WebViewInterface.h"

class QWebEngineProfile;

namespace virel {

// A named, disk-based browser profile: cookies (session cookies included) and storage persist under
// the given path, and every request carries the given user agent.
class EngineProfile : public WebProfile
{
public:
    EngineProfile(const WebProfileSettings& settings, QObject* parent);

    QWebEngineProfile* engine() const { return m_engine; }
    // True when a view may follow a link to `url` itself.
    bool acceptLink(const QUrl& url) const;

private:
    QWebEngineProfile* m_engine;
    std::function<bool(const QUrl&)> m_acceptLink;
};

} // namespace virel
