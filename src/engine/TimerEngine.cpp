#include "engine/TimerEngine.h"

#include "model/Decimal.h"
#include "platform/Clock.h"
#include "platform/Notifier.h"

#include <cmath>

namespace virel {

namespace {
// Strictly below 2^63, so the rounded value is a valid 64-bit integer.
constexpr double kMaxMilliseconds = 9.2e18;

qint64 toMilliseconds(double seconds)
{
    return std::llround(seconds * 1000);
}
} // namespace

TimerEngine::TimerEngine(Notifier& notifier, const Clock& clock, std::chrono::milliseconds tick,
                         QObject* parent)
    : QObject(parent), m_notifier(notifier), m_clock(clock)
{
    m_tick.setInterval(tick);
    connect(&m_tick, &QTimer::timeout, this, &TimerEngine::updateDisplay);
}

bool TimerEngine::start(double minutes)
{
    const double seconds = minutes * 60;
    const double milliseconds = seconds * 1000;
    if (!std::isfinite(milliseconds) || seconds <= 0 || milliseconds >= kMaxMilliseconds) {
        return false;
    }
    const QDateTime now = m_clock.now();
    const QDateTime endsAt = now.addMSecs(toMilliseconds(seconds));
    // Beyond the calendar's range the end time would wrap or be invalid.
    if (!endsAt.isValid() || endsAt < now) {
        return false;
    }
    setPhase(Running{endsAt, seconds});
    m_tick.start();
    updateDisplay();
    return true;
}

void TimerEngine::pause()
{
    const auto* running = std::get_if<Running>(&m_phase);
    if (running == nullptr) {
        return;
    }
    const double remaining = std::max(m_clock.now().msecsTo(running->endsAt) / 1000.0, 0.0);
    setPhase(Paused{remaining, running->total});
    m_tick.stop();
    updateDisplay();
}

void TimerEngine::resume()
{
    const auto* paused = std::get_if<Paused>(&m_phase);
    if (paused == nullptr) {
        return;
    }
    setPhase(Running{m_clock.now().addMSecs(toMilliseconds(paused->remaining)), paused->total});
    m_tick.start();
    updateDisplay();
}

void TimerEngine::reset()
{
    setPhase(Idle{});
    m_tick.stop();
    setDisplay({});
}

QString TimerEngine::format(double seconds)
{
    const qint64 n = std::llround(seconds);
    if (n < 3600) {
        return QString::asprintf("%02lld:%02lld", n / 60, n % 60);
    }
    return QString::asprintf("%lld:%02lld:%02lld", n / 3600, (n % 3600) / 60, n % 60);
}

void TimerEngine::setPhase(const Phase& phase)
{
    if (m_phase != phase) {
        m_phase = phase;
        emit phaseChanged();
    }
}

void TimerEngine::setDisplay(const QString& display)
{
    if (m_display != display) {
        m_display = display;
        emit displayChanged();
    }
}

void TimerEngine::updateDisplay()
{
    if (const auto* running = std::get_if<Running>(&m_phase)) {
        const double remaining = m_clock.now().msecsTo(running->endsAt) / 1000.0;
        if (remaining > 0) {
            setDisplay(format(remaining));
        } else {
            finish();
        }
    } else if (const auto* paused = std::get_if<Paused>(&m_phase)) {
        setDisplay(QStringLiteral("⏸ ") + format(paused->remaining));
    } else {
        setDisplay({});
    }
}

void TimerEngine::finish()
{
    reset();
    if (m_notifier.available()) {
        const double now = m_clock.now().toMSecsSinceEpoch() / 1000.0;
        m_notifier.post(QStringLiteral("timer-") + shortestDecimal(now), QStringLiteral("타이머 종료"),
                        QStringLiteral("설정한 시간이 끝났습니다."));
    } else {
        m_notifier.beep();
    }
    if (onFinish) {
        onFinish();
    }
}

} // namespace virel
