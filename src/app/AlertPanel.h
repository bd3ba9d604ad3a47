#pragma once

#include <QDialog>
#include <QDialogButtonBox>

class QPushButton;
class QVBoxLayout;

namespace virel {

// A small alert-style dialog: a bold message, an informative line, an optional accessory view and a
// row of buttons, the first of them the default. It opens modal and above other applications' windows
// (the application has no window of its own that could bring it forward) and deletes itself when
// closed.
class AlertPanel : public QDialog
{
    Q_OBJECT
public:
    AlertPanel(const QString& message, const QString& informativeText, QWidget* parent = nullptr);

    void setAccessory(QWidget* accessory);
    // Buttons in the order added; the first is the default. An accept-role button accepts the dialog,
    // a reject-role button rejects it.
    QPushButton* addButton(const QString& text, QDialogButtonBox::ButtonRole role);

    // Shows the panel modal and raised above everything else.
    void present();

private:
    QVBoxLayout* m_layout;
    QDialogButtonBox* m_buttons;
};

} // namespace virel
