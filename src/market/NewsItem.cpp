#include "market/NewsItem.h"

namespace virel {

QString NewsItem::id() const
{
    return title + publishedAt.toUTC().toString(u"yyyy-MM-dd HH:mm:ss") + u" +0000";
}

} // namespace virel
