#pragma once

#include "app/AlertPanel.h"
#include "model/AlertRule.h"
#include "model/WatchItem.h"

#include <optional>

class QComboBox;
class QLineEdit;

namespace virel {

// "가격 알림 추가": a symbol of the active list, a direction and a price level.
class AlertDialog final : public AlertPanel
{
    Q_OBJECT
public:
    explicit AlertDialog(const QList<WatchItem>& items, QWidget* parent = nullptr);

    // The rule the input describes against the active list as it is now, or nothing when the level is
    // not a number or the chosen entry is no longer in the list.
    std::optional<AlertRule> rule(const QList<WatchItem>& currentItems) const;

    QComboBox* symbolBox() const { return m_symbol; }
    QComboBox* directionBox() const { return m_direction; }
    QLineEdit* priceField() const { return m_price; }

private:
    QComboBox* m_symbol;
    QComboBox* m_direction;
    QLineEdit* m_price;
};

} // namespace virel
