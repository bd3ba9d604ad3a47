#include "model/WatchItem.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace virel {

QJsonObject WatchItem::toJson() const
{
    return {{QStringLiteral("symbol"), symbol}, {QStringLiteral("name"), name}};
}

std::optional<WatchItem> WatchItem::fromJson(const QJsonObject& object)
{
    const auto symbol = object.value(QStringLiteral("symbol"));
    const auto name = object.value(QStringLiteral("name"));
    if (!symbol.isString() || !name.isString()) {
        return std::nullopt;
    }
    return WatchItem{symbol.toString(), name.toString()};
}

QByteArray WatchItem::encodeList(const QList<WatchItem>& items)
{
    QJsonArray array;
    for (const auto& item : items) {
        array.append(item.toJson());
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<WatchItem>> WatchItem::decodeList(const QByteArray& data)
{
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    QList<WatchItem> items;
    for (const auto& value : document.array()) {
        auto item = value.isObject() ? fromJson(value.toObject()) : std::nullopt;
        if (!item) {
            return std::nullopt;
        }
        items.append(*item);
    }
    return items;
}

} // namespace virel
