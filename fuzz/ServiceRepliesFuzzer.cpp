// A reply of the Virel service read as every record the application asks for.

#include "FuzzInput.h"
#include "account/ServiceJson.h"
#include "account/ServiceReplies.h"
#include "market/StrictJson.h"

using namespace virel;

namespace {

template <typename Reply> void decodeAs(const QByteArray& body)
{
    StrictJson::attempt([&] { return Reply::fromJson(ServiceJson::parseReply(body)); });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body = fuzz::body(data, size);
    decodeAs<OK>(body);
    decodeAs<ErrorBody>(body);
    decodeAs<StartResponse>(body);
    decodeAs<PollResponse>(body);
    decodeAs<MeResponse>(body);
    decodeAs<WebSessionResponse>(body);
    decodeAs<WatchlistResponse>(body);
    return 0;
}
