#pragma once

#include <QString>
#include <variant>

namespace virel {

// One local edit of the watchlist, handed from the state to synchronisation.
struct WatchlistAdd
{
    QString symbol;
    QString name;
    bool operator==(const WatchlistAdd&) const = default;
};

struct WatchlistRemove
{
    QString symbol;
    bool operator==(const WatchlistRemove&) const = default;
};

using WatchlistChange = std::variant<WatchlistAdd, WatchlistRemove>;

} // namespace virel
