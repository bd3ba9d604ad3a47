#pragma once

#include "model/NotchLayout.h"
#include "notch/LayerPanel.h"

#include <QObject>
#include <QPointF>
#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace virel {

class GlanceView;
class MarqueeTicker;
class NotchStripView;
class TickerBarView;
class WaylandSession;

// The strip, the glance card and the ticker bar as layer-shell surfaces, where the compositor
// offers them: it then places them itself under its own panels, keeps the bar's band free of
// windows and tells where the pointer is on them. Windows, menus and dialogs stay on X11.
class NotchLayers : public QObject
{
    Q_OBJECT
public:
    // `toScreen` turns desk coordinates into the windowing system's, where menus open.
    NotchLayers(WaylandSession& session, std::function<QPoint(QPointF)> toScreen, QObject* parent = nullptr);
    ~NotchLayers() override;

    // Without a bar, none is shown.
    void place(NotchStripView& strip, TickerBarView* bar, const NotchLayout::Geometry& geometry);
    // Without a glance, none is shown.
    void placeGlance(GlanceView* glance, const std::optional<DeskRect>& frame);

    enum class Surface { none, strip, glance };
    // Which of them the pointer is on.
    Surface pointerOn() const { return m_pointerOn; }

signals:
    void pointerChanged();

private:
    // Moves the panel, or makes it for `content`, with `ticker` drawn at the panel's scale.
    void place(std::unique_ptr<LayerPanel>& panel, QWidget& content, const char* role, MarqueeTicker* ticker,
               const LayerPanel::Placement& placement);
    void followScale(LayerPanel& panel, MarqueeTicker* ticker);
    void track(LayerPanel& panel, const DeskRect* frame, Surface surface);

    WaylandSession& m_session;
    std::function<QPoint(QPointF)> m_toScreen;
    NotchLayout::Geometry m_geometry;
    DeskRect m_glanceFrame;
    std::unique_ptr<LayerPanel> m_strip;
    std::unique_ptr<LayerPanel> m_tickerBar;
    std::unique_ptr<LayerPanel> m_glance;
    Surface m_pointerOn = Surface::none;
};

} // namespace virel
