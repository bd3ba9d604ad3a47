#pragma once

#include "windows/WebViewInterface.h"

#include <QStringList>
#include <QUrl>
#include <QWidget>

class QLabel;

namespace virel {

// Shows one web page. The browser engine lives in a plugin that is loaded the first time a page is
// shown; where the plugin is missing, the page's address is shown with a button that opens it in the
// browser instead.
class WebViewHost : public QWidget
{
    Q_OBJECT

public:
    // A desktop browser's user agent followed by the application's token; sent with every request.
    static QString userAgent();

    explicit WebViewHost(QWidget* parent = nullptr);

    // Shows `url`; handing over the address already shown changes nothing.
    void setUrl(const QUrl& url);
    QUrl url() const { return m_url; }
    // The embedded browser; null before the first address and when the plugin is missing.
    WebView* browser() const { return m_browser; }

    // The settings of the one browser profile of the process: data under the user's data folder, the
    // user agent above, links off the service opened in the default browser.
    static WebProfileSettings profileSettings();

    // Where the plugin is looked for, in order: "plugins" next to the executable, then the
    // installed plugin folder.
    static QStringList pluginDirectories();
    static void setPluginDirectories(const QStringList& directories);
    // The loaded plugin, or null when there is none. Loads it on the first call.
    static WebViewFactory* factory();

private:
    void showFallback();

    QUrl m_url;
    WebView* m_browser = nullptr;
    QLabel* m_fallbackAddress = nullptr;
};

} // namespace virel
