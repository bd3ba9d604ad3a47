#pragma once

#include "app/StatusMenu.h"
#include "app/StatusTitle.h"

#include <QObject>
#include <QPointer>
#include <memory>

class QSystemTrayIcon;

namespace virel {

// The application's status item: a tray icon drawn from the status title, the title as its tooltip
// and the status menu as its menu (a left click opens the menu too). On a desktop without a system
// tray the notch strip stands in: a right click on it opens the same menu and its tooltip carries the
// title.
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

    // The strip that carries the menu and the tooltip when there is no tray; a new strip replaces the
    // previous one.
    void setStrip(QWidget* strip);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<StatusMenu> m_menu;
    QSystemTrayIcon* m_tray = nullptr;
    QPointer<QWidget> m_strip;
    StatusTitle m_title;
    bool m_drawn = false;
};

} // namespace virel
