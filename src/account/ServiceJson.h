#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringView>

namespace virel::ServiceJson {

// The service writes its keys in snake_case; the records read camelCase. "device_code" becomes
// "deviceCode" (the first word in lower case, each later word capitalised); a key without
// underscores stays as it is, so camelCase replies match too.
QString camelCaseKey(QStringView key);

// The reply's top-level object with every key of every nested object converted by `camelCaseKey`.
// Throws `StrictJson::Malformed` when the body is not a JSON object.
QJsonObject parseReply(const QByteArray& body);

// A member that must be present (and not null) with the given type; throws `StrictJson::Malformed`.
QString requiredString(const QJsonObject& object, QStringView key);
double requiredNumber(const QJsonObject& object, QStringView key);

} // namespace virel::ServiceJson
