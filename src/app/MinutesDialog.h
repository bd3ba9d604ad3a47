#pragma once

#include "app/AlertPanel.h"

#include <optional>

class QLineEdit;

namespace virel {

// "타이머": the length of a custom countdown in minutes.
class MinutesDialog final : public AlertPanel
{
    Q_OBJECT
public:
    explicit MinutesDialog(QWidget* parent = nullptr);

    // The minutes typed, or nothing when they are not a usable length.
    std::optional<double> minutes() const;

    QLineEdit* minutesField() const { return m_minutes; }

private:
    QLineEdit* m_minutes;
};

} // namespace virel
