#include "windows/WebViewHost.h"

#include "platform/Origins.h"
#include "windows/WindowStyle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QOpenGLContext>
#include <QPluginLoader>
#include <QPointer>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

// Exported by QtGui and declared only in its private headers, which this build does not install.
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext* context);

namespace virel {

namespace {

const QString pluginFileName = QStringLiteral("libvirel_webview.so");

QStringList& configuredDirectories()
{
    static QStringList directories = {
        QCoreApplication::applicationDirPath() + QStringLiteral("/plugins"),
        QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/virel/plugins"),
    };
    return directories;
}

QString findPlugin()
{
    for (const QString& directory : configuredDirectories()) {
        const QString path = QDir(directory).filePath(pluginFileName);
        if (QFileInfo::exists(path)) {
            return path;
        }
    }
    return {};
}

// Qt WebEngine draws through Qt's global shared OpenGL context and crashes when it is loaded without
// one. Asking for it the usual way, Qt::AA_ShareOpenGLContexts before the application object, makes
// Qt create that context at start-up and load the whole GL stack into an always-on process that may
// never show a web page. So the context is created here, right before the plugin is loaded, handed
// to Qt, and the attribute set then.
void provideSharedOpenGLContext()
{
    auto* context = new QOpenGLContext(QCoreApplication::instance());
    context->create();
    qt_gl_set_global_share_context(context);
    QObject::connect(context, &QObject::destroyed, QCoreApplication::instance(),
                     [] { qt_gl_set_global_share_context(nullptr); });
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

WebProfile* sharedProfile(WebViewFactory& factory)
{
    static QPointer<WebProfile> profile;
    if (!profile) {
        profile = factory.createProfile(WebViewHost::profileSettings(), QCoreApplication::instance());
    }
    return profile;
}

} // namespace

QString WebViewHost::userAgent()
{
    return QStringLiteral("Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like "
                          "Gecko) Version/17.0 Safari/605.1.15 virel-for-mac/0.1");
}

WebViewHost::WebViewHost(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

void WebViewHost::setUrl(const QUrl& url)
{
    m_url = url;
    if (!m_browser && !m_fallbackAddress) {
        if (WebViewFactory* plugin = factory()) {
            m_browser = plugin->createView(*sharedProfile(*plugin), this);
            layout()->addWidget(m_browser);
        } else {
            showFallback();
        }
    }
    if (m_browser) {
        m_browser->setUrl(url);
    } else {
        m_fallbackAddress->setText(url.toDisplayString());
    }
}

void WebViewHost::showFallback()
{
    auto* box = qobject_cast<QVBoxLayout*>(layout());
    m_fallbackAddress = new QLabel(this);
    m_fallbackAddress->setAlignment(Qt::AlignCenter);
    m_fallbackAddress->setWordWrap(true);
    m_fallbackAddress->setTextInteractionFlags(Qt::TextSelectableByMouse);
    WindowStyle::styleLabel(m_fallbackAddress, 12, WindowStyle::Tone::secondary);
    auto* open = new QPushButton(tr("브라우저에서 열기"), this);
    connect(open, &QPushButton::clicked, this, [this] { WindowStyle::openWebUrl(m_url); });
    box->addStretch();
    box->addWidget(m_fallbackAddress);
    box->addSpacing(8);
    box->addWidget(open, 0, Qt::AlignHCenter);
    box->addStretch();
}

WebProfileSettings WebViewHost::profileSettings()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return {
        .name = QStringLiteral("virel"),
        .storagePath = data + QStringLiteral("/web"),
        .cachePath = cache + QStringLiteral("/web"),
        .userAgent = userAgent(),
        .acceptLink =
            [](const QUrl& url) {
                if (Origins::sameOrigin(url, Origins::service())) {
                    return true;
                }
                WindowStyle::openWebUrl(url);
                return false;
            },
    };
}

QStringList WebViewHost::pluginDirectories()
{
    return configuredDirectories();
}

void WebViewHost::setPluginDirectories(const QStringList& directories)
{
    configuredDirectories() = directories;
}

WebViewFactory* WebViewHost::factory()
{
    static bool attempted = false;
    static WebViewFactory* plugin = nullptr;
    if (!attempted) {
        attempted = true;
        const QString path = findPlugin();
        if (!path.isEmpty()) {
            provideSharedOpenGLContext();
            QPluginLoader loader(path);
            plugin = qobject_cast<WebViewFactory*>(loader.instance());
        }
    }
    return plugin;
}

} // namespace virel
