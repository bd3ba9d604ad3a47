#include "account/ServiceReplies.h"

#include "account/ServiceJson.h"
#include "market/StrictJson.h"

#include <QJsonArray>

namespace virel {

using ServiceJson::requiredNumber;
using ServiceJson::requiredString;
using StrictJson::string;

OK OK::fromJson(const QJsonObject& object)
{
    const QJsonValue ok = object.value(QStringLiteral("ok"));
    if (ok.isUndefined() || ok.isNull()) {
        return {};
    }
    if (!ok.isBool()) {
        throw StrictJson::Malformed{};
    }
    return {ok.toBool()};
}

ErrorBody ErrorBody::fromJson(const QJsonObject& object)
{
    return {string(object, u"error")};
}

StartResponse StartResponse::fromJson(const QJsonObject& object)
{
    return {requiredString(object, u"deviceCode"), requiredString(object, u"userCode"),
            requiredString(object, u"verificationUrl"), requiredNumber(object, u"expiresIn")};
}

PollResponse PollResponse::fromJson(const QJsonObject& object)
{
    std::optional<PollUser> user;
    if (const auto member = StrictJson::object(object, u"user")) {
        user = PollUser{string(*member, u"email")};
    }
    return {requiredString(object, u"status"), string(object, u"token"), user};
}

MeResponse MeResponse::fromJson(const QJsonObject& object)
{
    return {string(object, u"email")};
}

WebSessionResponse WebSessionResponse::fromJson(const QJsonObject& object)
{
    return {string(object, u"url")};
}

WatchlistResponse WatchlistResponse::fromJson(const QJsonObject& object)
{
    const auto items = StrictJson::array(object, u"items");
    if (!items) {
        throw StrictJson::Malformed{};
    }
    WatchlistResponse response;
    response.items.reserve(items->size());
    for (const QJsonValue& value : *items) {
        const QJsonObject item = StrictJson::toObject(value);
        response.items.append({requiredString(item, u"ticker"), string(item, u"name"),
                               string(item, u"nameKo"), string(item, u"exchange")});
    }
    return response;
}

} // namespace virel
