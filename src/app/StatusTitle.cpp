#include "app/StatusTitle.h"

#include "model/Formatters.h"

namespace virel {

namespace {

StatusTitle::Badge badgeOf(ChangeDirection direction)
{
    switch (direction) {
    case ChangeDirection::rise:
        return StatusTitle::Badge::rise;
    case ChangeDirection::fall:
        return StatusTitle::Badge::fall;
    case ChangeDirection::flat:
        break;
    }
    return StatusTitle::Badge::flat;
}

} // namespace

StatusTitle statusTitle(bool focusMode, const TimerEngine::Phase& timerPhase, const QString& timerDisplay,
                        const std::optional<WatchItem>& rotatingItem, const QuoteMap& quotes)
{
    const StatusTitle idle{QStringLiteral("virel"), StatusTitle::Badge::idle};
    if (focusMode) {
        if (std::holds_alternative<TimerEngine::Idle>(timerPhase)) {
            return idle;
        }
        return {QStringLiteral("⏱ ") + timerDisplay, StatusTitle::Badge::timer};
    }
    if (rotatingItem) {
        const auto quote = quotes.constFind(rotatingItem->symbol);
        if (quote != quotes.cend()) {
            return {quote->displayName + u' ' + formatChange(*quote), badgeOf(quote->direction())};
        }
    }
    return idle;
}

} // namespace virel
