#pragma once

#include <QDateTime>

namespace virel {

// Every "now" of the system comes from here, so tests can move time by hand.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;

    // The process-wide wall clock.
    static const Clock& system();
};

} // namespace virel
