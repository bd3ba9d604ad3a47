#include "model/AlertRule.h"

#include "model/Decimal.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace virel {

QString AlertRule::label() const
{
    const QString sign = direction == Direction::above ? QStringLiteral("≥") : QStringLiteral("≤");
    return name + u' ' + sign + u' ' + shortestDecimal(threshold);
}

QString AlertRule::directionText(Direction direction)
{
    return direction == Direction::above ? QStringLiteral("above") : QStringLiteral("below");
}

QJsonObject AlertRule::toJson() const
{
    return {
        {QStringLiteral("id"), id.toString(QUuid::WithoutBraces).toUpper()},
        {QStringLiteral("symbol"), symbol},
        {QStringLiteral("name"), name},
        {QStringLiteral("direction"), directionText(direction)},
        {QStringLiteral("threshold"), threshold},
        {QStringLiteral("triggered"), triggered},
    };
}

std::optional<AlertRule> AlertRule::fromJson(const QJsonObject& object)
{
    const auto id = object.value(QStringLiteral("id"));
    const auto symbol = object.value(QStringLiteral("symbol"));
    const auto name = object.value(QStringLiteral("name"));
    const auto direction = object.value(QStringLiteral("direction"));
    const auto threshold = object.value(QStringLiteral("threshold"));
    const auto triggered = object.value(QStringLiteral("triggered"));
    if (!id.isString() || !symbol.isString() || !name.isString() || !direction.isString() ||
        !threshold.isDouble() || !triggered.isBool()) {
        return std::nullopt;
    }
    const QString idText = id.toString();
    const QUuid uuid = QUuid::fromString(idText);
    if (idText.size() != 36 || uuid.isNull()) {
        return std::nullopt;
    }
    AlertRule rule;
    rule.id = uuid;
    rule.symbol = symbol.toString();
    rule.name = name.toString();
    if (direction.toString() == QLatin1String("above")) {
        rule.direction = Direction::above;
    } else if (direction.toString() == QLatin1String("below")) {
        rule.direction = Direction::below;
    } else {
        return std::nullopt;
    }
    rule.threshold = threshold.toDouble();
    rule.triggered = triggered.toBool();
    return rule;
}

QByteArray AlertRule::encodeList(const QList<AlertRule>& rules)
{
    QJsonArray array;
    for (const auto& rule : rules) {
        array.append(rule.toJson());
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<AlertRule>> AlertRule::decodeList(const QByteArray& data)
{
    QJsonParseError error{};
    const auto document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    QList<AlertRule> rules;
    for (const auto& value : document.array()) {
        auto rule = value.isObject() ? fromJson(value.toObject()) : std::nullopt;
        if (!rule) {
            return std::nullopt;
        }
        rules.append(*rule);
    }
    return rules;
}

} // namespace virel
