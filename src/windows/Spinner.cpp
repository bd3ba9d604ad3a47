#include "windows/Spinner.h"

#include <QPainter>

namespace virel {

namespace {
constexpr int kSpokes = 12;
constexpr std::chrono::milliseconds kStepInterval{80};
} // namespace

Spinner::Spinner(int size, QWidget* parent) : QWidget(parent)
{
    setFixedSize(size, size);
    m_timer.setInterval(kStepInterval);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % kSpokes;
        update();
    });
}

void Spinner::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    QColor color = palette().color(QPalette::WindowText);
    QPen pen(color, std::max(1.5, side / 11), Qt::SolidLine, Qt::RoundCap);
    for (int spoke = 0; spoke < kSpokes; ++spoke) {
        // The spoke at the current step is darkest; the ones behind it fade out.
        const int age = (m_step - spoke + kSpokes) % kSpokes;
        color.setAlphaF(static_cast<float>(1.0 - age * 0.07));
        pen.setColor(color);
        painter.setPen(pen);
        painter.save();
        painter.rotate(spoke * 360.0 / kSpokes);
        painter.drawLine(QPointF(0, -side * 0.24), QPointF(0, -side * 0.44));
        painter.restore();
    }
}

void Spinner::showEvent(QShowEvent* event)
{
    m_timer.start();
    QWidget::showEvent(event);
}

void Spinner::hideEvent(QHideEvent* event)
{
    m_timer.stop();
    QWidget::hideEvent(event);
}

} // namespace virel
