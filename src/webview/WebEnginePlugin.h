#pragma once

#include "windows/WebViewInterface.h"

#include <QObject>

namespace virel {

// The entry point the application finds when it loads the browser plugin.
class WebEnginePlugin : public QObject, public WebViewFactory
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID VirelWebViewFactory_iid)
    Q_INTERFACES(virel::WebViewFactory)

public:
    WebProfile* createProfile(const WebProfileSettings& settings, QObject* parent) override;
    WebView* createView(WebProfile& profile, QWidget* parent) override;
};

} // namespace virel
