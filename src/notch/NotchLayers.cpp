#include "notch/NotchLayers.h"

#include "notch/GlanceView.h"
#include "notch/LayerPanel.h"
#include "notch/MarqueeTicker.h"
#include "notch/NotchStripView.h"
#include "notch/TickerBarView.h"

#include <cmath>

namespace virel {

namespace {

QSize points(double width, double height)
{
    return {static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(height))};
}

} // namespace

NotchLayers::NotchLayers(WaylandSession& session, std::function<QPoint(QPointF)> toScreen, QObject* parent)
    : QObject(parent), m_session(session), m_toScreen(std::move(toScreen))
{}

NotchLayers::~NotchLayers() = default;

void NotchLayers::place(std::unique_ptr<LayerPanel>& panel, QWidget& content, const char* role,
                        MarqueeTicker* ticker, const LayerPanel::Placement& placement)
{
    if (panel) {
        panel->setPlacement(placement);
        return;
    }
    panel = std::make_unique<LayerPanel>(m_session, content, role, placement);
    followScale(*panel, ticker);
}

// The row is cached in pixels: drawn at the output's scale, it stays crisp there.
void NotchLayers::followScale(LayerPanel& panel, MarqueeTicker* ticker)
{
    if (ticker != nullptr) {
        ticker->setPixelRatio(panel.scale());
        connect(&panel, &LayerPanel::scaleChanged, ticker, &MarqueeTicker::setPixelRatio);
    }
}

// Pointer positions on a panel become desk coordinates (y up) through the frame it stands for.
void NotchLayers::track(LayerPanel& panel, const DeskRect* frame, Surface surface)
{
    const auto toDesk = [frame](QPointF at) { return QPointF(frame->x + at.x(), frame->maxY() - at.y()); };
    panel.setScreenPosition([this, toDesk](QPointF at) { return m_toScreen(toDesk(at)); });
    connect(&panel, &LayerPanel::pointerMovedTo, this, [this, surface] {
        if (m_pointerOn != surface) {
            m_pointerOn = surface;
            emit pointerChanged();
        }
    });
    // Leaving one panel for the other comes as a leave and an enter together: only what holds
    // after both counts, or the card would close on the way to it.
    connect(&panel, &LayerPanel::pointerLeftPanel, this, [this] {
        m_pointerOn = Surface::none;
        QMetaObject::invokeMethod(this, &NotchLayers::pointerChanged, Qt::QueuedConnection);
    });
}

// With the bar the strip is drawn into the bar's surface, at the centre of its band, so the two
// never overlap or part however the compositor stacks its panels; alone it is a surface of its own.
void NotchLayers::place(NotchStripView& strip, TickerBarView* bar, const NotchLayout::Geometry& geometry)
{
    m_geometry = geometry;
    const NotchLayout::LayerBands bands = NotchLayout::layerBands(bar != nullptr, geometry.strip.height);
    const QSize stripSize = points(geometry.strip.width, geometry.strip.height);
    if (bar == nullptr) {
        m_tickerBar.reset();
        LayerPanel::Placement placement;
        placement.size = stripSize;
        placement.exclusiveZone = bands.stripZone;
        placement.receivesPointer = true;
        const bool fresh = !m_strip;
        place(m_strip, strip, "virel-strip", strip.ticker(), placement);
        if (fresh) {
            track(*m_strip, &m_geometry.strip, Surface::strip);
        }
        return;
    }
    m_strip.reset();
    // The compositor blends every surface, so the band is always the translucent one.
    bar->setTranslucent(true);
    LayerPanel::Placement placement;
    placement.fullWidth = true;
    placement.size = points(0, NotchLayout::tickerBarHeight);
    placement.exclusiveZone = bands.barZone;
    const bool fresh = !m_tickerBar;
    place(m_tickerBar, *bar, "virel-ticker", bar->ticker(), placement);
    strip.resize(stripSize);
    m_tickerBar->setInset(&strip);
    if (fresh) {
        track(*m_tickerBar, &m_geometry.strip, Surface::strip);
        followScale(*m_tickerBar, strip.ticker());
    }
}

void NotchLayers::placeGlance(GlanceView* glance, const std::optional<DeskRect>& frame)
{
    if (glance == nullptr || !frame) {
        m_glance.reset();
        return;
    }
    m_glanceFrame = *frame;
    glance->setTranslucent(true);
    const bool underBar = m_tickerBar != nullptr;
    LayerPanel::Placement placement;
    placement.size = points(frame->width, frame->height);
    placement.marginTop = NotchLayout::layerBands(underBar, m_geometry.strip.height).glanceTop;
    placement.parent = underBar ? m_tickerBar.get() : m_strip.get();
    placement.receivesPointer = true;
    placement.inputMargin = static_cast<int>(NotchLayout::glanceHoverMargin);
    const bool fresh = !m_glance;
    place(m_glance, *glance, "virel-glance", nullptr, placement);
    if (fresh) {
        track(*m_glance, &m_glanceFrame, Surface::glance);
    }
}

} // namespace virel
