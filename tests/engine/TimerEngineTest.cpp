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
struct Rig
{
    FakeClock clock;
    FakeNotifier notifier;
    TimerEngine engine{notifier, clock, 10ms};
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
        QTest::newRow("zero") << 0.0 << "00:00";
        QTest::newRow("rounded down") << 1499.4 << "24:59";
        QTest::newRow("rounded up") << 1499.5 << "25:00";
        QTest::newRow("just under an hour") << 3599.4 << "59:59";
        QTest::newRow("rounds to an hour") << 3599.5 << "1:00:00";
        QTest::newRow("ten hours") << 36005.0 << "10:00:05";
    }

    void format()
    {
        QFETCH(double, seconds);
        QTEST(TimerEngine::format(seconds), "text");
    }

    void pauseKeepsTheExactRemainder()
    {
        Rig rig;
        auto& [clock, notifier, engine, finished] = rig;
        QVERIFY(engine.start(25));
        QCOMPARE(engine.phase(), TimerEngine::Phase(TimerEngine::Running{clock.now().addSecs(1500), 1500}));
        clock.advance(1500 - 754.4);

        engine.pause();
        QCOMPARE(engine.phase(), TimerEngine::Phase(TimerEngine::Paused{754.4, 1500}));
        QCOMPARE(engine.display(), u"⏸ 12:34"_qs);
        clock.advance(600);
        QTest::qWait(30);
        QCOMPARE(engine.display(), u"⏸ 12:34"_qs);

        engine.resume();
        QCOMPARE(engine.phase(),
                 TimerEngine::Phase(TimerEngine::Running{clock.now().addMSecs(754'400), 1500}));
        // 753.6 s left: still 12:34 only when counting on from 754.4.
        clock.advance(0.8);
        QTest::qWait(30);
        QCOMPARE(engine.display(), u"12:34"_qs);
        clock.advance(0.2);
        QTRY_COMPARE_WITH_TIMEOUT(engine.display(), u"12:33"_qs, 500);
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

        QVERIFY(engine.start(25));
        engine.resume();
        engine.pause();
        engine.pause();
        QCOMPARE(phase.count(), 2);
        // A new start replaces the paused countdown.
        QVERIFY(engine.start(5));
        QCOMPARE(engine.phase(), TimerEngine::Phase(TimerEngine::Running{clock.now().addSecs(300), 300}));
        QCOMPARE(engine.display(), u"05:00"_qs);

        // A reset countdown never ends.
        engine.reset();
        QCOMPARE(engine.display(), QString());
        clock.advance(600);
        QTest::qWait(50);
        QCOMPARE(finished, 0);
        QCOMPARE(notifier.posted.size() + notifier.beeps, 0);
    }

    void endsOnce_data()
    {
        QTest::addColumn<bool>("service");
        QTest::newRow("with a notification") << true;
        QTest::newRow("with a beep where no notification service runs") << false;
    }

    void endsOnce()
    {
        QFETCH(bool, service);
        Rig rig;
        auto& [clock, notifier, engine, finished] = rig;
        notifier.serviceExists = service;
        QVERIFY(engine.start(0.01));
        QCOMPARE(engine.display(), u"00:01"_qs);
        clock.advance(1);
        QTRY_COMPARE_WITH_TIMEOUT(finished, 1, 500);
        QTest::qWait(50);
        QCOMPARE(finished, 1);
        QCOMPARE(engine.phase(), TimerEngine::Phase(TimerEngine::Idle{}));
        QCOMPARE(engine.display(), QString());

        const QString identifier = u"timer-"_qs + shortestDecimal(clock.now().toMSecsSinceEpoch() / 1000.0);
        const QList<FakeNotifier::Posted> posted{
            {identifier, u"타이머 종료"_qs, u"설정한 시간이 끝났습니다."_qs}};
        QCOMPARE(notifier.posted, service ? posted : QList<FakeNotifier::Posted>{});
        QCOMPARE(notifier.beeps, service ? 0 : 1);
    }

    void lengths_data()
    {
        QTest::addColumn<double>("minutes");
        QTest::addColumn<QString>("display"); // 25:00 where the length is refused
        QTest::newRow("zero refused") << 0.0 << "25:00";
        QTest::newRow("negative refused") << -5.0 << "25:00";
        QTest::newRow("infinite refused") << HUGE_VAL << "25:00";
        QTest::newRow("not a number refused") << std::nan("") << "25:00";
        QTest::newRow("seconds overflow refused") << 1e307 << "25:00";
        QTest::newRow("past every calendar refused") << 1.6e14 << "25:00";
        QTest::newRow("very long still runs") << 1e12 << "16666666666:40:00";
    }

    void lengths()
    {
        QFETCH(double, minutes);
        QFETCH(QString, display);
        Rig rig;
        QVERIFY(rig.engine.start(25));
        const auto before = rig.engine.phase();
        const bool accepted = display != u"25:00";
        QCOMPARE(rig.engine.start(minutes), accepted);
        QCOMPARE(rig.engine.display(), display);
        if (!accepted) {
            QCOMPARE(rig.engine.phase(), before);
        }
    }
};

QTEST_GUILESS_MAIN(TimerEngineTest)
#include "TimerEngineTest.moc"
