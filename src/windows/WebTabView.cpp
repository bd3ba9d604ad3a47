#include "windows/WebTabView.h"

#include "windows/Spinner.h"
#include "windows/WebSessionBridge.h"
#include "windows/WebViewHost.h"
#include "windows/WindowStyle.h"

#include <QLabel>
#include <QStackedLayout>
#include <QVBoxLayout>

namespace virel {

WebTabView::WebTabView(AccountService& account, QUrl base, QWidget* parent)
    : QWidget(parent), m_account(account), m_base(std::move(base)), m_stack(new QStackedLayout(this))
{
    auto* connecting = new QWidget(this);
    auto* column = new QVBoxLayout(connecting);
    auto* caption = new QLabel(tr("Virel 연결 중…"), connecting);
    WindowStyle::styleLabel(caption, 11, WindowStyle::Tone::secondary);
    column->addStretch();
    column->addWidget(new Spinner(20, connecting), 0, Qt::AlignHCenter);
    column->addSpacing(6);
    column->addWidget(caption, 0, Qt::AlignHCenter);
    column->addStretch();
    m_stack->addWidget(connecting);
}

void WebTabView::setPath(const QString& path)
{
    if (path == m_path) {
        return;
    }
    m_path = path;
    emit pathChanged();
    const quint64 generation = ++m_generation;
    QCoro::connect(WebSessionBridge::resolve(m_account, m_base, m_path), this,
                   [this, generation](const QUrl& url) {
                       if (generation == m_generation) {
                           setResolved(url);
                       }
                   });
}

void WebTabView::setResolved(const QUrl& url)
{
    if (!m_host) {
        m_host = new WebViewHost(this);
        m_stack->addWidget(m_host);
        m_stack->setCurrentWidget(m_host);
    }
    m_host->setUrl(url);
    if (m_resolved != url) {
        m_resolved = url;
        emit resolvedChanged();
    }
}

} // namespace virel
