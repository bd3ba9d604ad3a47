#include "windows/EditWindowController.h"

#include "market/SearchService.h"
#include "windows/EditView.h"
#include "windows/WindowStyle.h"

namespace virel {

EditWindowController::EditWindowController(AppState& state, YahooClient& yahoo, QObject* parent)
    : QObject(parent), m_state(state), m_yahoo(yahoo)
{}

EditWindowController::~EditWindowController()
{
    delete m_view;
}

void EditWindowController::show()
{
    if (m_view) {
        WindowStyle::bringToFront(m_view);
        return;
    }
    YahooClient& yahoo = m_yahoo;
    m_view = new EditView(m_state,
                          [&yahoo](QString query) { return SearchService::search(yahoo, std::move(query)); });
    m_view->setSignedIn(m_signedIn);
    m_view->setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
    m_view->setWindowTitle(QStringLiteral("노치 편집"));
    m_view->setAttribute(Qt::WA_DeleteOnClose);
    m_view->resize(440, 580);
    WindowStyle::applyMaterial(m_view);
    connect(m_view, &EditView::done, m_view, &QWidget::close);
    WindowStyle::presentCentred(m_view);
}

void EditWindowController::setSignedIn(bool signedIn)
{
    m_signedIn = signedIn;
    if (m_view) {
        m_view->setSignedIn(signedIn);
    }
}

} // namespace virel
