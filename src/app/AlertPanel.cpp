#include "app/AlertPanel.h"

#include "windows/WindowStyle.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace virel {

AlertPanel::AlertPanel(const QString& message, const QString& informativeText, QWidget* parent)
    : QDialog(parent), m_layout(new QVBoxLayout(this)), m_buttons(new QDialogButtonBox(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Virel"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowModality(Qt::ApplicationModal);

    auto* title = new QLabel(message, this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* informative = new QLabel(informativeText, this);
    informative->setWordWrap(true);
    m_layout->addWidget(title);
    m_layout->addWidget(informative);
    m_layout->addWidget(m_buttons);
    m_layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void AlertPanel::setAccessory(QWidget* accessory)
{
    m_layout->insertWidget(m_layout->indexOf(m_buttons), accessory);
}

QPushButton* AlertPanel::addButton(const QString& text, QDialogButtonBox::ButtonRole role)
{
    QPushButton* button = m_buttons->addButton(text, role);
    if (m_buttons->buttons().size() == 1) {
        button->setDefault(true);
    }
    return button;
}

void AlertPanel::present()
{
    WindowStyle::bringToFront(this);
}

} // namespace virel
