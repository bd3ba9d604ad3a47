#include "webview/EngineView.h"

#include "webview/EngineProfile.h"

#include <QVBoxLayout>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace virel {

namespace {

// Asks the profile before the main frame follows a clicked link.
class LinkPolicyPage : public QWebEnginePage
{
public:
    LinkPolicyPage(EngineProfile& profile, QObject* parent)
        : QWebEnginePage(profile.engine(), parent), m_profile(profile)
    {
        // A link opening a new window either stays in this view or goes where the profile sends it.
        connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest& request) {
            const QUrl url = request.requestedUrl();
            if (m_profile.acceptLink(url)) {
                setUrl(url);
            }
        });
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override
    {
        if (type == NavigationTypeLinkClicked && isMainFrame) {
            return m_profile.acceptLink(url);
        }
        return true;
    }

private:
    EngineProfile& m_profile;
};

} // namespace

EngineView::EngineView(EngineProfile& profile, QWidget* parent)
    : WebView(parent), m_view(new QWebEngineView(this))
{
    m_view->setPage(new LinkPolicyPage(profile, m_view));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

void EngineView::load(const QUrl& url)
{
    m_view->load(url);
}

} // namespace virel
