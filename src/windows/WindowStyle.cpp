#include "windows/WindowStyle.h"

#include "platform/Origins.h"
#include "windows/X11Activation.h"
#include "windows/X11Xcb.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollArea>
#include <QWidget>

namespace virel::WindowStyle {

namespace {

// Asks the X server whether a compositing manager owns the _NET_WM_CM_S0 selection.
bool x11CompositorActive()
{
    xcb_connection_t* connection = X11Xcb::connection();
    if (connection == nullptr) {
        return false;
    }
    const xcb_atom_t selection = X11Xcb::atom(connection, "_NET_WM_CM_S0", true);
    if (selection == XCB_ATOM_NONE) {
        return false;
    }
    const X11Xcb::Reply<xcb_get_selection_owner_reply_t> owner(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

// Paints the tinted translucent background before the window draws its own content.
class MaterialPainter final : public QObject
{
public:
    explicit MaterialPainter(QWidget* window) : QObject(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            auto* window = static_cast<QWidget*>(watched);
            const bool dark = window->palette().color(QPalette::Window).lightness() < 128;
            QPainter painter(window);
            painter.fillRect(window->rect(), dark ? QColor(30, 30, 32, 218) : QColor(244, 244, 247, 218));
        }
        return false;
    }
};

QColor rgb(double red, double green, double blue)
{
    return QColor::fromRgbF(static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue));
}

} // namespace

bool compositorActive()
{
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(u"wayland")) {
        return true;
    }
    return platform == u"xcb" && x11CompositorActive();
}

void applyMaterial(QWidget* window)
{
    if (compositorActive()) {
        window->setAttribute(Qt::WA_TranslucentBackground);
        window->installEventFilter(new MaterialPainter(window));
    } else {
        window->setAutoFillBackground(true);
    }
}

void presentCentred(QWidget* window)
{
    QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen != nullptr) {
        QRect frame(QPoint(), window->size());
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    bringToFront(window);
}

void bringToFront(QWidget* window)
{
    if (window->isMinimized()) {
        window->showNormal();
    } else {
        window->show();
    }
    window->raise();
    window->activateWindow();
    X11Activation::activate(window);
}

QWidget* divider(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    setTextColor(line, toneColor(parent->palette(), Tone::tertiary));
    return line;
}

QScrollArea* transparentScrollArea(QWidget* content, QWidget* parent)
{
    auto* scroll = new QScrollArea(parent);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    scroll->setWidget(content);
    return scroll;
}

QFont font(int pixelSize, QFont::Weight weight)
{
    QFont result = QApplication::font();
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    return result;
}

QFont monospacedFont(int pixelSize, QFont::Weight weight)
{
    QFont result = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    return result;
}

QColor toneColor(const QPalette& palette, Tone tone)
{
    QColor color = palette.color(QPalette::WindowText);
    switch (tone) {
    case Tone::primary:
        break;
    case Tone::secondary:
        color.setAlphaF(0.6F);
        break;
    case Tone::tertiary:
        color.setAlphaF(0.35F);
        break;
    }
    return color;
}

void styleLabel(QLabel* label, int pixelSize, Tone tone, QFont::Weight weight)
{
    label->setFont(font(pixelSize, weight));
    if (tone != Tone::primary) {
        setTextColor(label, toneColor(label->palette(), tone));
    }
}

void setTextColor(QWidget* widget, const QColor& color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::ButtonText, color);
    widget->setPalette(palette);
}

QColor changeColor(ChangeDirection direction)
{
    switch (direction) {
    case ChangeDirection::rise:
        return rgb(1.0, 0.33, 0.33);
    case ChangeDirection::fall:
        return rgb(0.36, 0.62, 1.0);
    case ChangeDirection::flat:
        break;
    }
    return systemGray();
}

QColor systemRed()
{
    return QColor(255, 59, 48);
}

QColor systemOrange()
{
    return QColor(255, 149, 0);
}

QColor systemYellow()
{
    return QColor(255, 204, 0);
}

QColor systemGreen()
{
    return QColor(52, 199, 89);
}

QColor systemGray()
{
    return QColor(142, 142, 147);
}

QString hourMinute(const QTime& time, const QLocale& locale)
{
    // Some short formats (the C locale's) carry seconds; drop them with their separator.
    static const QRegularExpression seconds(QStringLiteral("[:.]?s+"));
    return locale.toString(time, locale.timeFormat(QLocale::ShortFormat).remove(seconds));
}

bool openWebUrl(const QUrl& url)
{
    return Origins::isWebUrl(url) && QDesktopServices::openUrl(url);
}

} // namespace virel::WindowStyle
