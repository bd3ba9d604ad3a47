#include "market/StrictJson.h"

#include <QJsonDocument>
#include <QJsonParseError>
#include <cmath>

namespace virel::StrictJson {

namespace {

// Beyond ±2^63 a double no longer converts to qint64.
constexpr double kIntegerLimit = 9'223'372'036'854'775'808.0;

// The member `key` converted by `convert`, which throws on a wrong type; nothing when missing or null.
template <typename Convert>
auto typedMember(const QJsonObject& parent, QStringView key, Convert convert)
    -> std::optional<decltype(convert(QJsonValue{}))>
{
    const QJsonValue value = parent.value(key);
    if (value.isUndefined() || value.isNull()) {
        return std::nullopt;
    }
    return convert(value);
}

double toFiniteNumber(const QJsonValue& value)
{
    if (!value.isDouble() || !std::isfinite(value.toDouble())) {
        throw Malformed{};
    }
    return value.toDouble();
}

} // namespace

QJsonObject parseObject(const QByteArray& body)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        throw Malformed{};
    }
    return document.object();
}

std::optional<QJsonObject> object(const QJsonObject& parent, QStringView key)
{
    return typedMember(parent, key, toObject);
}

QJsonObject requiredObject(const QJsonObject& parent, QStringView key)
{
    const auto value = object(parent, key);
    if (!value) {
        throw Malformed{};
    }
    return *value;
}

std::optional<QJsonArray> array(const QJsonObject& parent, QStringView key)
{
    return typedMember(parent, key, [](const QJsonValue& value) {
        if (!value.isArray()) {
            throw Malformed{};
        }
        return value.toArray();
    });
}

std::optional<QString> string(const QJsonObject& parent, QStringView key)
{
    return typedMember(parent, key, [](const QJsonValue& value) {
        if (!value.isString()) {
            throw Malformed{};
        }
        return value.toString();
    });
}

std::optional<double> number(const QJsonObject& parent, QStringView key)
{
    return typedMember(parent, key, toFiniteNumber);
}

std::optional<qint64> integer(const QJsonObject& parent, QStringView key)
{
    return typedMember(parent, key, toInteger);
}

QJsonObject toObject(const QJsonValue& value)
{
    if (!value.isObject()) {
        throw Malformed{};
    }
    return value.toObject();
}

qint64 toInteger(const QJsonValue& value)
{
    const double number = toFiniteNumber(value);
    if (std::trunc(number) != number || std::abs(number) >= kIntegerLimit) {
        throw Malformed{};
    }
    return value.toInteger(static_cast<qint64>(number));
}

std::optional<double> toNumberOrNull(const QJsonValue& value)
{
    if (value.isNull()) {
        return std::nullopt;
    }
    return toFiniteNumber(value);
}

} // namespace virel::StrictJson
