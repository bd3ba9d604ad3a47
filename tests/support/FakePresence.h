#pragma once

#include "platform/Presence.h"

namespace virel::test {

// A session whose lock, idle time and battery the test sets; `set` announces the change.
class FakePresence final : public Presence
{
public:
    bool screenHidden() const override { return hidden; }
    double idleSeconds() const override { return idle; }
    bool onBattery() const override { return battery; }
    void setIdleCheckInterval(std::chrono::milliseconds) override {}

    void set(bool hiddenNow, double idleNow, bool batteryNow)
    {
        hidden = hiddenNow;
        idle = idleNow;
        battery = batteryNow;
        emit changed();
    }

    bool hidden = false;
    double idle = 0;
    bool battery = false;
};

} // namespace virel::test
