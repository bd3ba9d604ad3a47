#include "app/UrlOpener.h"

#include "platform/Origins.h"

#include <QDesktopServices>

namespace virel {

bool openUrl(const QUrl& url)
{
    if (!Origins::isWebUrl(url)) {
        return false;
    }
    return QDesktopServices::openUrl(url);
}

} // namespace virel
