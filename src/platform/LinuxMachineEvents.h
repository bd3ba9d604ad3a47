#pragma once

#include "platform/Clock.h"
#include "platform/MachineEvents.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

namespace virel {

// Resume from logind's PrepareForSleep(false) on the system bus; without logind, from the wall
// clock running more than a minute ahead of the steady clock between two checks (the steady clock
// stands still while the machine sleeps). Reachability from Qt's network information backend
// (NetworkManager or GLib), if one loads.
class LinuxMachineEvents final : public MachineEvents
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds clockCheckInterval{5'000};

    explicit LinuxMachineEvents(const Clock& clock = Clock::system(), QObject* parent = nullptr);

    Reachability reachability() const override;

private slots:
    void prepareForSleep(bool sleeping);

private:
    void checkClock();

    const Clock& m_clock;
    Reachability m_reachability = Reachability::unknown;
    QTimer m_clockCheck;
    QElapsedTimer m_steady;
    QDateTime m_lastWall;
};

} // namespace virel
