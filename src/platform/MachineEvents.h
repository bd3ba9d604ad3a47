#pragma once

#include <QObject>

namespace virel {

// Whether the internet can be reached, as far as the system knows.
enum class Reachability { unknown, offline, online };

// What the machine reports that bears on polling: waking from suspend and the network coming and
// going. A source the system lacks simply reports nothing.
class MachineEvents : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual Reachability reachability() const = 0;

signals:
    void resumed();
    void reachabilityChanged(virel::Reachability before, virel::Reachability now);
};

} // namespace virel
