#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>
#include <type_traits>

namespace virel::StrictJson {

// Reading rules shared by every market answer: a member that is missing or JSON null is absent; a
// member present with another JSON type makes the whole answer undecodable. Readers throw
// `Malformed` on such a member and `attempt`/`decode` turn it into nothing.
struct Malformed
{};

// The answer's top-level value, which must be an object.
QJsonObject parseObject(const QByteArray& body);

std::optional<QJsonObject> object(const QJsonObject& parent, QStringView key);
QJsonObject requiredObject(const QJsonObject& parent, QStringView key);
std::optional<QJsonArray> array(const QJsonObject& parent, QStringView key);
std::optional<QString> string(const QJsonObject& parent, QStringView key);
// A finite number.
std::optional<double> number(const QJsonObject& parent, QStringView key);
// A number without a fractional part that fits 64 bits (Unix seconds and the like).
std::optional<qint64> integer(const QJsonObject& parent, QStringView key);

// Array elements: an object, an integer, or a number that may be null.
QJsonObject toObject(const QJsonValue& value);
qint64 toInteger(const QJsonValue& value);
std::optional<double> toNumberOrNull(const QJsonValue& value);

// Every element of an optional array read with `read`; nothing when the array is absent.
template <typename Read>
auto mapArray(const std::optional<QJsonArray>& array, Read read)
    -> std::optional<QList<std::decay_t<decltype(read(QJsonValue{}))>>>
{
    if (!array) {
        return std::nullopt;
    }
    QList<std::decay_t<decltype(read(QJsonValue{}))>> values;
    values.reserve(array->size());
    for (const QJsonValue& value : *array) {
        values.append(read(value));
    }
    return values;
}

// Runs `read`, giving nothing instead of a `Malformed` answer.
template <typename Read> auto attempt(Read read) -> std::optional<std::decay_t<decltype(read())>>
{
    try {
        return read();
    } catch (const Malformed&) {
        return std::nullopt;
    }
}

// Parses `body` and reads its top-level object with `read`; nothing when either fails.
template <typename Read> auto decode(const QByteArray& body, Read read)
{
    return attempt([&] { return read(parseObject(body)); });
}

} // namespace virel::StrictJson
