#pragma once

#include <QMetaType>
#include <QString>

namespace virel {

// One search hit as the watchlist editor lists it; identified by `symbol`.
struct SearchResult
{
    QString symbol;   // Yahoo form, as the endpoint returns it
    QString name;     // the chosen display name, or the symbol when there is none
    QString exchange; // may be empty
    QString type;     // may be empty

    bool operator==(const SearchResult&) const = default;
};

} // namespace virel

Q_DECLARE_METATYPE(virel::SearchResult)
