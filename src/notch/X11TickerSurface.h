#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <memory>

namespace virel {

namespace X11Xcb {
class EventTap;
}

// The flowing ticker's frames on X11 without Qt's repaint: the strip of repeated copies lives in a
// pixmap on the X server, and a frame is one CopyArea of its visible part into the window. It also
// tells when the window is wholly covered, so frames nobody sees are not sent.
class X11TickerSurface : public QObject
{
    Q_OBJECT
public:
    // None when the application does not run on X11 or its pixel format is not the 32-bit one the
    // strip is drawn in.
    static std::unique_ptr<X11TickerSurface> create(QWidget& ticker);
    ~X11TickerSurface() override;

    // Replaces the strip, which covers the ticker from `top` down; false when the server refused it
    // (then frames go the widget way).
    bool load(const QImage& strip, int top);
    bool isLoaded() const { return m_pixmap != 0; }
    // Shows the strip from `sourceX` on, filling the ticker.
    void show(int sourceX);
    // Hands the frames to the frame thread, which moves the strip `speed` pixels a second round a
    // `cycle`, `leadSeconds` ahead of the wall clock, until `halt`.
    void flow(double leadSeconds, double speed, double cycle);
    void halt();
    bool isCovered() const { return m_covered; }

signals:
    void coveredChanged(bool covered);
    void redrawNeeded();

private:
    X11TickerSurface(QWidget& ticker, void* connection);
    void release();
    void watchVisibility(quint32 window);
    void visibilityChanged(quint32 window, bool covered);
    void exposed(quint32 window);

    QPointer<QWidget> m_ticker;
    void* m_connection;
    quint32 m_pixmap = 0;
    quint32 m_gc = 0;
    quint32 m_watchedWindow = 0;
    QSize m_stripSize;
    int m_top = 0;
    bool m_covered = false;
    std::unique_ptr<X11Xcb::EventTap> m_events;
};

} // namespace virel
