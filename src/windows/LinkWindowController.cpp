#include "windows/LinkWindowController.h"

#include "account/AccountService.h"
#include "windows/WindowStyle.h"

namespace virel {

LinkWindowController::LinkWindowController(AccountService& account, QObject* parent)
    : QObject(parent), m_account(account)
{}

LinkWindowController::~LinkWindowController()
{
    delete m_view;
}

void LinkWindowController::show()
{
    if (!m_account.user()) {
        const LinkState::Kind kind = m_account.linkState().kind;
        if (kind == LinkState::Kind::idle || kind == LinkState::Kind::failed) {
            m_account.beginLink();
        }
    }
    if (m_view) {
        WindowStyle::bringToFront(m_view);
        return;
    }
    m_view = new LinkView(m_account, Clock::system(), m_intervals);
    m_view->setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
    m_view->setWindowTitle(QStringLiteral("Virel 기기 연결"));
    m_view->setAttribute(Qt::WA_DeleteOnClose);
    WindowStyle::applyMaterial(m_view);
    connect(m_view, &LinkView::closeRequested, m_view, &QWidget::close);
    m_view->adjustSize();
    WindowStyle::presentCentred(m_view);
}

bool LinkWindowController::browserFailed(const QUrl& url)
{
    return m_view && m_view->browserFailed(url);
}

} // namespace virel
