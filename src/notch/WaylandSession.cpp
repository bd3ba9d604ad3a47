#include "notch/WaylandSession.h"

#include "notch/LayerPanel.h"

#include "ext-idle-notify-v1-client-protocol.h"
#include "kde-idle-client-protocol.h"
#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include <QPointer>
#include <QSocketNotifier>
#include <algorithm>
#include <chrono>
#include <cstring>
#include <linux/input-event-codes.h>
#include <vector>
#include <wayland-client.h>

namespace virel {

namespace {

using Steady = std::chrono::steady_clock;

LayerPanel* panelOf(wl_surface* surface)
{
    return surface != nullptr ? static_cast<LayerPanel*>(wl_surface_get_user_data(surface)) : nullptr;
}

QPointF point(wl_fixed_t x, wl_fixed_t y)
{
    return {wl_fixed_to_double(x), wl_fixed_to_double(y)};
}

} // namespace

struct WaylandSession::Globals
{
    struct Output
    {
        wl_output* output = nullptr;
        uint32_t name = 0;
        int scale = 1;
    };

    wl_display* display = nullptr;
    wl_registry* registry = nullptr;
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    zwlr_layer_shell_v1* layerShell = nullptr;
    xdg_wm_base* shell = nullptr; // for popups hanging from the layer surfaces
    wl_seat* seat = nullptr;
    wl_pointer* pointer = nullptr;
    ext_idle_notifier_v1* idleNotifier = nullptr;
    ext_idle_notification_v1* idleNotification = nullptr;
    org_kde_kwin_idle* kdeIdle = nullptr;
    org_kde_kwin_idle_timeout* kdeIdleTimeout = nullptr;
    std::vector<Output> outputs;
    QPointer<LayerPanel> pointerPanel; // the panel under the pointer
    std::optional<Steady::time_point> idleSince;

    ~Globals()
    {
        if (kdeIdleTimeout != nullptr) {
            org_kde_kwin_idle_timeout_release(kdeIdleTimeout);
        }
        if (kdeIdle != nullptr) {
            org_kde_kwin_idle_destroy(kdeIdle);
        }
        if (idleNotification != nullptr) {
            ext_idle_notification_v1_destroy(idleNotification);
        }
        if (idleNotifier != nullptr) {
            ext_idle_notifier_v1_destroy(idleNotifier);
        }
        if (pointer != nullptr) {
            wl_pointer_destroy(pointer);
        }
        if (seat != nullptr) {
            wl_seat_destroy(seat);
        }
        for (const Output& o : outputs) {
            wl_output_destroy(o.output);
        }
        if (shell != nullptr) {
            xdg_wm_base_destroy(shell);
        }
        if (layerShell != nullptr) {
            zwlr_layer_shell_v1_destroy(layerShell);
        }
        if (shm != nullptr) {
            wl_shm_destroy(shm);
        }
        if (compositor != nullptr) {
            wl_compositor_destroy(compositor);
        }
        if (registry != nullptr) {
            wl_registry_destroy(registry);
        }
        wl_display_disconnect(display);
    }

    // Either notice works the same way: idle after the timeout, resumed at the next input.
    void watchIdle()
    {
        if (seat == nullptr || idleNotification != nullptr || kdeIdleTimeout != nullptr) {
            return;
        }
        if (idleNotifier != nullptr) {
            static const ext_idle_notification_v1_listener listener{
                .idled = [](void* data, ext_idle_notification_v1*) { static_cast<Globals*>(data)->idled(); },
                .resumed = [](void* data,
                              ext_idle_notification_v1*) { static_cast<Globals*>(data)->idleSince.reset(); },
            };
            idleNotification = ext_idle_notifier_v1_get_idle_notification(idleNotifier, idleTimeoutMs, seat);
            ext_idle_notification_v1_add_listener(idleNotification, &listener, this);
        } else if (kdeIdle != nullptr) {
            static const org_kde_kwin_idle_timeout_listener listener{
                .idle = [](void* data, org_kde_kwin_idle_timeout*) { static_cast<Globals*>(data)->idled(); },
                .resumed = [](void* data,
                              org_kde_kwin_idle_timeout*) { static_cast<Globals*>(data)->idleSince.reset(); },
            };
            kdeIdleTimeout = org_kde_kwin_idle_get_idle_timeout(kdeIdle, seat, idleTimeoutMs);
            org_kde_kwin_idle_timeout_add_listener(kdeIdleTimeout, &listener, this);
        }
    }

    // The notice comes once the timeout has passed without input; the idle time counts from its start.
    void idled() { idleSince = Steady::now() - std::chrono::milliseconds(idleTimeoutMs); }

    void bind(uint32_t name, const char* interface, uint32_t version)
    {
        const auto is = [interface](const wl_interface& known) {
            return std::strcmp(interface, known.name) == 0;
        };
        const auto take = [this, name, version](const wl_interface& known, uint32_t wanted) {
            return wl_registry_bind(registry, name, &known, std::min(version, wanted));
        };
        if (is(wl_compositor_interface)) {
            compositor = static_cast<wl_compositor*>(take(wl_compositor_interface, 4));
        } else if (is(wl_shm_interface)) {
            shm = static_cast<wl_shm*>(take(wl_shm_interface, 1));
        } else if (is(zwlr_layer_shell_v1_interface)) {
            layerShell = static_cast<zwlr_layer_shell_v1*>(take(zwlr_layer_shell_v1_interface, 3));
        } else if (is(xdg_wm_base_interface)) {
            shell = static_cast<xdg_wm_base*>(take(xdg_wm_base_interface, 1));
            static const xdg_wm_base_listener listener{
                .ping = [](void*, xdg_wm_base* shell, uint32_t serial) { xdg_wm_base_pong(shell, serial); },
            };
            xdg_wm_base_add_listener(shell, &listener, this);
        } else if (is(ext_idle_notifier_v1_interface)) {
            idleNotifier = static_cast<ext_idle_notifier_v1*>(take(ext_idle_notifier_v1_interface, 1));
        } else if (is(org_kde_kwin_idle_interface)) {
            kdeIdle = static_cast<org_kde_kwin_idle*>(take(org_kde_kwin_idle_interface, 1));
        } else if (is(wl_output_interface) && version >= 2) {
            addOutput(name, static_cast<wl_output*>(take(wl_output_interface, 2)));
        } else if (is(wl_seat_interface) && seat == nullptr) {
            seat = static_cast<wl_seat*>(take(wl_seat_interface, 5));
            watchSeat();
        }
    }

    void addOutput(uint32_t name, wl_output* output)
    {
        static const wl_output_listener listener{
            .geometry = [](void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t, const char*,
                           const char*, int32_t) {},
            .mode = [](void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {},
            .done = [](void*, wl_output*) {},
            .scale =
                [](void* data, wl_output* output, int32_t factor) {
                    auto* self = static_cast<Globals*>(data);
                    for (Output& o : self->outputs) {
                        if (o.output == output) {
                            o.scale = std::max(factor, 1);
                        }
                    }
                    self->tellPanelsOutputsChanged();
                },
            .name = nullptr,
            .description = nullptr,
        };
        outputs.push_back({output, name, 1});
        wl_output_add_listener(output, &listener, this);
        tellPanelsOutputsChanged();
    }

    void removeOutput(uint32_t name)
    {
        const auto gone =
            std::find_if(outputs.begin(), outputs.end(), [name](const Output& o) { return o.name == name; });
        if (gone != outputs.end()) {
            wl_output_destroy(gone->output);
            outputs.erase(gone);
            tellPanelsOutputsChanged();
        }
    }

    void tellPanelsOutputsChanged()
    {
        for (LayerPanel* panel : LayerPanel::all()) {
            panel->outputsChanged();
        }
    }

    void watchSeat()
    {
        static const wl_seat_listener listener{
            .capabilities =
                [](void* data, wl_seat*, uint32_t capabilities) {
                    auto* self = static_cast<Globals*>(data);
                    const bool hasPointer = (capabilities & WL_SEAT_CAPABILITY_POINTER) != 0;
                    if (hasPointer && self->pointer == nullptr) {
                        self->pointer = wl_seat_get_pointer(self->seat);
                        wl_pointer_add_listener(self->pointer, &pointerListener, self);
                    } else if (!hasPointer && self->pointer != nullptr) {
                        wl_pointer_release(self->pointer);
                        self->pointer = nullptr;
                    }
                },
            .name = [](void*, wl_seat*, const char*) {},
        };
        wl_seat_add_listener(seat, &listener, this);
    }

    static const wl_pointer_listener pointerListener;
};

// Only where the pointer is and the left and right buttons matter: the panels hover, take clicks and
// open the menu.
const wl_pointer_listener WaylandSession::Globals::pointerListener{
    .enter =
        [](void* data, wl_pointer*, uint32_t, wl_surface* surface, wl_fixed_t x, wl_fixed_t y) {
            auto* self = static_cast<Globals*>(data);
            self->pointerPanel = panelOf(surface);
            if (self->pointerPanel) {
                self->pointerPanel->pointerEntered(point(x, y));
            }
        },
    .leave =
        [](void* data, wl_pointer*, uint32_t, wl_surface*) {
            auto* self = static_cast<Globals*>(data);
            if (LayerPanel* panel = self->pointerPanel) {
                self->pointerPanel = nullptr;
                panel->pointerLeft();
            }
        },
    .motion =
        [](void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
            if (LayerPanel* panel = static_cast<Globals*>(data)->pointerPanel) {
                panel->pointerMoved(point(x, y));
            }
        },
    .button =
        [](void* data, wl_pointer*, uint32_t, uint32_t, uint32_t button, uint32_t state) {
            LayerPanel* panel = static_cast<Globals*>(data)->pointerPanel;
            if (panel != nullptr && (button == BTN_LEFT || button == BTN_RIGHT)) {
                panel->pointerButton(button == BTN_LEFT ? Qt::LeftButton : Qt::RightButton,
                                     state == WL_POINTER_BUTTON_STATE_PRESSED);
            }
        },
    .axis = [](void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {},
    .frame = [](void*, wl_pointer*) {},
    .axis_source = [](void*, wl_pointer*, uint32_t) {},
    .axis_stop = [](void*, wl_pointer*, uint32_t, uint32_t) {},
    .axis_discrete = [](void*, wl_pointer*, uint32_t, int32_t) {},
    .axis_value120 = [](void*, wl_pointer*, uint32_t, int32_t) {},
};

std::unique_ptr<WaylandSession> WaylandSession::connect()
{
    if (!qEnvironmentVariableIsSet("WAYLAND_DISPLAY")) {
        return nullptr;
    }
    wl_display* display = wl_display_connect(nullptr);
    if (display == nullptr) {
        return nullptr;
    }
    std::unique_ptr<WaylandSession> session(new WaylandSession(display));
    Globals& g = *session->m_globals;
    // The globals, then what binding them announced (output scales, seat capabilities).
    if (wl_display_roundtrip(display) < 0 || wl_display_roundtrip(display) < 0) {
        return nullptr;
    }
    const bool layers = session->hasLayerShell();
    if (!layers) {
        // Nothing to draw here: the surfaces stay on X11, and no pointer of ours is needed.
        if (g.pointer != nullptr) {
            wl_pointer_release(g.pointer);
            g.pointer = nullptr;
        }
    }
    g.watchIdle();
    if (!layers && g.idleNotification == nullptr && g.kdeIdleTimeout == nullptr) {
        return nullptr;
    }
    session->flush();
    return session;
}

WaylandSession::WaylandSession(wl_display* display) : m_globals(std::make_unique<Globals>())
{
    m_globals->display = display;
    m_globals->registry = wl_display_get_registry(display);
    static const wl_registry_listener listener{
        .global = [](void* data, wl_registry*, uint32_t name, const char* interface,
                     uint32_t version) { static_cast<Globals*>(data)->bind(name, interface, version); },
        .global_remove = [](void* data, wl_registry*,
                            uint32_t name) { static_cast<Globals*>(data)->removeOutput(name); },
    };
    wl_registry_add_listener(m_globals->registry, &listener, m_globals.get());
    m_notifier = new QSocketNotifier(wl_display_get_fd(display), QSocketNotifier::Read, this);
    QObject::connect(m_notifier, &QSocketNotifier::activated, this, &WaylandSession::dispatch);
}

WaylandSession::~WaylandSession() = default;

void WaylandSession::dispatch()
{
    if (wl_display_dispatch(m_globals->display) < 0) {
        m_notifier->setEnabled(false); // the compositor is gone, and with it XWayland and the application
        return;
    }
    flush();
}

void WaylandSession::flush()
{
    wl_display_flush(m_globals->display);
}

bool WaylandSession::hasLayerShell() const
{
    const Globals& g = *m_globals;
    return g.layerShell != nullptr && g.shell != nullptr && g.compositor != nullptr && g.shm != nullptr;
}

std::optional<double> WaylandSession::idleSeconds() const
{
    if (m_globals->idleNotification == nullptr && m_globals->kdeIdleTimeout == nullptr) {
        return std::nullopt;
    }
    if (!m_globals->idleSince) {
        return 0.0;
    }
    return std::chrono::duration<double>(Steady::now() - *m_globals->idleSince).count();
}

bool WaylandSession::hasOutput() const
{
    return !m_globals->outputs.empty();
}

int WaylandSession::outputScale() const
{
    int scale = 1;
    for (const Globals::Output& o : m_globals->outputs) {
        scale = std::max(scale, o.scale);
    }
    return scale;
}

int WaylandSession::outputScale(wl_output* output) const
{
    for (const Globals::Output& o : m_globals->outputs) {
        if (o.output == output) {
            return o.scale;
        }
    }
    return 1;
}

wl_display* WaylandSession::display() const
{
    return m_globals->display;
}

wl_compositor* WaylandSession::compositor() const
{
    return m_globals->compositor;
}

wl_shm* WaylandSession::shm() const
{
    return m_globals->shm;
}

zwlr_layer_shell_v1* WaylandSession::layerShell() const
{
    return m_globals->layerShell;
}

xdg_wm_base* WaylandSession::shell() const
{
    return m_globals->shell;
}

} // namespace virel
