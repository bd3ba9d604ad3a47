#pragma once

#include <QUrl>

namespace virel {

// The one way the application opens an address in the user's browser. Only web addresses (http and
// https) are opened; anything else is refused and false is returned.
bool openUrl(const QUrl& url);

} // namespace virel
