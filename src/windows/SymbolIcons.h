#pragma once

#include <QColor>
#include <QIcon>
#include <QWidget>

class QPainter;

namespace virel {

// The small line symbols of the windows, drawn as vectors so they stay sharp at every scale.
enum class Symbol {
    dragHandle, // three horizontal lines
    trash,
    copy, // two overlapping sheets
    checkmark,
    checkmarkCircleFill,
    warningFill, // exclamation mark in a filled triangle
    bolt,
    banknote,
    branch, // a path splitting in two
    newspaper,
    arrowUpRight,
    arrowClockwise,
};

namespace SymbolIcons {
// Draws `symbol` in `color`, fitted into the square centred in `rect`.
void paint(QPainter& painter, Symbol symbol, const QRectF& rect, const QColor& color);
// An icon drawing `symbol`; an invalid colour follows the button text colour of the palette in use.
QIcon icon(Symbol symbol, const QColor& color = QColor());
} // namespace SymbolIcons

// A symbol shown as a fixed-size picture.
class SymbolView : public QWidget
{
    Q_OBJECT

public:
    SymbolView(Symbol symbol, const QColor& color, int size, QWidget* parent = nullptr);

    Symbol symbol() const { return m_symbol; }
    QColor color() const { return m_color; }
    void setSymbol(Symbol symbol);
    void setColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Symbol m_symbol;
    QColor m_color;
};

} // namespace virel
