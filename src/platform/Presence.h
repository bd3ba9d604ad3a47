#pragma once

#include <QObject>
#include <chrono>

namespace virel {

// What the session tells about the person in front of it: whether the screen can be seen at all,
// how long since the last keyboard or pointer input, and whether the machine runs on battery. A
// source the session lacks reads as someone present, screen on, on mains.
class Presence : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Locked, covered by the screen saver or powered down.
    virtual bool screenHidden() const = 0;
    virtual double idleSeconds() const = 0;
    virtual bool onBattery() const = 0;
    // How fresh the idle time must be: rarely checked while nothing depends on a quick answer, often
    // while the first input should change something at once.
    virtual void setIdleCheckInterval(std::chrono::milliseconds interval) = 0;

signals:
    void changed();
};

} // namespace virel
