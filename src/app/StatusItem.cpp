#include "app/StatusItem.h"

#include "app/StatusIcon.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QSystemTrayIcon>

namespace virel {

StatusItem::StatusItem(QObject* parent) : QObject(parent), m_menu(std::make_unique<StatusMenu>())
{
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_tray = new QSystemTrayIcon(this);
        m_tray->setContextMenu(m_menu.get());
        connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) {
                m_menu->popup(QCursor::pos());
            }
        });
    }
    setTitle({QStringLiteral("virel"), StatusTitle::Badge::idle});
    if (m_tray) {
        m_tray->show();
    }
}

StatusItem::~StatusItem()
{
    // The tray icon refers to the menu: it goes first.
    delete m_tray;
}

void StatusItem::setTitle(const StatusTitle& title)
{
    // Only real changes go out: a tray icon is redrawn by the desktop over D-Bus.
    const bool badgeChanged = !m_drawn || title.badge != m_title.badge;
    const bool textChanged = !m_drawn || title.text != m_title.text;
    m_title = title;
    m_drawn = true;
    if (m_tray && badgeChanged) {
        m_tray->setIcon(statusIcon(title.badge));
    }
    if (textChanged) {
        if (m_tray) {
            m_tray->setToolTip(title.text);
        }
        if (m_strip && !m_tray) {
            m_strip->setToolTip(title.text);
        }
    }
}

void StatusItem::setStrip(QWidget* strip)
{
    if (m_tray || strip == m_strip) {
        return;
    }
    if (m_strip) {
        m_strip->removeEventFilter(this);
    }
    m_strip = strip;
    if (m_strip) {
        m_strip->installEventFilter(this);
        m_strip->setToolTip(m_title.text);
    }
}

bool StatusItem::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_strip && event->type() == QEvent::ContextMenu) {
        m_menu->popup(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace virel
