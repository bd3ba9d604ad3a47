#pragma once

#include "platform/SecretStore.h"

#include <chrono>

namespace virel {

// The token in the desktop's secret service (libsecret or KWallet, through QtKeychain), never in a
// plaintext file. Every keychain job has a time limit: with no secret service, D-Bus may start a
// keyring that waits for a password prompt forever, and a job that runs out counts as a failure.
class KeychainStore final : public SecretStore
{
public:
    static constexpr auto service = "virel.mac";
    static constexpr auto account = "api-token";

    explicit KeychainStore(std::chrono::milliseconds jobTimeLimit = std::chrono::seconds(5));

    QCoro::Task<std::optional<QString>> load() override;
    // Delete, then write: never an update in place.
    QCoro::Task<bool> save(QString token) override;
    QCoro::Task<> remove() override;

private:
    std::chrono::milliseconds m_jobTimeLimit;
};

} // namespace virel
