#include "platform/KeychainStore.h"

#include <qcoro/qcorosignal.h>
#include <qt6keychain/keychain.h>

namespace virel {

namespace {

template <typename Job> Job* makeJob()
{
    auto* job = new Job(QString::fromLatin1(KeychainStore::service));
    job->setKey(QString::fromLatin1(KeychainStore::account));
    job->setInsecureFallback(false);
    job->setAutoDelete(false);
    return job;
}

// Starts `job` and waits at most `limit` for it; what `read` takes from the job when it succeeded,
// nothing when it failed or ran out. A job that ran out is left to delete itself whenever it
// finishes, since the keychain backend may still call into it.
template <typename Job, typename Read>
auto run(Job* job, std::chrono::milliseconds limit, Read read)
    -> QCoro::Task<std::optional<decltype(read(*job))>>
{
    job->start();
    const auto finished = co_await qCoro(static_cast<QKeychain::Job*>(job), &QKeychain::Job::finished, limit);
    if (!finished) {
        job->setAutoDelete(true);
        co_return std::nullopt;
    }
    std::optional<decltype(read(*job))> result;
    if (job->error() == QKeychain::NoError) {
        result = read(*job);
    }
    job->deleteLater();
    co_return result;
}

bool succeeded(const QKeychain::Job&)
{
    return true;
}

} // namespace

KeychainStore::KeychainStore(std::chrono::milliseconds jobTimeLimit) : m_jobTimeLimit(jobTimeLimit) {}

QCoro::Task<std::optional<QString>> KeychainStore::load()
{
    co_return co_await run(makeJob<QKeychain::ReadPasswordJob>(), m_jobTimeLimit,
                           [](const QKeychain::ReadPasswordJob& job) { return job.textData(); });
}

QCoro::Task<bool> KeychainStore::save(QString token)
{
    // Both jobs are queued at once: the keychain runs its jobs in order, so a removal asked for
    // while this save runs still comes after the write.
    auto* write = makeJob<QKeychain::WritePasswordJob>();
    write->setTextData(token);
    auto removal = run(makeJob<QKeychain::DeletePasswordJob>(), m_jobTimeLimit, succeeded);
    auto writing = run(write, m_jobTimeLimit, succeeded);
    co_await std::move(removal); // a missing item is no failure
    const auto written = co_await std::move(writing);
    co_return written.has_value();
}

QCoro::Task<> KeychainStore::remove()
{
    co_await run(makeJob<QKeychain::DeletePasswordJob>(), m_jobTimeLimit, succeeded);
}

} // namespace virel
