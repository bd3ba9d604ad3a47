#pragma once

#include "app/StatusMenu.h"
#include "app/StatusTitle.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <memory>
#include <optional>

class QSystemTrayIcon;

namespace virel {

class X11TrayHost;

// The application's status item: a tray icon drawn from the status title, the title as its tooltip
// and the status menu as its menu (a left click opens the menu too). The icon is made once a tray
// host runs, also one that starts after the application (a panel late at login) or again. The notch
// strip is always a way in: a right click on it opens the same menu, and without a tray its tooltip
// carries the title.
class StatusItem final : public QObject
{
    Q_OBJECT
public:
    explicit StatusItem(QObject* parent = nullptr);
    ~StatusItem() override;

    StatusMenu& menu() { return *m_menu; }
    bool inTray() const { return m_tray != nullptr; }

    void setTitle(const StatusTitle& title);
    const StatusTitle& title() const { return m_title; }

    // The strip that carries the menu, and the tooltip when there is no tray; a new strip replaces the
    // previous one.
    void setStrip(QWidget* strip);

    // Where a menu of `menuSize` opens: beside the tray icon (or the point the tray host clicked),
    // away from the screen edge it sits at, or else centred under the strip; never where the pointer
    // was last seen, which a desktop need not tell.
    static QPoint menuPosition(const std::optional<QRect>& icon, const std::optional<QRect>& strip,
                               const QSize& menuSize, const QRect& screen);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void lookForTrayHost();
    void makeTrayIcon();
    void popUpMenu();

    std::unique_ptr<StatusMenu> m_menu;
    QSystemTrayIcon* m_tray = nullptr;
    std::unique_ptr<X11TrayHost> m_xembedHost;
    QTimer m_hostCheck;
    QPointer<QWidget> m_strip;
    StatusTitle m_title;
    bool m_drawn = false;
};

} // namespace virel
