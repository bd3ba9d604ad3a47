#include "model/Quote.h"

namespace virel {

namespace {
constexpr qint64 kFreshSeconds = 120;
}

double Quote::changePercent() const
{
    return previousClose != 0 ? change() / previousClose * 100 : 0;
}

ChangeDirection Quote::direction() const
{
    const double delta = change();
    if (delta > 0) {
        return ChangeDirection::rise;
    }
    if (delta < 0) {
        return ChangeDirection::fall;
    }
    return ChangeDirection::flat;
}

QString Quote::changeMark() const
{
    switch (direction()) {
    case ChangeDirection::rise:
        return QStringLiteral("▲");
    case ChangeDirection::fall:
        return QStringLiteral("▼");
    case ChangeDirection::flat:
        break;
    }
    return QStringLiteral("·");
}

bool Quote::isFresh(const QDateTime& now) const
{
    return receivedAt.isValid() && receivedAt.secsTo(now) <= kFreshSeconds;
}

} // namespace virel
