#include "app/StatusMenu.h"

#include <QKeyEvent>

namespace virel {

StatusMenu::StatusMenu(QWidget* parent) : QMenu(parent) {}

void StatusMenu::setRows(const QList<MenuRow>& rows)
{
    // A command may rebuild the menu while the chosen action is still emitting: delete later.
    for (QAction* action : actions()) {
        removeAction(action);
        if (action->parent() == this) { // a submenu owns its own action
            action->deleteLater();
        }
    }
    for (QMenu* submenu : std::exchange(m_submenus, {})) {
        submenu->deleteLater();
    }
    fill(*this, rows);
}

void StatusMenu::fill(QMenu& menu, const QList<MenuRow>& rows)
{
    for (const MenuRow& row : rows) {
        if (row.separator) {
            menu.addSeparator();
            continue;
        }
        if (!row.submenu.isEmpty()) {
            auto* submenu = new QMenu(row.title, this);
            m_submenus.append(submenu);
            fill(*submenu, row.submenu);
            menu.addMenu(submenu);
            continue;
        }
        QAction* action = menu.addAction(row.title);
        action->setEnabled(row.enabled());
        if (row.checked) {
            action->setCheckable(true);
            action->setChecked(*row.checked);
        }
        if (!row.key.isNull()) {
            action->setShortcut(QKeySequence(QStringLiteral("Ctrl+") + row.key.toUpper()));
            action->setShortcutContext(Qt::WidgetShortcut);
        }
        connect(action, &QAction::triggered, this,
                [this, command = row.command, value = row.value] { emit commandChosen(command, value); });
    }
}

void StatusMenu::keyPressEvent(QKeyEvent* event)
{
    // An open popup grabs the keyboard, so the application's shortcut handling never sees these keys.
    if (event->modifiers() == Qt::ControlModifier) {
        const QKeySequence pressed(event->keyCombination());
        for (QAction* action : actions()) {
            if (action->isEnabled() && !action->shortcut().isEmpty() && action->shortcut() == pressed) {
                close();
                action->trigger();
                return;
            }
        }
    }
    QMenu::keyPressEvent(event);
}

} // namespace virel
