#include "webview/WebHelper.h"

#include "platform/Origins.h"

#include <QEvent>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace virel {

namespace {

// Keeps the view on the service: a clicked link or a new window elsewhere goes to `leave` instead.
class ServicePage : public QWebEnginePage
{
public:
    ServicePage(QWebEngineProfile* profile, QUrl service, std::function<void(const QUrl&)> leave,
                QObject* parent)
        : QWebEnginePage(profile, parent), m_service(std::move(service)), m_leave(std::move(leave))
    {
        connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
            if (stays(request.requestedUrl())) {
                setUrl(request.requestedUrl());
            }
        });
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        return type != NavigationTypeLinkClicked || !isMainFrame || stays(url);
    }

private:
    bool stays(const QUrl& url) const
    {
        if (Origins::sameOrigin(url, m_service)) {
            return true;
        }
        if (Origins::isWebUrl(url)) {
            m_leave(url);
        }
        return false;
    }

    QUrl m_service;
    std::function<void(const QUrl&)> m_leave;
};

} // namespace

WebHelper::WebHelper(std::function<void(const QByteArray&)> send, QObject* parent)
    : QObject(parent), m_send(std::move(send))
{}

// The view and its page go before the profile they use.
WebHelper::~WebHelper()
{
    m_view.reset();
}

void WebHelper::receive(const QByteArray& line)
{
    const std::optional<WebProtocol::Message> message = WebProtocol::decode(line);
    if (!message) {
        return;
    }
    if (const auto* start = std::get_if<WebProtocol::Start>(&*message)) {
        if (!m_view) {
            this->start(*start);
        }
    } else if (const auto* resize = std::get_if<WebProtocol::Resize>(&*message)) {
        m_size = resize->size;
        if (m_view) {
            m_view->resize(m_size);
        }
    } else if (const auto* load = std::get_if<WebProtocol::Load>(&*message); load && m_view) {
        m_view->load(load->url);
    }
}

void WebHelper::start(const WebProtocol::Start& start)
{
    m_profile = new QWebEngineProfile(QStringLiteral("virel"), this);
    m_profile->setPersistentStoragePath(start.storagePath);
    m_profile->setCachePath(start.cachePath);
    // The service's sign-in cookie is a session cookie; it must survive restarts like the rest.
    m_profile->setPersistentCookiesPolicy(QWebEngineProfile::ForcePersistentCookies);
    m_profile->setHttpUserAgent(start.userAgent);
    // mailto: and the like would otherwise be handed to the desktop from here, past the application.
    m_profile->settings()->setUnknownUrlSchemePolicy(QWebEngineSettings::DisallowUnknownUrlSchemes);

    m_view = std::make_unique<QWebEngineView>();
    m_view->setPage(new ServicePage(
        m_profile, start.service, [this](const QUrl& url) { send(WebProtocol::Open{url}); }, m_view.get()));
    connect(m_view.get(), &QWebEngineView::loadFinished, this, [this](bool ok) {
        send(WebProtocol::Loaded{m_view->url(), ok});
    });
    // Shown at once, away from the screen and past the window manager, so that it draws as soon as the
    // application has taken it into its window.
    m_view->setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::BypassWindowManagerHint);
    m_view->setAttribute(Qt::WA_ShowWithoutActivating);
    m_view->setGeometry(QRect(QPoint(-20000, -20000), m_size));
    m_view->show();
    send(WebProtocol::Window{quint64(m_view->winId())});
    // The engine's first frame makes Qt recreate the window for OpenGL; the new one is embedded anew.
    m_view->installEventFilter(this);
}

bool WebHelper::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view.get() && event->type() == QEvent::WinIdChange && m_view->internalWinId()) {
        send(WebProtocol::Window{quint64(m_view->internalWinId())});
    }
    return QObject::eventFilter(watched, event);
}

void WebHelper::send(const WebProtocol::Message& message)
{
    m_send(WebProtocol::encode(message));
}

} // namespace virel
