#include "engine/TimerEngine.h"

#include "FakeClock.h"
#include "FakeNotifier.h"
#include "model/Decimal.h"

#include <QSignalSpy>
#include <QTest>
#include <cmath>

using namespace virel;
using namespace virel::test;
using namespace std::chrono_literals;

namespace {
constexpr auto kTick = 10ms;

struct Rig
{
    FakeClock clock;
    FakeNotifier notifier;
    TimerEngine engine{notifier, clock, kTick};
    int finished = 0;

    Rig()
    {
        engine.onFinish = [this] { ++finished; };
    }
};
} // namespace

class TimerEngineTest : public QObject
{
    Q_OBJECT

private slots:
    void format_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0.0 << QStringLiteral("00:00");
        QTest::newRow("five minutes") << 300.0 << QStringLiteral("05:00");
        QTest::newRow("rounded down") << 1499.4 << QStringLiteral("24:59");
        QTest::newRow("rounded up") << 1499.5 << QStringLiteral("25:00");
        QTest::newRow("just under an hour") << 3599.4 << QStringLiteral("59:59");
        QTest::newRow("rounds to an hour") << 3599.5 << QStringLiteral("1:00:00");
        QTest::newRow("ninety minutes") << 5400.0 << QStringLiteral("1:30:00");
        QTest::newRow("ten hours") << 36005.0 << QStringLiteral("10:00:05");
    }

    void format()
    {
        QFETCH(double, seconds);
        QFETCH(QString, text);
        QCOMPARE(TimerEngine::format(seconds), text);
    }

    void countsDownAgainstTheClock()
    {
        Rig rig;
        auto& [clock, notifier, engine, finished] = rig;
        const QDateTime started = clock.now();

        QVERIFY(engine.start(25));
        QCOMPARE(engine.display(), QStringLiteral("25:00"));
        QCOMPARE(engine.phase(), TimerEngine::Phase(TimerEngine::Running{started.addSecs(1500), 1500}));
        clock.advance(1);
        QTRY_COMPARE_WITH_TIMEOUT(engine.display(), QStringLiteral("24:59"), 500);
    }

    void pauseKeepsTheExactRemainder()
    {
        Rig rig;
        auto& [clock, notifier, engine, finished] = rig;
        QVERIFY(engine.start(25));
        clock.advance(1500 - 754.4);

        engine.pause();
        QCOMPARE(engine.phase(), TimerEngine::Phase(TimerEngine::Paused{754.4, 1500}));
        QCOMPARE(engine.display(), QStringLiteral("⏸ 12:34"));
        clock.advance(600);
        QTest::qWait(30);
        QCOMPARE(engine.display(), QStringLiteral("⏸ 12:34"));

        engine.resume();
        QCOMPARE(engine.phase(),
                 TimerEngine::Phase(TimerEngine::Running{clock.now().addMSecs(754'400), 1500}));
        // 753.6 s left: still 12:34 only when counting on from 754.4.
        clock.advance(0.8);
        QTest::qWait(30);
        QCOMPARE(engine.display(), QStringLiteral("12:34"));
        clock.advance(0.2);
        QTRY_COMPARE_WITH_TIMEOUT(engine.display(), QStringLiteral("12:33"), 500);
    }

    void transitionsThatDoNotApplyChangeNothing()
    {
        Rig rig;
        auto& [clock, notifier, engine, finished] = rig;
        QSignalSpy phase(&engine, &TimerEngine::phaseChanged);
        QSignalSpy display(&engine, &TimerEngine::displayChanged);

        engine.pause();
        engine.resume();
        QCOMPARE(phase.count(), 0);
        QCOMPARE(display.count(), 0);

        QVERIFY(engine.start(5));
        engine.resume();
        engine.pause();
        const auto paused = engine.phase();
        engine.pause();
        QCOMPARE(engine.phase(), paused);
        QCOMPARE(phase.count(), 2);
    }

    void startReplacesTheCountdown()
    {
        Rig rig;
        auto& [clock, notifier, engine, finished] = rig;
        QVERIFY(engine.start(25));
        engine.pause();
        QVERIFY(engine.start(5));
        QCOMPARE(engine.phase(), TimerEngine::Phase(TimerEngine::Running{clock.now().addSecs(300), 300}));
        QCOMPARE(engine.display(), QStringLiteral("05:00"));
    }

    void endsOnceWithANotification()
    {
        Rig rig;
        auto& [clock, notifier, engine, finished] = rig;

        QVERIFY(engine.start(0.01));
        QCOMPARE(engine.display(), QStringLiteral("00:01"));
        clock.advance(1);
        QTRY_COMPARE_WITH_TIMEOUT(finished, 1, 500);
        QTest::qWait(50);
        QCOMPARE(finished, 1);
        QCOMPARE(engine.phase(), TimerEngine::Phase(TimerEngine::Idle{}));
        QCOMPARE(engine.display(), QString());

        const QString identifier =
            QStringLiteral("timer-") + shortestDecimal(clock.now().toMSecsSinceEpoch() / 1000.0);
        QCOMPARE(notifier.posted,
                 (QList<FakeNotifier::Posted>{{identifier, QStringLiteral("타이머 종료"),
                                               QStringLiteral("설정한 시간이 끝났습니다.")}}));
        QCOMPARE(notifier.beeps, 0);
    }

    void endBeepsWithoutNotificationService()
    {
        Rig rig;
        auto& [clock, notifier, engine, finished] = rig;
        notifier.serviceExists = false;

        QVERIFY(engine.start(1));
        clock.advance(60);
        QTRY_COMPARE_WITH_TIMEOUT(finished, 1, 500);
        QCOMPARE(notifier.beeps, 1);
        QVERIFY(notifier.posted.isEmpty());
    }

    void resetIsSilent()
    {
        Rig rig;
        auto& [clock, notifier, engine, finished] = rig;

        QVERIFY(engine.start(1));
        engine.reset();
        QCOMPARE(engine.display(), QString());
        clock.advance(120);
        QTest::qWait(50);
        QCOMPARE(finished, 0);
        QVERIFY(notifier.posted.isEmpty());
        QCOMPARE(notifier.beeps, 0);
    }

    void refusesLengthsWithoutAnEnd_data()
    {
        QTest::addColumn<double>("minutes");
        QTest::newRow("zero") << 0.0;
        QTest::newRow("negative") << -5.0;
        QTest::newRow("infinite") << HUGE_VAL;
        QTest::newRow("not a number") << std::nan("");
        QTest::newRow("seconds overflow") << 1e307;
        QTest::newRow("past every calendar") << 1.6e14;
    }

    void refusesLengthsWithoutAnEnd()
    {
        QFETCH(double, minutes);
        Rig rig;
        auto& [clock, notifier, engine, finished] = rig;
        QVERIFY(engine.start(25));
        const auto before = engine.phase();

        QVERIFY(!engine.start(minutes));
        QCOMPARE(engine.phase(), before);
        QCOMPARE(engine.display(), QStringLiteral("25:00"));
    }

    void veryLongLengthStillDisplays()
    {
        Rig rig;
        auto& [clock, notifier, engine, finished] = rig;
        QVERIFY(engine.start(1e12));
        QCOMPARE(engine.display(), QStringLiteral("16666666666:40:00"));
    }
};

QTEST_GUILESS_MAIN(TimerEngineTest)
#include "TimerEngineTest.moc"
