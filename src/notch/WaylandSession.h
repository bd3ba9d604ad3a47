#pragma once

#include <QObject>
#include <QPointF>
#include <memory>
#include <optional>

class QSocketNotifier;
struct wl_display;
struct wl_compositor;
struct wl_shm;
struct wl_output;
struct wl_surface;
struct xdg_wm_base;
struct zwlr_layer_shell_v1;

namespace virel {

class LayerPanel;

// The application's own connection to the Wayland compositor, beside Qt's X11 one through
// XWayland. Where the compositor offers the layer shell, the strip, the glance and the ticker bar
// are drawn as desktop surfaces on it (see LayerPanel); where it offers an idle notice, it also
// tells how long nobody has touched the keyboard or the pointer.
class WaylandSession : public QObject
{
    Q_OBJECT
public:
    // How long without input counts as idle for the compositor's notice.
    static constexpr int idleTimeoutMs = 5 * 60 * 1000;

    // None outside a Wayland session, or when the compositor offers neither the layer shell nor an
    // idle notice.
    static std::unique_ptr<WaylandSession> connect();
    ~WaylandSession() override;

    bool hasLayerShell() const;
    // Seconds since the last input, counted from the compositor's idle notice; none without one.
    std::optional<double> idleSeconds() const;
    // The highest scale among the outputs, for surfaces that have not entered one yet.
    bool hasOutput() const;
    int outputScale() const;
    int outputScale(wl_output* output) const;

    // For LayerPanel.
    wl_display* display() const;
    wl_compositor* compositor() const;
    wl_shm* shm() const;
    zwlr_layer_shell_v1* layerShell() const;
    xdg_wm_base* shell() const;
    void flush();

    struct Globals;

private:
    explicit WaylandSession(wl_display* display);
    void dispatch();

    std::unique_ptr<Globals> m_globals;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace virel
