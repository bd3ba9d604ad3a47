#include "windows/SegmentedControl.h"

#include "windows/WindowStyle.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace virel {

namespace {
constexpr int kHeight = 24;
constexpr int kTextPadding = 14;
constexpr int kFontSize = 12;
constexpr double kRadius = 6;
} // namespace

SegmentedControl::SegmentedControl(const QStringList& labels, QWidget* parent)
    : QWidget(parent), m_labels(labels)
{
    setFont(WindowStyle::font(kFontSize));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void SegmentedControl::setCurrentIndex(int index)
{
    if (index < 0 || index >= count() || index == m_current) {
        return;
    }
    m_current = index;
    update();
    emit currentIndexChanged(index);
}

QRect SegmentedControl::segmentRect(int index) const
{
    const int left = index * width() / std::max(1, count());
    const int right = (index + 1) * width() / std::max(1, count());
    return QRect(left, 0, right - left, height());
}

int SegmentedControl::segmentWidth(int index) const
{
    return fontMetrics().horizontalAdvance(m_labels.at(index)) + 2 * kTextPadding;
}

QSize SegmentedControl::sizeHint() const
{
    int widest = 0;
    for (int index = 0; index < count(); ++index) {
        widest = std::max(widest, segmentWidth(index));
    }
    return QSize(widest * count(), kHeight);
}

QSize SegmentedControl::minimumSizeHint() const
{
    return sizeHint();
}

void SegmentedControl::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor text = palette().color(QPalette::WindowText);
    const bool dark = palette().color(QPalette::Window).lightness() < 128;

    QColor track = text;
    track.setAlphaF(0.09F);
    painter.setPen(Qt::NoPen);
    painter.setBrush(track);
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);

    for (int index = 0; index < count(); ++index) {
        const QRect segment = segmentRect(index);
        if (index == m_current) {
            painter.setBrush(dark ? QColor(255, 255, 255, 56) : QColor(255, 255, 255));
            painter.setPen(QPen(QColor(0, 0, 0, dark ? 0 : 28), 0.5));
            painter.drawRoundedRect(QRectF(segment).adjusted(2, 2, -2, -2), kRadius - 1.5, kRadius - 1.5);
            if (hasFocus() && m_keyboardFocus) {
                QColor focus = palette().color(QPalette::Highlight);
                focus.setAlphaF(0.6F);
                painter.setPen(QPen(focus, 1.5));
                painter.setBrush(Qt::NoBrush);
                painter.drawRoundedRect(QRectF(segment).adjusted(1, 1, -1, -1), kRadius - 1, kRadius - 1);
            }
        } else if (index > 0 && index - 1 != m_current) {
            QColor separator = text;
            separator.setAlphaF(0.18F);
            painter.setPen(QPen(separator, 1));
            painter.drawLine(QPointF(segment.left() + 0.5, 6), QPointF(segment.left() + 0.5, height() - 6));
        }
        painter.setPen(text);
        painter.drawText(segment, Qt::AlignCenter, m_labels.at(index));
    }
}

void SegmentedControl::choose(int index)
{
    if (index < 0 || index >= count()) {
        return;
    }
    const bool changed = index != m_current;
    setCurrentIndex(index);
    if (changed) {
        emit activated(index);
    }
}

void SegmentedControl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    for (int index = 0; index < count(); ++index) {
        if (segmentRect(index).contains(event->position().toPoint())) {
            choose(index);
            return;
        }
    }
}

void SegmentedControl::focusInEvent(QFocusEvent* event)
{
    m_keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QWidget::focusInEvent(event);
}

void SegmentedControl::focusOutEvent(QFocusEvent* event)
{
    m_keyboardFocus = false;
    QWidget::focusOutEvent(event);
}

void SegmentedControl::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        choose(m_current - 1);
        break;
    case Qt::Key_Right:
        choose(m_current + 1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

} // namespace virel
