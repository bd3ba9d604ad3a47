#pragma once

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>

struct wl_buffer;
struct wl_callback;
struct wl_output;
struct wl_surface;
struct xdg_popup;
struct xdg_surface;
struct zwlr_layer_surface_v1;

namespace virel {

class WaylandSession;

// One of the application's surfaces as a layer-shell surface at the top of the output, drawn by
// the same widget that draws it on X11: the widget is kept shown but off screen, and whenever it
// asks for a repaint its picture is rendered at the output's scale into shared memory. Frames go
// out only when the compositor asks for the next one, so an output that shows nothing costs nothing;
// a compositor that stops asking (the surface is hidden) pauses the widget until it asks again.
class LayerPanel : public QObject
{
    Q_OBJECT
public:
    struct Placement
    {
        bool fullWidth = false;       // anchored to the left and right edges too
        QSize size;                   // in points; the width is the output's when full width
        int exclusiveZone = 0;        // the band kept free of windows; 0 stays clear of other bands
        int marginTop = 0;            // from the top edge of the area the bands leave, or of the parent
        bool receivesPointer = false; // otherwise every click goes through
        int inputMargin = 0;          // empty border round the content that still takes the pointer
        // A surface that hangs from another one, centred on it, instead of from the output's edge;
        // it goes wherever the compositor puts the parent.
        LayerPanel* parent = nullptr;
        bool operator==(const Placement&) const = default;
    };

    LayerPanel(WaylandSession& session, QWidget& content, const char* role, const Placement& placement);
    ~LayerPanel() override;

    void setPlacement(const Placement& placement);
    // A second widget drawn over the content, centred at its top, which alone then takes the
    // pointer; the surface is as high as the taller of the two. None removes it.
    void setInset(QWidget* inset);
    // Device pixels per point of the outputs the surface is on.
    int scale() const { return m_scale; }

    // Every live panel, for the session's events.
    static const QList<LayerPanel*>& all();
    void outputsChanged();
    void pointerEntered(QPointF at);
    void pointerMoved(QPointF at);
    void pointerLeft();
    void pointerButton(Qt::MouseButton button, bool pressed);
    // Where a point of the panel lies in the windowing system's coordinates, for menus opened from
    // it.
    void setScreenPosition(std::function<QPoint(QPointF)> toScreen);

signals:
    void configuredSize(QSize size);
    // Where the pointer is on the panel, in points from the top-left corner of the content, or of
    // the inset when there is one.
    void pointerMovedTo(QPointF at);
    void pointerLeftPanel();
    void scaleChanged(int scale);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Buffer
    {
        wl_buffer* buffer = nullptr;
        uchar* data = nullptr;
        qsizetype bytes = 0;
        QSize pixels;
        bool busy = false;
    };

    void createRole();
    void destroyRole();
    void createPopup();
    void configured(QSize size);
    void closedByCompositor();
    void reopen();
    void applyPlacement();
    void applyInput();
    QRect insetFrame() const;
    const QImage& insetPicture();
    void showContent(bool shown);
    void updateScale();
    void requestFrame();
    void draw();
    void frameDone();
    Buffer* freeBuffer(QSize pixels);
    static void release(Buffer& buffer);

    WaylandSession& m_session;
    QPointer<QWidget> m_content;
    QPointer<QWidget> m_inset;
    QImage m_insetPicture;
    Placement m_placement;
    const char* m_role;
    wl_surface* m_surface = nullptr;
    zwlr_layer_surface_v1* m_layer = nullptr;
    xdg_surface* m_xdgSurface = nullptr;
    xdg_popup* m_popup = nullptr;
    QMetaObject::Connection m_parentConfigured;
    wl_callback* m_frame = nullptr;
    QList<wl_output*> m_outputs; // that the surface is on
    std::array<Buffer, 2> m_buffers;
    QSize m_size; // configured, in points
    int m_scale = 1;
    bool m_configured = false;
    bool m_closed = false;   // by the compositor
    bool m_reopened = false; // since the outputs last changed
    bool m_dirty = true;
    bool m_paused = false; // the compositor stopped asking for frames
    QTimer m_stall;
    QPointF m_pointer;
    std::function<QPoint(QPointF)> m_toScreen;
};

} // namespace virel
