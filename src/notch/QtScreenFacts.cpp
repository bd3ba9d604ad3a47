#include "notch/QtScreenFacts.h"

#include "notch/X11Dock.h"
#include "notch/X11RootWatch.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace virel {

QtScreenFacts::QtScreenFacts(QObject* parent) : ScreenFacts(parent), m_root(X11RootWatch::create())
{
    if (m_root) {
        connect(m_root.get(), &X11RootWatch::fullScreenChanged, this, &ScreenFacts::fullScreenChanged);
        connect(m_root.get(), &X11RootWatch::clientsChanged, this, &ScreenFacts::changed);
    }
    connect(qGuiApp, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watch(screen);
        emit changed();
    });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &ScreenFacts::changed);
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &ScreenFacts::changed);
    for (QScreen* screen : QGuiApplication::screens()) {
        watch(screen);
    }
}

QtScreenFacts::~QtScreenFacts() = default;

std::optional<QRectF> QtScreenFacts::fullScreenWindow() const
{
    const auto window = m_root ? m_root->fullScreenWindow() : std::nullopt;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (!window || primary == nullptr) {
        return std::nullopt;
    }
    // The root window counts device pixels; Qt's geometry counts them divided by the scale.
    const double scale = primary->devicePixelRatio();
    return QRectF(window->x() / scale, window->y() / scale, window->width() / scale,
                  window->height() / scale);
}

void QtScreenFacts::watch(QScreen* screen)
{
    connect(screen, &QScreen::geometryChanged, this, &ScreenFacts::changed);
    connect(screen, &QScreen::availableGeometryChanged, this, &ScreenFacts::changed);
}

ScreenInfo QtScreenFacts::infoOf(const QScreen& screen) const
{
    const QRectF primary = primaryGeometry();
    ScreenInfo info;
    info.frame = toDesk(screen.geometry(), primary);
    info.visibleFrame = toDesk(screen.availableGeometry(), primary);
    // Other clients' struts are in device pixels.
    const QRect area = screen.geometry();
    const double scale = screen.devicePixelRatio();
    const quint32 band =
        X11Dock::othersTopBand(m_dock, qRound(area.left() * scale), qRound((area.right() + 1) * scale));
    info.panelBand = std::max(band / scale - area.top(), 0.0);
    return info;
}

std::optional<ScreenInfo> QtScreenFacts::mainScreen() const
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary == nullptr) {
        return std::nullopt;
    }
    return infoOf(*primary);
}

QList<ScreenInfo> QtScreenFacts::screens() const
{
    QList<ScreenInfo> result;
    const QScreen* primary = QGuiApplication::primaryScreen();
    if (primary != nullptr) {
        result.append(infoOf(*primary));
    }
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen != primary) {
            result.append(infoOf(*screen));
        }
    }
    return result;
}

QRectF QtScreenFacts::primaryGeometry() const
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary != nullptr ? QRectF(primary->geometry()) : QRectF();
}

bool QtScreenFacts::reservesDockBands() const
{
    return X11Dock::supported();
}

void QtScreenFacts::makeDock(quintptr window)
{
    m_dock = window;
    X11Dock::make(window);
}

void QtScreenFacts::reserveBand(quintptr window, const std::array<quint32, 12>& strut)
{
    X11Dock::reserve(window, strut);
}

} // namespace virel
