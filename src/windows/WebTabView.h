#pragma once

#include <QString>
#include <QUrl>
#include <QWidget>
#include <optional>

class QStackedLayout;

namespace virel {

class AccountService;
class WebViewHost;

// The web tab of the detail window: "Virel 연결 중…" until the address of the service page is known
// (possibly a signed-in session address), then the page itself.
class WebTabView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString path READ path WRITE setPath NOTIFY pathChanged)

public:
    // The page of `path` lives on the service at `base`.
    WebTabView(AccountService& account, QUrl base, QWidget* parent = nullptr);

    QString path() const { return m_path; }
    // Resolves and shows the page of another path; the page shown so far stays until then.
    void setPath(const QString& path);
    // The address handed to the browser; none while the first path is being resolved.
    const std::optional<QUrl>& resolved() const { return m_resolved; }
    WebViewHost* host() const { return m_host; }

signals:
    void pathChanged();
    void resolvedChanged();

private:
    void setResolved(const QUrl& url);

    AccountService& m_account;
    QUrl m_base;
    QString m_path;
    std::optional<QUrl> m_resolved;
    // Tells the resolution of the current path from those of paths left since.
    quint64 m_generation = 0;
    QStackedLayout* m_stack;
    WebViewHost* m_host = nullptr;
};

} // namespace virel
