#pragma once

#include <QStringList>
#include <QWidget>

namespace virel {

// A row of mutually exclusive segments, one of which is always chosen.
class SegmentedControl : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int currentIndex READ currentIndex WRITE setCurrentIndex NOTIFY currentIndexChanged)

public:
    explicit SegmentedControl(const QStringList& labels, QWidget* parent = nullptr);

    int count() const { return static_cast<int>(m_labels.size()); }
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index);
    // Where segment `index` is drawn, in this widget's coordinates.
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void currentIndexChanged(int index);
    // Only for choices the user made.
    void activated(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void choose(int index);
    int segmentWidth(int index) const;

    QStringList m_labels;
    int m_current = 0;
    // The focus ring shows only when the keyboard brought the focus here.
    bool m_keyboardFocus = false;
};

} // namespace virel
