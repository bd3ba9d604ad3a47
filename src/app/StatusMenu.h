#pragma once

#include "app/StatusMenuModel.h"

#include <QMenu>

namespace virel {

// The status menu on screen: shows the rows of the menu model and reports the command of the row
// chosen. Key equivalents (Ctrl with the row's letter) work while the menu is open.
class StatusMenu final : public QMenu
{
    Q_OBJECT
public:
    explicit StatusMenu(QWidget* parent = nullptr);

    // Replaces every row.
    void setRows(const QList<MenuRow>& rows);

signals:
    void commandChosen(virel::MenuCommand command, const QVariant& value);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void fill(QMenu& menu, const QList<MenuRow>& rows);
    QList<QMenu*> m_submenus;
};

} // namespace virel
