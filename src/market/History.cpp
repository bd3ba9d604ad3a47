#include "market/History.h"

#include "model/Decimal.h"

namespace virel {

QString CorporateEvent::id() const
{
    return kindLabel(kind) + u'-' + shortestDecimal(static_cast<double>(date.toSecsSinceEpoch()));
}

QString CorporateEvent::kindLabel(Kind kind)
{
    return kind == Kind::dividend ? QStringLiteral("배당") : QStringLiteral("액면분할");
}

namespace ChartRanges {

Parameters parameters(ChartRange range)
{
    switch (range) {
    case ChartRange::oneDay:
        return {QStringLiteral("1d"), QStringLiteral("5m"), false};
    case ChartRange::fiveDays:
        return {QStringLiteral("5d"), QStringLiteral("15m"), false};
    case ChartRange::oneMonth:
        return {QStringLiteral("1mo"), QStringLiteral("1h"), false};
    case ChartRange::threeMonths:
        return {QStringLiteral("3mo"), QStringLiteral("1d"), true};
    case ChartRange::sixMonths:
        return {QStringLiteral("6mo"), QStringLiteral("1d"), true};
    case ChartRange::oneYear:
        return {QStringLiteral("1y"), QStringLiteral("1d"), true};
    case ChartRange::fiveYears:
        break;
    }
    return {QStringLiteral("5y"), QStringLiteral("1wk"), true};
}

} // namespace ChartRanges
} // namespace virel
