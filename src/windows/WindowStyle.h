#pragma once

#include "model/Quote.h"

#include <QColor>
#include <QFont>
#include <QLayout>
#include <QList>
#include <QLocale>
#include <QTime>
#include <QUrl>

class QLabel;
class QScrollArea;
class QWidget;

// Looks and window handling shared by the small windows.
namespace virel::WindowStyle {

// True when a compositing manager runs, so a translucent window really shows what lies behind it.
bool compositorActive();

// Gives a top-level window its translucent material: a dark or light tinted translucent background
// where a compositor allows it, the plain palette background otherwise.
void applyMaterial(QWidget* window);

// Centres a top-level window on the screen it is on (or the primary one), then shows it, raises it
// and asks for the keyboard focus.
void presentCentred(QWidget* window);
// Shows, raises and activates a window, taking the focus even from the window the user types in:
// it is for windows the user just asked for.
void bringToFront(QWidget* window);

// A thin horizontal line between the parts of a window.
QWidget* divider(QWidget* parent);
// A frameless vertical scroll area over `content` that lets the window's background show through.
QScrollArea* transparentScrollArea(QWidget* content, QWidget* parent);

// The widgets of type T laid out directly in `layout`, in layout order.
template <typename T> QList<T*> widgetsIn(const QLayout* layout)
{
    QList<T*> widgets;
    for (int index = 0; index < layout->count(); ++index) {
        if (auto* widget = qobject_cast<T*>(layout->itemAt(index)->widget())) {
            widgets.append(widget);
        }
    }
    return widgets;
}

// A font of the given size in logical pixels (the size a user sees), optionally bold or monospaced.
QFont font(int pixelSize, QFont::Weight weight = QFont::Normal);
QFont monospacedFont(int pixelSize, QFont::Weight weight = QFont::Normal);

enum class Tone { primary, secondary, tertiary };
// The text colour of a tone under a palette: secondary and tertiary are the text colour faded.
QColor toneColor(const QPalette& palette, Tone tone);
// A label with a font size and tone; `tone` keeps following the palette.
void styleLabel(QLabel* label, int pixelSize, Tone tone = Tone::primary,
                QFont::Weight weight = QFont::Normal);
void setTextColor(QWidget* widget, const QColor& color);

// The colour of a price change: rise red, fall blue, no change gray.
QColor changeColor(ChangeDirection direction);

// The system colours named by the designs.
QColor systemRed();
QColor systemOrange();
QColor systemYellow();
QColor systemGreen();
QColor systemGray();

// Hour and minute in the locale's short form, with its AM/PM marker where it uses one; never seconds.
QString hourMinute(const QTime& time, const QLocale& locale = QLocale());

// Opens a web address (http or https only) in the default browser; anything else opens nothing.
bool openWebUrl(const QUrl& url);

} // namespace virel::WindowStyle
