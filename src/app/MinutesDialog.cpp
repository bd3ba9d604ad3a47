#include "app/MinutesDialog.h"

#include "app/NumberInput.h"

#include <QLineEdit>

namespace virel {

MinutesDialog::MinutesDialog(QWidget* parent)
    : AlertPanel(QStringLiteral("타이머"), QStringLiteral("분 단위로 입력하세요."), parent),
      m_minutes(new QLineEdit(this))
{
    m_minutes->setPlaceholderText(QStringLiteral("예: 90"));
    m_minutes->setFixedSize(200, 24);
    setAccessory(m_minutes);
    addButton(QStringLiteral("시작"), QDialogButtonBox::AcceptRole);
    addButton(QStringLiteral("취소"), QDialogButtonBox::RejectRole);
    m_minutes->setFocus();
}

std::optional<double> MinutesDialog::minutes() const
{
    return NumberInput::timerMinutes(m_minutes->text());
}

} // namespace virel
