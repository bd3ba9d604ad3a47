#pragma once

#include <QTimer>
#include <QWidget>

namespace virel {

// An indeterminate progress indicator; it animates only while it is visible.
class Spinner : public QWidget
{
    Q_OBJECT

public:
    explicit Spinner(int size, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer m_timer;
    int m_step = 0;
};

} // namespace virel
