#pragma once

#include <QString>
#include <optional>
#include <qcoro/qcorotask.h>

namespace virel {

// Where the account's API token is kept between launches. Every operation finishes on its own, in a
// few seconds at most, and operations take effect in the order in which they were started.
class SecretStore
{
public:
    virtual ~SecretStore() = default;

    // The stored token, or nothing (none stored, store locked or unavailable).
    virtual QCoro::Task<std::optional<QString>> load() = 0;
    // Replaces the stored token; true exactly when it was written.
    virtual QCoro::Task<bool> save(QString token) = 0;
    // Deletes the stored token, if any.
    virtual QCoro::Task<> remove() = 0;
};

} // namespace virel
