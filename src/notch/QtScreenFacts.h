#pragma once

#include "platform/ScreenFacts.h"

#include <memory>

class QScreen;

namespace virel {

class X11RootWatch;

// The screens as the windowing system reports them. The desktops this runs on have no camera
// housing, so every screen reports a top inset of 0 and no free areas beside one; the primary
// screen is the main one. Docks are X11 docks when an EWMH window manager runs. On X11 a full-screen
// active window is known, and so is a panel that reserves less than our own dock does.
class QtScreenFacts final : public ScreenFacts
{
    Q_OBJECT
public:
    explicit QtScreenFacts(QObject* parent = nullptr);
    ~QtScreenFacts() override;

    std::optional<ScreenInfo> mainScreen() const override;
    QList<ScreenInfo> screens() const override;
    QRectF primaryGeometry() const override;
    bool reservesDockBands() const override;
    void makeDock(quintptr window) override;
    void reserveBand(quintptr window, const std::array<quint32, 12>& strut) override;
    std::optional<QRectF> fullScreenWindow() const override;

private:
    void watch(QScreen* screen);
    ScreenInfo infoOf(const QScreen& screen) const;

    std::unique_ptr<X11RootWatch> m_root;
    quintptr m_dock = 0;
};

} // namespace virel
