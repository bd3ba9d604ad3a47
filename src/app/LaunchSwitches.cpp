#include "app/LaunchSwitches.h"

namespace virel {

LaunchSwitches LaunchSwitches::parse(const QStringList& arguments)
{
    LaunchSwitches switches;
    const qsizetype detailAt = arguments.indexOf(QStringLiteral("--detail"));
    if (detailAt >= 0 && detailAt + 1 < arguments.size() && !arguments.at(detailAt + 1).isEmpty()) {
        switches.detail = arguments.at(detailAt + 1).toUpper();
    }
    switches.edit = arguments.contains(QStringLiteral("--edit"));
    switches.glance = arguments.contains(QStringLiteral("--glance"));
    return switches;
}

} // namespace virel
