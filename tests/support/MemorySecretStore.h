#pragma once

#include "platform/SecretStore.h"

#include <chrono>
#include <qcoro/qcorotimer.h>

namespace virel::test {

// A token store in memory; `failSaves` makes every save report failure without writing, and
// `loadDelay` makes loading as slow as a real keychain.
class MemorySecretStore final : public SecretStore
{
public:
    std::optional<QString> token;
    bool failSaves = false;
    int saves = 0;
    int removals = 0;
    std::chrono::milliseconds loadDelay{0};

    QCoro::Task<std::optional<QString>> load() override
    {
        if (loadDelay.count() > 0) {
            co_await QCoro::sleepFor(loadDelay);
        }
        co_return token;
    }
    QCoro::Task<bool> save(QString value) override
    {
        ++saves;
        if (failSaves) {
            co_return false;
        }
        token = value;
        co_return true;
    }
    QCoro::Task<> remove() override
    {
        ++removals;
        token.reset();
        co_return;
    }
};

} // namespace virel::test
