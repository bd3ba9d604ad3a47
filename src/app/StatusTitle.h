#pragma once

#include "engine/TimerEngine.h"
#include "model/Quote.h"
#include "model/WatchItem.h"

#include <QString>
#include <optional>

namespace virel {

// What the status item shows: its text (the tooltip, and the title a text status bar would show)
// and the sign its icon draws.
struct StatusTitle
{
    enum class Badge { idle, timer, rise, fall, flat };

    QString text;
    Badge badge = Badge::idle;

    bool operator==(const StatusTitle&) const = default;
};

// The countdown in focus mode ("⏱ 24:59"), otherwise the rotating symbol's name and change
// ("삼성전자 ▲1.23%"), and "virel" when there is nothing to show.
StatusTitle statusTitle(bool focusMode, const TimerEngine::Phase& timerPhase, const QString& timerDisplay,
                        const std::optional<WatchItem>& rotatingItem, const QuoteMap& quotes);

} // namespace virel
