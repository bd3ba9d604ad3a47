#pragma once

#include "fakemarket/JsonAnswer.h"

#include <QDateTime>
#include <QString>
#include <QUrlQuery>

namespace virel::fake::ChartAnswer {

// The chart endpoint's answer for `symbol` (already decoded from the path) with the query's
// `range`, `interval` and `events`, as seen at `now`: meta with the exchange's current trading
// period (and, like the real endpoint, no market state), bars with a few empty ones, and for three
// months and longer the dividends and splits asked for. Unknown symbols get 404, unsupported
// ranges or intervals 422, both with the endpoint's error object.
JsonAnswer make(const QString& symbol, const QUrlQuery& query, const QDateTime& now);

} // namespace virel::fake::ChartAnswer
