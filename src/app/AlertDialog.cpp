#include "app/AlertDialog.h"

#include "app/NumberInput.h"

#include <QComboBox>
#include <QLineEdit>
#include <QVBoxLayout>

namespace virel {

AlertDialog::AlertDialog(const QList<WatchItem>& items, QWidget* parent)
    : AlertPanel(QStringLiteral("가격 알림 추가"),
                 QStringLiteral("현재 목록의 종목을 선택하고 기준 가격을 입력하세요."), parent)
{
    auto* accessory = new QWidget(this);
    accessory->setMinimumSize(260, 84);
    auto* stack = new QVBoxLayout(accessory);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setAlignment(Qt::AlignLeft);

    m_symbol = new QComboBox(accessory);
    for (const WatchItem& item : items) {
        m_symbol->addItem(item.name + QStringLiteral(" (") + item.symbol + u')');
    }
    m_direction = new QComboBox(accessory);
    m_direction->addItems({QStringLiteral("이상 (돌파)"), QStringLiteral("이하 (이탈)")});
    m_price = new QLineEdit(accessory);
    m_price->setPlaceholderText(QStringLiteral("기준 가격 (예: 180.5)"));
    m_price->setFixedWidth(240);
    for (QWidget* child : {static_cast<QWidget*>(m_symbol), static_cast<QWidget*>(m_direction),
                           static_cast<QWidget*>(m_price)}) {
        stack->addWidget(child, 0, Qt::AlignLeft);
    }
    setAccessory(accessory);
    addButton(QStringLiteral("추가"), QDialogButtonBox::AcceptRole);
    addButton(QStringLiteral("취소"), QDialogButtonBox::RejectRole);
    m_price->setFocus();
}

std::optional<AlertRule> AlertDialog::rule(const QList<WatchItem>& currentItems) const
{
    const auto level = NumberInput::alertLevel(m_price->text());
    const int index = m_symbol->currentIndex();
    if (!level || index < 0 || index >= currentItems.size()) {
        return std::nullopt;
    }
    AlertRule rule;
    rule.symbol = currentItems.at(index).symbol;
    rule.name = currentItems.at(index).name;
    rule.direction =
        m_direction->currentIndex() == 0 ? AlertRule::Direction::above : AlertRule::Direction::below;
    rule.threshold = *level;
    return rule;
}

} // namespace virel
