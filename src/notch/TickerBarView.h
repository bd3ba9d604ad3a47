#pragma once

#include "platform/Clock.h"

#include <QWidget>

namespace virel {

class AppState;
class MarqueeTicker;

// The full-width bar under the desktop's top panel: the flowing ticker on a dark translucent band
// with a faint hairline along its bottom edge.
class TickerBarView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int barHeight = 22;
    static constexpr int horizontalPadding = 12;

    TickerBarView(AppState& state, const Clock& clock, QWidget* parent = nullptr);

    MarqueeTicker* ticker() const { return m_ticker; }
    // Without a compositor the band is drawn solid, since translucent pixels would show black.
    void setTranslucent(bool translucent);
    static QColor background(bool translucent);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeTicker();

    MarqueeTicker* m_ticker;
    bool m_translucent = true;
};

} // namespace virel
