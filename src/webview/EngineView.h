#pragma once

#include "windows/WebViewInterface.h"

class QWebEngineView;

namespace virel {

class EngineProfile;

// A Qt WebEngine view on a shared profile. Links the profile refuses (pages off the service) stay
// out of the view; the profile's callback has sent them to the browser.
class EngineView : public WebView
{
public:
    EngineView(EngineProfile& profile, QWidget* parent);

    QWebEngineView* engineView() const { return m_view; }

protected:
    void load(const QUrl& url) override;

private:
    QWebEngineView* m_view;
};

} // namespace virel
