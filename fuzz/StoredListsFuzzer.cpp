// A stored value read as each of the lists the application keeps; whatever decodes is written back
// unchanged.

#include "FuzzInput.h"
#include "account/PendingOp.h"
#include "model/AlertRule.h"
#include "model/WatchItem.h"

#include <algorithm>

using namespace virel;

namespace {

template <typename Record> void roundTrip(const QByteArray& data)
{
    const auto decoded = Record::decodeList(data);
    if (decoded) {
        fuzz::require(Record::decodeList(Record::encodeList(*decoded)) == decoded);
    }
}

// A rule whose threshold JSON cannot write is never stored, so it needs no round trip.
bool storable(const QList<AlertRule>& rules)
{
    return std::all_of(rules.begin(), rules.end(),
                       [](const AlertRule& rule) { return fuzz::finite(rule.threshold); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray stored = fuzz::body(data, size);
    roundTrip<WatchItem>(stored);
    roundTrip<PendingOp>(stored);
    if (const auto rules = AlertRule::decodeList(stored); rules && storable(*rules)) {
        fuzz::require(AlertRule::decodeList(AlertRule::encodeList(*rules)) == rules);
    }
    return 0;
}
