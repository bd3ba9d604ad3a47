#include "windows/WebSessionBridge.h"

#include "account/AccountService.h"

namespace virel::WebSessionBridge {

namespace {
bool s_attempted = false;
} // namespace

bool attempted()
{
    return s_attempted;
}

QUrl pageUrl(const QUrl& base, const QString& path)
{
    QString basePath = base.path();
    if (!basePath.endsWith(u'/')) {
        basePath += u'/';
    }
    QUrl url = base;
    url.setPath(basePath + (path.startsWith(u'/') ? path.mid(1) : path));
    return url;
}

QCoro::Task<QUrl> resolve(AccountService& account, QUrl base, QString path)
{
    const QUrl direct = pageUrl(base, path);
    if (!account.user() || s_attempted) {
        co_return direct;
    }
    s_attempted = true;
    const std::optional<QUrl> session = co_await account.webSessionURL(path);
    co_return session.value_or(direct);
}

} // namespace virel::WebSessionBridge
