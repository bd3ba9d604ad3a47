#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <functional>

namespace virel {

// Calls `message` on `connection` without waiting; `onReply` runs on `context`'s thread with the
// answer.
template <typename Reply>
void callAsync(const QDBusConnection& connection, const QDBusMessage& message, QObject* context,
               std::function<void(const QDBusPendingReply<Reply>&)> onReply)
{
    auto* watcher = new QDBusPendingCallWatcher(connection.asyncCall(message), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [onReply = std::move(onReply)](QDBusPendingCallWatcher* finished) {
                         onReply(QDBusPendingReply<Reply>(*finished));
                         finished->deleteLater();
                     });
}

} // namespace virel
