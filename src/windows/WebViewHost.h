#pragma once

#include "webview/WebProtocol.h"

#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <memory>

class QLabel;

namespace virel {

class WebHelperProcess;

// Shows one web page. The browser runs in the web helper (virel-web), started when the page is first
// shown, and its window is embedded here; the helper ends with this widget and after the widget has
// been hidden for a while. Where the helper is missing or its window cannot be embedded (anything but
// X11), the page's address is shown with a button that opens it in the browser instead.
class WebViewHost : public QWidget
{
    Q_OBJECT

public:
    // A desktop browser's user agent followed by the application's token; sent with every request.
    static QString userAgent();
    // The one browser profile of the application: data under the user's data folder, the user agent
    // above, the pages of the service kept in the view.
    static WebProtocol::Start profileSettings();

    explicit WebViewHost(QWidget* parent = nullptr);
    ~WebViewHost() override;

    // Shows `url`; handing over the address already shown changes nothing.
    void setUrl(const QUrl& url);
    QUrl url() const { return m_url; }
    // The running helper; null before the page is first shown, after it ended, and in the fallback.
    WebHelperProcess* helper() const { return m_helper.get(); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void startHelper();
    void stopHelper();
    void embed(quint64 window);
    void showFallback();

    QUrl m_url;
    std::unique_ptr<WebHelperProcess> m_helper;
    QWidget* m_container = nullptr;
    QLabel* m_fallbackAddress = nullptr;
    QTimer m_idle;
};

} // namespace virel
