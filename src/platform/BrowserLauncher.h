#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

namespace virel {

// Opens web addresses in the desktop's browser through xdg-open. The helper's own output (a line for
// every browser it looks for and does not find) never reaches ours; an address it could not open is
// reported instead, so a window can say so.
class BrowserLauncher : public QObject
{
    Q_OBJECT
public:
    explicit BrowserLauncher(QString program = QStringLiteral("xdg-open"), QObject* parent = nullptr);
    ~BrowserLauncher() override;

    // Invokable by name, so it can handle the desktop services' http and https addresses.
    Q_INVOKABLE void open(const QUrl& url);

signals:
    void failed(const QUrl& url);

private:
    QString m_program;
};

} // namespace virel
