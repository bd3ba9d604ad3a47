#include "windows/DetailWindowController.h"

#include "windows/DetailView.h"
#include "windows/WindowStyle.h"

#include <QEvent>
#include <QFont>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <malloc.h>

namespace virel {

namespace {

// A window that gives back its native window and drawing buffer while closed; showing it again makes
// new ones.
class DetailWindow : public QWidget
{
public:
    void releaseNativeWindow() { destroy(); }
};

} // namespace

DetailWindowController::DetailWindowController(AppState& state, AccountService& account, YahooClient& yahoo,
                                               QObject* parent)
    : QObject(parent), m_state(state), m_account(account), m_yahoo(yahoo)
{}

DetailWindowController::~DetailWindowController() = default;

void DetailWindowController::show(const WatchItem& item)
{
    delete m_view.data();
    const bool created = !m_window;
    if (created) {
        createWindow();
    }
    m_view = new DetailView(m_state, m_account, m_yahoo, item.symbol, Clock::system(), m_window.get());
    m_window->layout()->addWidget(m_view);
    if (created) {
        WindowStyle::presentCentred(m_window.get());
    } else {
        WindowStyle::bringToFront(m_window.get());
    }
}

void DetailWindowController::createWindow()
{
    m_window = std::make_unique<DetailWindow>();
    m_window->setWindowTitle(tr("Virel — 상세"));
    m_window->resize(860, 680);
    auto* layout = new QVBoxLayout(m_window.get());
    layout->setContentsMargins(0, 0, 0, 0);
    WindowStyle::applyMaterial(m_window.get());
    m_window->installEventFilter(this);
}

bool DetailWindowController::eventFilter(QObject* watched, QEvent* event)
{
    // Closing drops the view with its state and running load; the window stays for the next show().
    if (watched == m_window.get() && event->type() == QEvent::Close) {
        delete m_view.data();
        // An always-on process: once the window is gone, so is what it held (the window's buffer, the
        // faces and glyph caches of its fonts, and the heap its content used, given back to the
        // system). The font cache is process-wide; the surfaces' few faces come back on their next
        // frame.
        QTimer::singleShot(0, this, [this] {
            if (m_window && !m_window->isVisible()) {
                static_cast<DetailWindow*>(m_window.get())->releaseNativeWindow();
                QFont::cleanup();
                ::malloc_trim(0);
            }
        });
    }
    return QObject::eventFilter(watched, event);
}

} // namespace virel
