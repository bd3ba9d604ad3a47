#include "notch/X11TickerSurface.h"

#include "notch/X11FramePump.h"
#include "windows/X11Xcb.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSysInfo>
#include <algorithm>
#include <cstdlib>
#include <xcb/xcb.h>

namespace virel {

namespace {

xcb_connection_t* xcb(void* connection)
{
    return static_cast<xcb_connection_t*>(connection);
}

// The strip is a 32-bit image in the host's byte order; the server must take it as it is.
bool takesHostImages(xcb_connection_t* connection)
{
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const auto hostOrder =
        QSysInfo::ByteOrder == QSysInfo::LittleEndian ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
    if (setup == nullptr || setup->image_byte_order != hostOrder) {
        return false;
    }
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem > 0; xcb_format_next(&it)) {
        if (it.data->depth == 24 && it.data->bits_per_pixel == 32) {
            return true;
        }
    }
    return false;
}

} // namespace

std::unique_ptr<X11TickerSurface> X11TickerSurface::create(QWidget& ticker)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr || !takesHostImages(x11->connection())) {
        return nullptr;
    }
    return std::unique_ptr<X11TickerSurface>(new X11TickerSurface(ticker, x11->connection()));
}

X11TickerSurface::X11TickerSurface(QWidget& ticker, void* connection)
    : m_ticker(&ticker), m_connection(connection),
      m_events(std::make_unique<X11Xcb::EventTap>([this](const xcb_generic_event_t& event, int kind) {
          // The server's VisibilityNotify events for the ticker's window; Qt itself ignores them.
          if (kind == XCB_EXPOSE) {
              exposed(X11Xcb::as<xcb_expose_event_t>(event).window);
          } else if (kind == XCB_VISIBILITY_NOTIFY) {
              const auto& visibility = X11Xcb::as<xcb_visibility_notify_event_t>(event);
              visibilityChanged(visibility.window, visibility.state == XCB_VISIBILITY_FULLY_OBSCURED);
          }
      }))
{}

X11TickerSurface::~X11TickerSurface()
{
    release();
    if (m_gc != 0) {
        xcb_free_gc(xcb(m_connection), m_gc);
        xcb_flush(xcb(m_connection));
    }
}

void X11TickerSurface::release()
{
    halt();
    if (m_pixmap != 0) {
        xcb_free_pixmap(xcb(m_connection), m_pixmap);
        m_pixmap = 0;
    }
}

bool X11TickerSurface::load(const QImage& strip, int top)
{
    release();
    if (!m_ticker || strip.isNull() || strip.format() != QImage::Format_RGB32) {
        return false;
    }
    xcb_connection_t* connection = xcb(m_connection);
    const auto window = static_cast<xcb_window_t>(m_ticker->window()->winId());
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr);
    const uint8_t depth = geometry != nullptr ? geometry->depth : 0;
    std::free(geometry);
    if (depth != 24) {
        return false;
    }
    const xcb_pixmap_t pixmap = xcb_generate_id(connection);
    xcb_generic_error_t* error =
        xcb_request_check(connection, xcb_create_pixmap_checked(connection, depth, pixmap, window,
                                                                static_cast<uint16_t>(strip.width()),
                                                                static_cast<uint16_t>(strip.height())));
    if (error != nullptr) {
        std::free(error);
        return false;
    }
    m_pixmap = pixmap;
    if (m_gc == 0) {
        // Copies within the server never report exposures back; nothing here would use them.
        m_gc = xcb_generate_id(connection);
        const uint32_t noExposures = 0;
        xcb_create_gc(connection, m_gc, pixmap, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    }
    // In bands of whole lines that each fit one request.
    const auto bytesPerLine = static_cast<uint32_t>(strip.bytesPerLine());
    const uint32_t requestBytes = xcb_get_maximum_request_length(connection) * 4 - 64;
    const int linesPerBand = std::max<int>(static_cast<int>(requestBytes / bytesPerLine), 1);
    for (int y = 0; y < strip.height(); y += linesPerBand) {
        const int lines = std::min(linesPerBand, strip.height() - y);
        xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, m_gc,
                      static_cast<uint16_t>(strip.width()), static_cast<uint16_t>(lines), 0,
                      static_cast<int16_t>(y), 0, depth, bytesPerLine * static_cast<uint32_t>(lines),
                      strip.constScanLine(y));
    }
    m_stripSize = strip.size();
    m_top = top;
    watchVisibility(window);
    xcb_flush(connection);
    return true;
}

void X11TickerSurface::show(int sourceX)
{
    if (m_pixmap == 0 || !m_ticker) {
        return;
    }
    QWidget* window = m_ticker->window();
    const QPoint at = m_ticker->mapTo(window, QPoint(0, 0));
    const int width = std::min(m_ticker->width(), m_stripSize.width() - sourceX);
    const int height = std::min(m_ticker->height() - m_top, m_stripSize.height());
    if (width <= 0 || height <= 0) {
        return;
    }
    xcb_connection_t* connection = xcb(m_connection);
    xcb_copy_area(connection, m_pixmap, static_cast<xcb_window_t>(window->winId()), m_gc,
                  static_cast<int16_t>(sourceX), 0, static_cast<int16_t>(at.x()),
                  static_cast<int16_t>(at.y() + m_top), static_cast<uint16_t>(width),
                  static_cast<uint16_t>(height));
    xcb_flush(connection);
}

void X11TickerSurface::flow(double leadSeconds, double speed, double cycle)
{
    if (m_pixmap == 0 || !m_ticker) {
        return;
    }
    QWidget* window = m_ticker->window();
    const QPoint at = m_ticker->mapTo(window, QPoint(0, 0));
    X11FramePump::Flow flow;
    flow.connection = m_connection;
    flow.pixmap = m_pixmap;
    flow.gc = m_gc;
    flow.window = static_cast<quint32>(window->winId());
    flow.x = at.x();
    flow.y = at.y() + m_top;
    flow.width = std::min(m_ticker->width(), m_stripSize.width());
    flow.height = std::min(m_ticker->height() - m_top, m_stripSize.height());
    flow.leadSeconds = leadSeconds;
    flow.speed = speed;
    flow.cycle = cycle;
    X11FramePump::instance().start(this, flow);
}

void X11TickerSurface::halt()
{
    X11FramePump::instance().stop(this);
}

void X11TickerSurface::watchVisibility(quint32 window)
{
    if (window == m_watchedWindow) {
        return;
    }
    xcb_connection_t* connection = xcb(m_connection);
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    if (attributes == nullptr) {
        return;
    }
    const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_VISIBILITY_CHANGE;
    std::free(attributes);
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
    m_watchedWindow = window;
    m_covered = false;
}

void X11TickerSurface::exposed(quint32 window)
{
    if (window == m_watchedWindow && m_pixmap != 0) {
        // Qt answers the expose with its own last picture of the window, which may be frames old;
        // the current frame goes over it once Qt is done.
        QMetaObject::invokeMethod(this, &X11TickerSurface::redrawNeeded, Qt::QueuedConnection);
    }
}

void X11TickerSurface::visibilityChanged(quint32 window, bool covered)
{
    if (window != m_watchedWindow || covered == m_covered) {
        return;
    }
    m_covered = covered;
    emit coveredChanged(covered);
}

} // namespace virel
