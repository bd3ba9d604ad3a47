#pragma once

#include <QList>
#include <QRectF>
#include <QtGlobal>
#include <optional>

namespace virel {

// One on-screen window of the window list. A member is absent when the list entry lacked it or held
// a value of another type; such a window is ignored.
struct ForeignWindow
{
    std::optional<qint64> layer;
    std::optional<qint64> ownerPid;
    // Measured from the top-left corner of the primary screen, y growing downwards.
    std::optional<QRectF> bounds;
};

// The list of windows on screen, used to keep the strip clear of other programs' status items.
class StatusItemScan
{
public:
    virtual ~StatusItemScan() = default;
    // Nothing when the platform offers no such list.
    virtual std::optional<QList<ForeignWindow>> windows() const = 0;
    virtual qint64 ownProcessId() const = 0;
};

// The desktops this runs on publish no window list with status-item layers: the strip keeps its
// full right width.
class NoStatusItemScan final : public StatusItemScan
{
public:
    std::optional<QList<ForeignWindow>> windows() const override { return std::nullopt; }
    qint64 ownProcessId() const override { return 0; }
};

} // namespace virel
