#pragma once

#include "notch/QuoteChip.h"
#include "platform/Clock.h"

#include <QList>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <chrono>

namespace virel {

class AppState;

// The chips of a list flowing leftwards in an endless loop. The position follows the wall clock,
// so two tickers with the same content move in step and a late frame never makes the row stutter;
// when the shift wraps, the next copy stands exactly where the first began. The row is drawn once
// per content change into a cached picture that each frame only places at the new offset, and frames
// run only while the ticker is visible and has something to move.
class MarqueeTicker : public QWidget
{
    Q_OBJECT
public:
    static constexpr double defaultSpeed = 28; // points per second
    static constexpr double defaultGap = 28;   // between chips, and between the end and the repeat
    static constexpr std::chrono::milliseconds defaultFrameInterval{34}; // at most 30 frames a second

    explicit MarqueeTicker(const Clock& clock, double speed = defaultSpeed, double gap = defaultGap,
                           QWidget* parent = nullptr);

    // Shows every entry of the state's list with its price, following list, quote and freshness
    // changes.
    void follow(AppState& state);
    void setChips(const QList<QuoteChip>& chips);
    // An opaque colour behind the row, so a parent that draws the same colour need not repaint
    // under every frame.
    void setBackdrop(const QColor& color);

    double contentWidth() const { return m_contentWidth; }
    double cycle() const { return m_contentWidth + m_gap; }
    // How far the row has moved left at `seconds` of wall-clock time.
    static double shiftAt(double seconds, double speed, double cycle);
    double currentShift() const;

    bool isAnimating() const { return m_frames.isActive(); }
    void setFrameInterval(std::chrono::milliseconds interval);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void renderRow();
    void updateAnimation(bool visible);
    void nextFrame();
    // The shift rounded to whole device pixels, so the cached row is never resampled.
    double paintedShift() const;

    const Clock& m_clock;
    double m_speed;
    double m_gap;
    QColor m_backdrop;
    QList<QuoteChip> m_chips;
    double m_contentWidth = 0;
    QPixmap m_row;
    bool m_rowStale = true; // rendered at the next paint, so a hidden ticker never renders
    QTimer m_frames;
    double m_lastShift = -1;
};

} // namespace virel
