#pragma once

#include <QObject>
#include <qcoro/qcorotask.h>
#include <utility>

namespace virel {

// Lets `task` run to its end with nobody waiting for it; `context` only scopes the (empty) callback.
template <typename T> void runDetached(QCoro::Task<T>&& task, QObject* context)
{
    QCoro::connect(std::move(task), context, [] {});
}

// Stores `value` in `member`; true when that changed it, so the change signal is sent only then.
template <typename T> bool assignIfChanged(T& member, T value)
{
    if (member == value) {
        return false;
    }
    member = std::move(value);
    return true;
}

} // namespace virel
