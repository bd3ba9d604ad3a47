#pragma once

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <variant>

namespace virel {

class Clock;
class Notifier;

// The one countdown (focus) timer. The end is measured against the clock, not by counting ticks, so a
// late tick never stretches a countdown; the tick only refreshes the display while one runs.
class TimerEngine : public QObject
{
    Q_OBJECT
    Q_PROPERTY(virel::TimerEngine::Phase phase READ phase NOTIFY phaseChanged)
    Q_PROPERTY(QString display READ display NOTIFY displayChanged)
public:
    struct Running
    {
        QDateTime endsAt;
        double total = 0; // seconds
        bool operator==(const Running&) const = default;
    };
    struct Paused
    {
        double remaining = 0; // seconds
        double total = 0;
        bool operator==(const Paused&) const = default;
    };
    struct Idle
    {
        bool operator==(const Idle&) const = default;
    };
    using Phase = std::variant<Running, Paused, Idle>;

    TimerEngine(Notifier& notifier, const Clock& clock,
                std::chrono::milliseconds tick = std::chrono::seconds(1), QObject* parent = nullptr);

    const Phase& phase() const { return m_phase; }
    // "24:59", "1:30:00", "⏸ 12:34", or empty when idle.
    const QString& display() const { return m_display; }

    // Starts a countdown of `minutes`, replacing the current one. A length that is not positive or
    // whose end cannot be represented is refused: false, and nothing changes.
    bool start(double minutes);
    void pause();
    void resume();
    void reset();

    // "mm:ss" below an hour, "h:mm:ss" from an hour up, after rounding to whole seconds.
    static QString format(double seconds);

    // Called when a countdown ends by itself (the application opens the glance panel).
    std::function<void()> onFinish;

signals:
    void phaseChanged();
    void displayChanged();

private:
    void run(double seconds, double total);
    void setPhase(const Phase& phase);
    void setDisplay(const QString& display);
    void updateDisplay();
    void finish();

    Notifier& m_notifier;
    const Clock& m_clock;
    QTimer m_tick;
    Phase m_phase = Idle{};
    QString m_display;
};

} // namespace virel
