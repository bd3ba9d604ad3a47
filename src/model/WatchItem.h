#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>
#include <optional>

namespace virel {

// One entry of a symbol list; identified by `symbol`.
struct WatchItem
{
    QString symbol; // Yahoo form
    QString name;

    bool operator==(const WatchItem&) const = default;

    QJsonObject toJson() const;
    // Both "symbol" and "name" must be strings; extra keys are ignored.
    static std::optional<WatchItem> fromJson(const QJsonObject& object);

    // The stored form of a list: a JSON array of items in list order.
    static QByteArray encodeList(const QList<WatchItem>& items);
    // Nothing when the data is not such an array or any entry is malformed.
    static std::optional<QList<WatchItem>> decodeList(const QByteArray& data);
};

} // namespace virel

Q_DECLARE_METATYPE(virel::WatchItem)
