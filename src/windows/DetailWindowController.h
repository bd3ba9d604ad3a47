#pragma once

#include "model/WatchItem.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QWidget;

namespace virel {

class AccountService;
class AppState;
class DetailView;
class YahooClient;

// Owns the one detail window of the process. Each show() installs a fresh view for the item's symbol
// (replacing whatever the window showed); closing the window drops the view and its running load,
// and the window itself is kept for the next show().
class DetailWindowController : public QObject
{
    Q_OBJECT

public:
    DetailWindowController(AppState& state, AccountService& account, YahooClient& yahoo,
                           QObject* parent = nullptr);
    ~DetailWindowController() override;

    // Opens the window (or brings it to the front) showing `item.symbol`; the name is taken from the list.
    void show(const WatchItem& item);

    // Null before the first show().
    QWidget* window() const { return m_window.get(); }
    // Null while the window is closed.
    DetailView* view() const { return m_view; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createWindow();

    AppState& m_state;
    AccountService& m_account;
    YahooClient& m_yahoo;
    std::unique_ptr<QWidget> m_window;
    QPointer<DetailView> m_view;
};

} // namespace virel
