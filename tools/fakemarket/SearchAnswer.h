#pragma once

#include "fakemarket/JsonAnswer.h"

#include <QDateTime>
#include <QUrlQuery>

namespace virel::fake::SearchAnswer {

// The search endpoint's answer to `q`, at most `quotesCount` hits (default 10) and `newsCount`
// headlines (default 0) about the hits, publish times counted back from `now`. `lang` and `region`
// are accepted and ignored. A missing `q` gets 400 with the endpoint's error object.
JsonAnswer make(const QUrlQuery& query, const QDateTime& now);

} // namespace virel::fake::SearchAnswer
