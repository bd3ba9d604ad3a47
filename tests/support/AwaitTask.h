#pragma once

#include <optional>
#include <qcoro/qcorotask.h>

namespace virel::test {

namespace detail {
template <typename T> QCoro::Task<> storeResult(QCoro::Task<T> task, std::optional<T>* out)
{
    out->emplace(co_await std::move(task));
}
} // namespace detail

// Runs the event loop until `task` finishes and gives its result; unlike QCoro::waitFor it needs no
// default-constructible result type.
template <typename T> T awaitTask(QCoro::Task<T>&& task)
{
    std::optional<T> result;
    QCoro::waitFor(detail::storeResult(std::move(task), &result));
    return std::move(*result);
}

inline void awaitTask(QCoro::Task<>&& task)
{
    QCoro::waitFor(std::move(task));
}

} // namespace virel::test
