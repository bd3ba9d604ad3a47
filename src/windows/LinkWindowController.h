#pragma once

#include "windows/LinkView.h"

#include <QObject>
#include <QPointer>

namespace virel {

class AccountService;

// Owns the small floating "Virel 기기 연결" window. Showing it starts a device link when none runs
// (and nobody is signed in); closing it only closes the window: a running link goes on, and the next
// show picks up wherever it stands.
class LinkWindowController : public QObject
{
    Q_OBJECT

public:
    explicit LinkWindowController(AccountService& account, QObject* parent = nullptr);
    ~LinkWindowController() override;

    void show();
    // Tells the open window that the browser did not open `url`; false when it does not show `url`.
    bool browserFailed(const QUrl& url);

    // The open window, or nullptr while none exists.
    LinkView* view() const { return m_view; }
    // Used for the next window built; tests shorten them.
    void setIntervals(LinkView::Intervals intervals) { m_intervals = intervals; }

private:
    AccountService& m_account;
    LinkView::Intervals m_intervals;
    QPointer<LinkView> m_view;
};

} // namespace virel
