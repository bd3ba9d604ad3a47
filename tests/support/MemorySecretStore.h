#pragma once

#include "platform/SecretStore.h"

namespace virel::test {

// A token store in memory; `failSaves` makes every save report failure without writing.
class MemorySecretStore final : public SecretStore
{
public:
    std::optional<QString> token;
    bool failSaves = false;
    int saves = 0;
    int removals = 0;

    QCoro::Task<std::optional<QString>> load() override { co_return token; }
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
