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

} // namespace virel
