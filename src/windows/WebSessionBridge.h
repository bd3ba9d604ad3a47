#pragma once

#include <QString>
#include <QUrl>
#include <qcoro/qcorotask.h>

namespace virel {

class AccountService;

// Opens the service's pages with the signed-in web session at most once per process: the first web
// page shown while signed in asks the service for a session address, every later one loads the plain
// page address (the session cookie is kept by the browser profile by then).
namespace WebSessionBridge {

// Whether a signed-in web session has been asked for in this process. Only ever turns true.
bool attempted();

// `path` (beginning with "/") on the service at `base`.
QUrl pageUrl(const QUrl& base, const QString& path);

// The address to load for `path`: the signed-in session address when the account is signed in and
// no session has been asked for yet, else (and whenever the service gives none) the page address.
// `account` must outlive the call.
QCoro::Task<QUrl> resolve(AccountService& account, QUrl base, QString path);

} // namespace WebSessionBridge
} // namespace virel
