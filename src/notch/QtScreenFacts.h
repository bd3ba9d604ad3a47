#pragma once

#include "platform/ScreenFacts.h"

class QScreen;

namespace virel {

// The screens as the windowing system reports them. The desktops this runs on have no camera
// housing, so every screen reports a top inset of 0 and no free areas beside one; the primary
// screen is the main one. Docks are X11 docks when an EWMH window manager runs.
class QtScreenFacts final : public ScreenFacts
{
    Q_OBJECT
public:
    explicit QtScreenFacts(QObject* parent = nullptr);

    std::optional<ScreenInfo> mainScreen() const override;
    QList<ScreenInfo> screens() const override;
    QRectF primaryGeometry() const override;
    bool reservesDockBands() const override;
    void makeDock(quintptr window) override;
    void reserveBand(quintptr window, const std::array<quint32, 12>& strut) override;

private:
    void watch(QScreen* screen);
    ScreenInfo infoOf(const QScreen& screen) const;
};

} // namespace virel
