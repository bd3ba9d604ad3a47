#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <optional>

// The records that the service's JSON API answers with. Each `fromJson` reads an object whose keys
// were already converted to camelCase and throws `StrictJson::Malformed` when the reply does not fit:
// a required member missing or null, or any member of the wrong type.
namespace virel {

// The reply of endpoints that return nothing else; callers never look at `ok`.
struct OK
{
    std::optional<bool> ok;
    static OK fromJson(const QJsonObject& object);
};

// The body that comes with a non-2xx status.
struct ErrorBody
{
    std::optional<QString> error;
    static ErrorBody fromJson(const QJsonObject& object);
};

struct StartResponse
{
    QString deviceCode;
    QString userCode;
    QString verificationUrl;
    double expiresIn = 0; // seconds
    static StartResponse fromJson(const QJsonObject& object);
};

struct PollUser
{
    std::optional<QString> email;
};

struct PollResponse
{
    QString status;
    std::optional<QString> token;
    std::optional<PollUser> user;
    static PollResponse fromJson(const QJsonObject& object);
};

struct MeResponse
{
    std::optional<QString> email;
    static MeResponse fromJson(const QJsonObject& object);
};

struct WebSessionResponse
{
    std::optional<QString> url;
    static WebSessionResponse fromJson(const QJsonObject& object);
};

struct WatchlistResponse
{
    struct Item
    {
        QString ticker; // server form
        std::optional<QString> name;
        std::optional<QString> nameKo;
        std::optional<QString> exchange;
    };
    QList<Item> items;
    static WatchlistResponse fromJson(const QJsonObject& object);
};

} // namespace virel
