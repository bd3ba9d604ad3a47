#include "windows/WindowStyle.h"

#include "platform/Origins.h"
#include "windows/X11Activation.h"

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
#include <cstdlib>
#include <dlfcn.h>
#include <xcb/xcb.h>

namespace virel::WindowStyle {

namespace {

// Asks the X server whether a compositing manager owns the _NET_WM_CM_S0 selection. libxcb is
// already loaded by Qt's X11 platform plugin; it is looked up there instead of being linked, so the
// application keeps running on Wayland and offscreen without it.
bool x11CompositorActive()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return false;
    }
    void* xcb = dlopen("libxcb.so.1", RTLD_LAZY | RTLD_NOLOAD);
    if (xcb == nullptr) {
        return false;
    }
    using InternAtom = xcb_intern_atom_cookie_t (*)(xcb_connection_t*, uint8_t, uint16_t, const char*);
    using InternAtomReply =
        xcb_intern_atom_reply_t* (*)(xcb_connection_t*, xcb_intern_atom_cookie_t, xcb_generic_error_t**);
    using GetOwner = xcb_get_selection_owner_cookie_t (*)(xcb_connection_t*, xcb_atom_t);
    using GetOwnerReply =
        xcb_get_selection_owner_reply_t* (*)(xcb_connection_t*, xcb_get_selection_owner_cookie_t,
                                             xcb_generic_error_t**);
    const auto internAtom = reinterpret_cast<InternAtom>(dlsym(xcb, "xcb_intern_atom"));
    const auto internAtomReply = reinterpret_cast<InternAtomReply>(dlsym(xcb, "xcb_intern_atom_reply"));
    const auto getOwner = reinterpret_cast<GetOwner>(dlsym(xcb, "xcb_get_selection_owner"));
    const auto getOwnerReply = reinterpret_cast<GetOwnerReply>(dlsym(xcb, "xcb_get_selection_owner_reply"));
    bool active = false;
    if (internAtom != nullptr && internAtomReply != nullptr && getOwner != nullptr &&
        getOwnerReply != nullptr) {
        xcb_connection_t* connection = x11->connection();
        static constexpr char name[] = "_NET_WM_CM_S0";
        xcb_intern_atom_reply_t* atom =
            internAtomReply(connection, internAtom(connection, 1, sizeof(name) - 1, name), nullptr);
        if (atom != nullptr && atom->atom != XCB_ATOM_NONE) {
            xcb_get_selection_owner_reply_t* owner =
                getOwnerReply(connection, getOwner(connection, atom->atom), nullptr);
            active = owner != nullptr && owner->owner != XCB_WINDOW_NONE;
            std::free(owner);
        }
        std::free(atom);
    }
    dlclose(xcb);
    return active;
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
