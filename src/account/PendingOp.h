#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace virel {

// One local watchlist edit waiting to be sent to the service.
struct PendingOp
{
    enum class Action { add, remove };

    Action action = Action::add;
    QString ticker; // server form
    QString symbol; // Yahoo form, as the watchlist holds it

    bool operator==(const PendingOp&) const = default;

    // "add" or "remove": the stored form and the text the service receives.
    static QString actionText(Action action);

    // The stored form of a queue: a JSON array of {"action", "ticker", "symbol"} objects.
    static QByteArray encodeList(const QList<PendingOp>& ops);
    // Nothing when the data is not such an array or any entry is malformed.
    static std::optional<QList<PendingOp>> decodeList(const QByteArray& data);
};

} // namespace virel
