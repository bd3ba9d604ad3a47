#pragma once

#include "platform/ScreenFacts.h"
#include "platform/StatusItemScan.h"

namespace virel::test {

// Screens as a test sets them.
class FakeScreenFacts final : public ScreenFacts
{
public:
    std::optional<ScreenInfo> main;
    QList<ScreenInfo> all;
    std::optional<QRectF> fullScreen;

    explicit FakeScreenFacts(double width = 1440, double height = 900, double topPanel = 0)
    {
        setScreen(width, height, topPanel);
    }
    void setScreen(double width, double height, double topPanel = 0)
    {
        ScreenInfo screen;
        screen.frame = {0, 0, width, height};
        screen.visibleFrame = {0, 0, width, height - topPanel};
        main = screen;
        all = {screen};
    }

    std::optional<ScreenInfo> mainScreen() const override { return main; }
    QList<ScreenInfo> screens() const override { return all; }
    QRectF primaryGeometry() const override
    {
        return all.isEmpty() ? QRectF() : QRectF(0, 0, all[0].frame.width, all[0].frame.height);
    }
    std::optional<QRectF> fullScreenWindow() const override { return fullScreen; }
};

// A window list as a test sets it.
class FakeStatusItemScan final : public StatusItemScan
{
public:
    std::optional<QList<ForeignWindow>> list;
    std::optional<QList<ForeignWindow>> windows() const override { return list; }
    qint64 ownProcessId() const override { return 1000; }
};

} // namespace virel::test
