#include "webview/WebEnginePlugin.h"

#include "webview/EngineProfile.h"
#include "webview/EngineView.h"

namespace virel {

WebProfile* WebEnginePlugin::createProfile(const WebProfileSettings& settings, QObject* parent)
{
    return new EngineProfile(settings, parent);
}

WebView* WebEnginePlugin::createView(WebProfile& profile, QWidget* parent)
{
    return new EngineView(static_cast<EngineProfile&>(profile), parent);
}

} // namespace virel
