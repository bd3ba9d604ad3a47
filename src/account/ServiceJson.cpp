#include "account/ServiceJson.h"

#include "market/StrictJson.h"

#include <QJsonArray>

namespace virel::ServiceJson {

namespace {

QJsonValue withCamelCaseKeys(const QJsonValue& value);

QJsonObject objectWithCamelCaseKeys(const QJsonObject& object)
{
    QJsonObject converted;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const QString key = camelCaseKey(it.key());
        // An exact camelCase key wins over a snake_case spelling of the same name.
        if (!converted.contains(key) || key == it.key()) {
            converted.insert(key, withCamelCaseKeys(it.value()));
        }
    }
    return converted;
}

QJsonValue withCamelCaseKeys(const QJsonValue& value)
{
    if (value.isObject()) {
        return objectWithCamelCaseKeys(value.toObject());
    }
    if (value.isArray()) {
        QJsonArray converted;
        for (const QJsonValue& element : value.toArray()) {
            converted.append(withCamelCaseKeys(element));
        }
        return converted;
    }
    return value;
}

template <typename T> T required(const std::optional<T>& value)
{
    if (!value) {
        throw StrictJson::Malformed{};
    }
    return *value;
}

} // namespace

QString camelCaseKey(QStringView key)
{
    if (!key.contains(u'_')) {
        return key.toString();
    }
    // Leading and trailing underscores are kept; only the inner ones join words.
    qsizetype first = 0;
    while (first < key.size() && key[first] == u'_') {
        ++first;
    }
    qsizetype last = key.size();
    while (last > first && key[last - 1] == u'_') {
        --last;
    }
    if (first == last) {
        return key.toString();
    }
    QString result = key.left(first).toString();
    bool firstWord = true;
    for (QStringView word : key.sliced(first, last - first).split(u'_', Qt::SkipEmptyParts)) {
        if (firstWord) {
            result += word.toString().toLower();
            firstWord = false;
        } else {
            result += word.left(1).toString().toUpper() + word.sliced(1).toString().toLower();
        }
    }
    return result + key.sliced(last);
}

QJsonObject parseReply(const QByteArray& body)
{
    return objectWithCamelCaseKeys(StrictJson::parseObject(body));
}

QString requiredString(const QJsonObject& object, QStringView key)
{
    return required(StrictJson::string(object, key));
}

double requiredNumber(const QJsonObject& object, QStringView key)
{
    return required(StrictJson::number(object, key));
}

} // namespace virel::ServiceJson
