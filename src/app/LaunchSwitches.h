#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace virel {

// What the command line asks to open at start: "--detail SYMBOL", "--edit", "--glance". Switches are
// compared exactly; anything else is ignored.
struct LaunchSwitches
{
    std::optional<QString> detail; // upper-cased symbol
    bool edit = false;
    bool glance = false;

    bool operator==(const LaunchSwitches&) const = default;

    // `arguments` without the program name. Only the first "--detail" counts, and only when a
    // non-empty symbol follows it.
    static LaunchSwitches parse(const QStringList& arguments);
};

} // namespace virel
