#include "windows/WebViewHost.h"

#include "platform/Origins.h"
#include "windows/WebHelperProcess.h"
#include "windows/WindowStyle.h"

#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>
#include <QWindow>

namespace virel {

namespace {
// Timing marks for bench/report; silent unless enabled with QT_LOGGING_RULES="virel.perf.info=true".
Q_LOGGING_CATEGORY(lcPerf, "virel.perf", QtWarningMsg)
// How long a hidden page keeps its helper, so that flipping tabs does not restart the engine.
constexpr int kIdleMs = 30'000;
} // namespace

QString WebViewHost::userAgent()
{
    return QStringLiteral("Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like "
                          "Gecko) Version/17.0 Safari/605.1.15 virel-for-mac/0.1");
}

WebProtocol::Start WebViewHost::profileSettings()
{
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return {data + QStringLiteral("/web"), cache + QStringLiteral("/web"), userAgent(), Origins::service()};
}

WebViewHost::WebViewHost(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_idle.setSingleShot(true);
    m_idle.setInterval(kIdleMs);
    connect(&m_idle, &QTimer::timeout, this, &WebViewHost::stopHelper);
}

WebViewHost::~WebViewHost()
{
    stopHelper();
}

void WebViewHost::setUrl(const QUrl& url)
{
    m_url = url;
    if (!m_helper && !m_fallbackAddress) {
        const bool embeddable = QGuiApplication::platformName() == QStringLiteral("xcb") &&
                                QFileInfo(WebHelperProcess::bundledProgram()).isExecutable();
        if (!embeddable) {
            showFallback();
        } else if (isVisible()) {
            startHelper();
        }
    }
    if (m_helper) {
        m_helper->load(url);
    } else if (m_fallbackAddress) {
        m_fallbackAddress->setText(url.toDisplayString());
    }
}

void WebViewHost::showEvent(QShowEvent* event)
{
    m_idle.stop();
    if (!m_helper && !m_fallbackAddress && m_url.isValid()) {
        setUrl(m_url);
    }
    QWidget::showEvent(event);
}

void WebViewHost::hideEvent(QHideEvent* event)
{
    if (m_helper) {
        m_idle.start();
    }
    QWidget::hideEvent(event);
}

void WebViewHost::resizeEvent(QResizeEvent* event)
{
    if (m_helper) {
        m_helper->resize(size());
    }
    QWidget::resizeEvent(event);
}

void WebViewHost::startHelper()
{
    m_helper = std::make_unique<WebHelperProcess>(WebHelperProcess::bundledProgram());
    connect(m_helper.get(), &WebHelperProcess::windowReady, this, &WebViewHost::embed);
    connect(m_helper.get(), &WebHelperProcess::loaded, this, [] {
        qCInfo(lcPerf, "web page loaded at %lld ms since the epoch", QDateTime::currentMSecsSinceEpoch());
    });
    connect(m_helper.get(), &WebHelperProcess::openRequested, this,
            [](const QUrl& url) { WindowStyle::openWebUrl(url); });
    connect(m_helper.get(), &WebHelperProcess::stopped, this, [this] {
        // Ended by itself (a crash, or its window went away): the page is still offered in the browser.
        m_helper->disconnect(this);
        m_helper.release()->deleteLater(); // it is still reporting its end
        stopHelper();
        showFallback();
        m_fallbackAddress->setText(m_url.toDisplayString());
    });
    m_helper->start(profileSettings(), size());
}

void WebViewHost::stopHelper()
{
    m_idle.stop();
    if (m_helper) {
        m_helper->disconnect(this);
    }
    // The embedded window goes back to the helper's care before the helper is told to end.
    delete m_container;
    m_container = nullptr;
    m_helper.reset();
}

void WebViewHost::embed(quint64 window)
{
    delete m_container; // the helper made its window anew
    QWindow* foreign = QWindow::fromWinId(WId(window));
    m_container = QWidget::createWindowContainer(foreign, this);
    m_container->setFocusPolicy(Qt::StrongFocus);
    layout()->addWidget(m_container);
}

void WebViewHost::showFallback()
{
    if (m_fallbackAddress) {
        return;
    }
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

} // namespace virel
