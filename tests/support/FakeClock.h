#pragma once

#include "platform/Clock.h"



namespace virel::test {

// A clock that moves only when told to.
class FakeClock final : public Clock
{
public:
    explicit FakeClock(QDateTime start = QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC))
        : m_now(std::move(start))
    {
    }

    QDateTime now() const override { return m_now; }
    void set(const QDateTime& now) { m_now = now; }
    void advance(double seconds) { m_now = m_now.addMSecs(static_cast<qint64>(seconds * 1000)); }

private:
    QDateTime m_now;
};

} // namespace virel::test
