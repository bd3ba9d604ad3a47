#include "notch/LayerPanel.h"

#include "notch/WaylandSession.h"

#include "wlr-layer-shell-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace virel {

namespace {

// A compositor that has not asked for the next frame this long after a commit is not showing the
// surface (a full-screen window, a hidden output).
constexpr auto stallTimeout = std::chrono::milliseconds(1000);

QList<LayerPanel*>& livePanels()
{
    static QList<LayerPanel*> panels;
    return panels;
}

} // namespace

LayerPanel::LayerPanel(WaylandSession& session, QWidget& content, const char* role,
                       const Placement& placement)
    : m_session(session), m_content(&content), m_placement(placement), m_role(role)
{
    livePanels().append(this);
    m_scale = session.outputScale();
    m_stall.setSingleShot(true);
    m_stall.setInterval(stallTimeout);
    connect(&m_stall, &QTimer::timeout, this, [this] {
        if (m_dirty && m_content && m_content->isVisible()) {
            m_paused = true;
            showContent(false);
        }
    });
    content.setAttribute(Qt::WA_DontShowOnScreen);
    content.installEventFilter(this);
    createRole();
}

LayerPanel::~LayerPanel()
{
    livePanels().removeOne(this);
    if (m_content) {
        m_content->removeEventFilter(this);
    }
    if (m_inset) {
        m_inset->removeEventFilter(this);
    }
    destroyRole();
    m_session.flush();
}

const QList<LayerPanel*>& LayerPanel::all()
{
    return livePanels();
}

void LayerPanel::setPlacement(const Placement& placement)
{
    if (placement == m_placement) {
        return;
    }
    const bool moved = placement.parent != nullptr || m_placement.parent != nullptr;
    m_placement = placement;
    if (moved) {
        // A popup's place is fixed when it is made.
        destroyRole();
        createRole();
        return;
    }
    applyPlacement();
    wl_surface_commit(m_surface);
    m_session.flush();
}

void LayerPanel::createRole()
{
    m_surface = wl_compositor_create_surface(m_session.compositor());
    wl_surface_set_user_data(m_surface, this);
    static const wl_surface_listener surfaceListener{
        .enter =
            [](void* data, wl_surface*, wl_output* output) {
                auto* self = static_cast<LayerPanel*>(data);
                self->m_outputs.append(output);
                self->updateScale();
            },
        .leave =
            [](void* data, wl_surface*, wl_output* output) {
                auto* self = static_cast<LayerPanel*>(data);
                self->m_outputs.removeAll(output);
                self->updateScale();
            },
    };
    wl_surface_add_listener(m_surface, &surfaceListener, this);
    if (m_placement.parent != nullptr) {
        // Made once the parent has its size, and again whenever it changes.
        m_parentConfigured = connect(m_placement.parent, &LayerPanel::configuredSize, this, [this] {
            destroyRole();
            createRole();
        });
        if (!m_placement.parent->m_size.isEmpty()) {
            createPopup();
        }
        return;
    }
    m_layer = zwlr_layer_shell_v1_get_layer_surface(m_session.layerShell(), m_surface, nullptr,
                                                    ZWLR_LAYER_SHELL_V1_LAYER_TOP, m_role);
    static const zwlr_layer_surface_v1_listener layerListener{
        .configure =
            [](void* data, zwlr_layer_surface_v1* layer, uint32_t serial, uint32_t width, uint32_t height) {
                zwlr_layer_surface_v1_ack_configure(layer, serial);
                static_cast<LayerPanel*>(data)->configured(
                    QSize(static_cast<int>(width), static_cast<int>(height)));
            },
        .closed = [](void* data,
                     zwlr_layer_surface_v1*) { static_cast<LayerPanel*>(data)->closedByCompositor(); },
    };
    zwlr_layer_surface_v1_add_listener(m_layer, &layerListener, this);
    zwlr_layer_surface_v1_set_keyboard_interactivity(m_layer,
                                                     ZWLR_LAYER_SURFACE_V1_KEYBOARD_INTERACTIVITY_NONE);
    applyPlacement();
    // The first commit carries no buffer: it asks the compositor for a size.
    wl_surface_commit(m_surface);
    m_session.flush();
}

// Centred under the parent's top edge, `marginTop` down, left where it is even at the output's edge.
void LayerPanel::createPopup()
{
    LayerPanel& parent = *m_placement.parent;
    const int margins = 2 * m_placement.inputMargin;
    xdg_positioner* positioner = xdg_wm_base_create_positioner(m_session.shell());
    xdg_positioner_set_size(positioner, m_placement.size.width() + margins,
                            m_placement.size.height() + margins);
    xdg_positioner_set_anchor_rect(positioner, 0, 0, parent.m_size.width(), parent.m_size.height());
    xdg_positioner_set_anchor(positioner, XDG_POSITIONER_ANCHOR_TOP);
    xdg_positioner_set_gravity(positioner, XDG_POSITIONER_GRAVITY_BOTTOM);
    xdg_positioner_set_offset(positioner, 0, m_placement.marginTop);
    m_xdgSurface = xdg_wm_base_get_xdg_surface(m_session.shell(), m_surface);
    static const xdg_surface_listener surfaceListener{
        .configure =
            [](void* data, xdg_surface* surface, uint32_t serial) {
                xdg_surface_ack_configure(surface, serial);
                auto* self = static_cast<LayerPanel*>(data);
                const int margins = 2 * self->m_placement.inputMargin;
                self->configured(self->m_placement.size + QSize(margins, margins));
            },
    };
    xdg_surface_add_listener(m_xdgSurface, &surfaceListener, this);
    m_popup = xdg_surface_get_popup(m_xdgSurface, nullptr, positioner);
    static const xdg_popup_listener popupListener{
        .configure = [](void*, xdg_popup*, int32_t, int32_t, int32_t, int32_t) {},
        .popup_done = [](void* data, xdg_popup*) { static_cast<LayerPanel*>(data)->m_configured = false; },
        .repositioned = [](void*, xdg_popup*, uint32_t) {},
    };
    xdg_popup_add_listener(m_popup, &popupListener, this);
    zwlr_layer_surface_v1_get_popup(parent.m_layer, m_popup);
    xdg_positioner_destroy(positioner);
    if (!m_placement.receivesPointer) {
        applyInput();
    }
    wl_surface_commit(m_surface);
    m_session.flush();
}

void LayerPanel::destroyRole()
{
    disconnect(m_parentConfigured);
    if (m_frame != nullptr) {
        wl_callback_destroy(m_frame);
        m_frame = nullptr;
    }
    if (m_popup != nullptr) {
        xdg_popup_destroy(m_popup);
        xdg_surface_destroy(m_xdgSurface);
        m_popup = nullptr;
        m_xdgSurface = nullptr;
    }
    if (m_layer != nullptr) {
        zwlr_layer_surface_v1_destroy(m_layer);
        m_layer = nullptr;
    }
    if (m_surface != nullptr) {
        wl_surface_destroy(m_surface);
        m_surface = nullptr;
    }
    // The compositor may keep the last buffers of a gone surface; new ones are made as needed.
    for (Buffer& buffer : m_buffers) {
        release(buffer);
    }
    m_outputs.clear();
    m_configured = false;
    m_size = QSize();
    m_stall.stop();
}

void LayerPanel::applyPlacement()
{
    const Placement& p = m_placement;
    uint32_t anchors = ZWLR_LAYER_SURFACE_V1_ANCHOR_TOP;
    if (p.fullWidth) {
        anchors |= ZWLR_LAYER_SURFACE_V1_ANCHOR_LEFT | ZWLR_LAYER_SURFACE_V1_ANCHOR_RIGHT;
    }
    zwlr_layer_surface_v1_set_anchor(m_layer, anchors);
    const int margins = 2 * p.inputMargin;
    const int height = std::max(p.size.height(), m_inset ? m_inset->height() : 0);
    zwlr_layer_surface_v1_set_size(m_layer, p.fullWidth ? 0 : static_cast<uint32_t>(p.size.width() + margins),
                                   static_cast<uint32_t>(height + margins));
    zwlr_layer_surface_v1_set_exclusive_zone(m_layer, p.exclusiveZone);
    zwlr_layer_surface_v1_set_margin(m_layer, p.marginTop, 0, 0, 0);
    applyInput();
}

void LayerPanel::setInset(QWidget* inset)
{
    if (m_inset) {
        m_inset->removeEventFilter(this);
    }
    m_inset = inset;
    m_insetPicture = QImage();
    if (inset != nullptr) {
        inset->setAttribute(Qt::WA_DontShowOnScreen);
        inset->installEventFilter(this);
        if (!m_paused) {
            inset->show();
        }
    }
    // The surface grows to hold it, and only it takes the pointer.
    applyPlacement();
    wl_surface_commit(m_surface);
    m_session.flush();
    m_dirty = true;
    requestFrame();
}

// The inset changes far less often than the flowing content under it: its picture is kept until it
// asks for a repaint.
const QImage& LayerPanel::insetPicture()
{
    if (m_insetPicture.isNull() || m_insetPicture.size() != m_inset->size() * m_scale) {
        m_insetPicture = QImage(m_inset->size() * m_scale, QImage::Format_ARGB32_Premultiplied);
        m_insetPicture.setDevicePixelRatio(m_scale);
        m_insetPicture.fill(Qt::transparent);
        QPainter painter(&m_insetPicture);
        m_inset->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    return m_insetPicture;
}

QRect LayerPanel::insetFrame() const
{
    if (!m_inset) {
        return {};
    }
    return {(m_size.width() - m_inset->width()) / 2, 0, m_inset->width(), m_inset->height()};
}

void LayerPanel::showContent(bool shown)
{
    for (QWidget* widget : {m_content.data(), m_inset.data()}) {
        if (widget != nullptr) {
            widget->setVisible(shown);
        }
    }
}

void LayerPanel::applyInput()
{
    wl_region* input = nullptr;
    if (m_inset) {
        input = wl_compositor_create_region(m_session.compositor());
        const QRect frame = insetFrame();
        wl_region_add(input, frame.x(), frame.y(), frame.width(), frame.height());
    } else if (!m_placement.receivesPointer) {
        input = wl_compositor_create_region(m_session.compositor()); // empty: clicks go through
    }
    wl_surface_set_input_region(m_surface, input); // none: the whole surface
    if (input != nullptr) {
        wl_region_destroy(input);
    }
}

void LayerPanel::configured(QSize size)
{
    const int margins = 2 * m_placement.inputMargin;
    size = QSize(size.width() > 0 ? size.width() : m_placement.size.width() + margins,
                 size.height() > 0 ? size.height() : m_placement.size.height() + margins);
    m_configured = true;
    const bool resized = size != m_size;
    m_size = size;
    if (m_content) {
        m_content->resize(size.width() - margins, m_placement.size.height());
    }
    if (!m_paused) {
        showContent(true);
    }
    if (m_inset) {
        applyInput(); // centred on the new width
    }
    m_dirty = true;
    draw();
    if (resized) {
        emit configuredSize(size);
    }
}

void LayerPanel::outputsChanged()
{
    m_reopened = false;
    reopen();
    updateScale();
}

// The compositor drops a layer surface whose output went. A new one goes where the compositor puts it
// now, at once if another output is left, or when one comes; once per change of outputs, so that a
// compositor that keeps refusing it is not asked again and again.
void LayerPanel::closedByCompositor()
{
    m_closed = true;
    m_configured = false;
    QTimer::singleShot(0, this, &LayerPanel::reopen);
}

void LayerPanel::reopen()
{
    if (!m_closed || m_reopened || !m_session.hasOutput()) {
        return;
    }
    m_closed = false;
    m_reopened = true;
    destroyRole();
    createRole();
}

void LayerPanel::updateScale()
{
    int scale = 0;
    for (wl_output* output : std::as_const(m_outputs)) {
        scale = std::max(scale, m_session.outputScale(output));
    }
    if (scale == 0) {
        scale = m_session.outputScale();
    }
    if (scale != m_scale) {
        m_scale = scale;
        emit scaleChanged(scale);
        m_dirty = true;
        requestFrame();
    }
}

bool LayerPanel::eventFilter(QObject* watched, QEvent* event)
{
    if ((watched == m_content || watched == m_inset) && event->type() == QEvent::UpdateRequest) {
        m_dirty = true;
        if (watched == m_inset) {
            m_insetPicture = QImage();
        }
        requestFrame();
    }
    return QObject::eventFilter(watched, event);
}

// Draws at once when the compositor is ready for a frame, else when it asks for one.
void LayerPanel::requestFrame()
{
    if (m_frame == nullptr) {
        QMetaObject::invokeMethod(this, &LayerPanel::draw, Qt::QueuedConnection);
    }
}

void LayerPanel::draw()
{
    if (!m_configured || !m_dirty || m_frame != nullptr || !m_content || m_size.isEmpty()) {
        return;
    }
    const QSize pixels = m_size * m_scale;
    Buffer* buffer = freeBuffer(pixels);
    if (buffer == nullptr) {
        return; // drawn when the compositor hands a buffer back
    }
    m_dirty = false;
    QImage image(buffer->data, pixels.width(), pixels.height(), pixels.width() * 4,
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(m_scale);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        const int margin = m_placement.inputMargin;
        m_content->render(&painter, QPoint(margin, margin), QRegion(), QWidget::DrawChildren);
        if (m_inset) {
            painter.drawImage(insetFrame().topLeft(), insetPicture());
        }
    }

    static const wl_callback_listener frameListener{
        .done = [](void* data, wl_callback*, uint32_t) { static_cast<LayerPanel*>(data)->frameDone(); },
    };
    m_frame = wl_surface_frame(m_surface);
    wl_callback_add_listener(m_frame, &frameListener, this);
    wl_surface_set_buffer_scale(m_surface, m_scale);
    wl_surface_attach(m_surface, buffer->buffer, 0, 0);
    wl_surface_damage_buffer(m_surface, 0, 0, pixels.width(), pixels.height());
    buffer->busy = true;
    wl_surface_commit(m_surface);
    m_session.flush();
    m_stall.start();
}

void LayerPanel::frameDone()
{
    wl_callback_destroy(m_frame);
    m_frame = nullptr;
    m_stall.stop();
    if (m_paused) {
        m_paused = false;
        m_dirty = true;
        showContent(true);
    }
    draw();
}

LayerPanel::Buffer* LayerPanel::freeBuffer(QSize pixels)
{
    Buffer* spare = nullptr;
    for (Buffer& buffer : m_buffers) {
        if (buffer.busy) {
            continue;
        }
        if (buffer.pixels == pixels) {
            return &buffer;
        }
        spare = &buffer;
    }
    if (spare == nullptr) {
        return nullptr;
    }
    release(*spare);
    const qsizetype bytes = qsizetype(pixels.width()) * pixels.height() * 4;
    const int fd = memfd_create("virel-layer", MFD_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    void* data = MAP_FAILED;
    if (ftruncate(fd, bytes) == 0) {
        data = mmap(nullptr, static_cast<size_t>(bytes), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    }
    if (data == MAP_FAILED) {
        close(fd);
        return nullptr;
    }
    wl_shm_pool* pool = wl_shm_create_pool(m_session.shm(), fd, static_cast<int32_t>(bytes));
    spare->buffer = wl_shm_pool_create_buffer(pool, 0, pixels.width(), pixels.height(), pixels.width() * 4,
                                              WL_SHM_FORMAT_ARGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    spare->data = static_cast<uchar*>(data);
    spare->bytes = bytes;
    spare->pixels = pixels;
    static const wl_buffer_listener bufferListener{
        .release =
            [](void* data, wl_buffer*) {
                auto* buffer = static_cast<Buffer*>(data);
                buffer->busy = false;
            },
    };
    wl_buffer_add_listener(spare->buffer, &bufferListener, spare);
    return spare;
}

void LayerPanel::release(Buffer& buffer)
{
    if (buffer.buffer != nullptr) {
        wl_buffer_destroy(buffer.buffer);
        munmap(buffer.data, static_cast<size_t>(buffer.bytes));
    }
    buffer = Buffer{};
}

void LayerPanel::pointerEntered(QPointF at)
{
    pointerMoved(at);
}

void LayerPanel::pointerMoved(QPointF at)
{
    const QPoint origin =
        m_inset ? insetFrame().topLeft() : QPoint(m_placement.inputMargin, m_placement.inputMargin);
    m_pointer = at - origin;
    emit pointerMovedTo(m_pointer);
}

void LayerPanel::pointerLeft()
{
    emit pointerLeftPanel();
}

void LayerPanel::setScreenPosition(std::function<QPoint(QPointF)> toScreen)
{
    m_toScreen = std::move(toScreen);
}

// A click goes to the widget under the pointer as the window system would send it, a right press
// also as a request for the context menu.
void LayerPanel::pointerButton(Qt::MouseButton button, bool pressed)
{
    QWidget* under = m_inset ? m_inset.data() : m_content.data();
    if (under == nullptr) {
        return;
    }
    QWidget* target = under->childAt(m_pointer.toPoint());
    if (target == nullptr) {
        target = under;
    }
    const QPointF local = target->mapFrom(under, m_pointer);
    const QPoint screen = m_toScreen ? m_toScreen(m_pointer) : m_pointer.toPoint();
    QMouseEvent event(pressed ? QEvent::MouseButtonPress : QEvent::MouseButtonRelease, local, screen, button,
                      pressed ? button : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
    if (button == Qt::RightButton && pressed) {
        QContextMenuEvent menu(QContextMenuEvent::Mouse, local.toPoint(), screen);
        QApplication::sendEvent(target, &menu);
    }
}

} // namespace virel
