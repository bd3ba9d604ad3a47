#pragma once

#include <QObject>
#include <QPointer>

namespace virel {

class AppState;
class EditView;
class YahooClient;

// Owns the floating "노치 편집" window. The window is built on the first show and forgotten when it
// closes, so the next show starts with an empty search.
class EditWindowController : public QObject
{
    Q_OBJECT

public:
    EditWindowController(AppState& state, YahooClient& yahoo, QObject* parent = nullptr);
    ~EditWindowController() override;

    void show();
    // Handed on to the window, open now or later.
    void setSignedIn(bool signedIn);

    // The open window, or nullptr while none exists.
    EditView* view() const { return m_view; }

private:
    AppState& m_state;
    YahooClient& m_yahoo;
    QPointer<EditView> m_view;
    bool m_signedIn = false;
};

} // namespace virel
