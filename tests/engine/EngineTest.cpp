#include "engine/AlertEngine.h"
#include "engine/TimerEngine.h"

#include "FakeClock.h"
#include "FakeNotifier.h"
#include "TempSettings.h"
#include "model/Decimal.h"
#include "platform/Settings.h"

#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <sys/stat.h>

using namespace virel;
using namespace virel::test;
using namespace std::chrono_literals;

namespace {

const auto kKey = u"alertRules"_qs;
const auto kNvda = u"NVDA"_qs;
constexpr double kNoQuote = -1; // a price that stands for "no quote for the symbol this time"

AlertRule rule(const QString& symbol, double threshold,
               AlertRule::Direction direction = AlertRule::Direction::above)
{
    AlertRule made;
    made.symbol = symbol;
    made.name = symbol == QLatin1String("005930.KS") ? u"삼성전자"_qs : symbol;
    made.direction = direction;
    made.threshold = threshold;
    return made;
}

QuoteMap quotes(const QString& symbol, double price, double previousClose = 100)
{
    Quote quote;
    quote.symbol = symbol;
    quote.price = price;
    quote.previousClose = previousClose;
    return {{price == kNoQuote ? u"TSLA"_qs : symbol, quote}};
}

struct Alerts
{
    TempSettings settings;
    FakeNotifier notifier;
    AlertEngine engine{*settings, notifier};
    QList<std::pair<AlertRule, Quote>> fired;

    Alerts()
    {
        engine.onFire = [this](const AlertRule& rule, const Quote& quote) { fired.append({rule, quote}); };
    }
    std::optional<QList<AlertRule>> stored() const
    {
        return AlertRule::decodeList(settings.reopen()->value(kKey).toByteArray());
    }
};

// The store file is replaced by every real write, so its inode and time tell whether one happened.
std::pair<ino_t, qint64> fileIdentity(const QString& path)
{
    struct stat info = {};
    stat(path.toLocal8Bit().constData(), &info);
    return {info.st_ino, qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

// A countdown over a fake clock, ticking every 10 ms.
struct Countdown
{
    FakeClock clock;
    FakeNotifier notifier;
    TimerEngine engine{notifier, clock, 10ms};
    int finished = 0;

    Countdown()
    {
        engine.onFinish = [this] { ++finished; };
    }
};

} // namespace

class EngineTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void firesOncePerCrossing_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<QList<double>>("prices");
        QTest::addColumn<QString>("fires"); // '+' where that price fires
        const int above = int(AlertRule::Direction::above);
        const int below = int(AlertRule::Direction::below);
        const double nan = std::nan("");
        QTest::newRow("above 100 hovering") << above << QList<double>{99, 100, 101, 99, 100} << "-+--+";
        QTest::newRow("below 100 reached at once") << below << QList<double>{90} << "+";
        QTest::newRow("below counts equality") << below << QList<double>{101, 100, 99, 101, 100} << "-+--+";
        QTest::newRow("a price that is no number re-arms") << above << QList<double>{101, nan, 101} << "+-+";
        QTest::newRow("missing quote keeps the flag") << above << QList<double>{101, kNoQuote, 101} << "+--";
    }

    void firesOncePerCrossing()
    {
        QFETCH(int, direction);
        QFETCH(QList<double>, prices);
        Alerts rig;
        rig.engine.add(rule(kNvda, 100, AlertRule::Direction(direction)));
        QString seen;
        for (const double price : prices) {
            const qsizetype before = rig.fired.size();
            rig.engine.evaluate(quotes(kNvda, price));
            seen.append(rig.fired.size() > before ? u'+' : u'-');
        }
        QTEST(seen, "fires");
        QCOMPARE(rig.notifier.posted.size(), rig.fired.size());
    }

    void notification_data()
    {
        QTest::addColumn<bool>("service");
        QTest::addColumn<double>("price");
        QTest::addColumn<double>("previousClose");
        QTest::addColumn<QString>("current"); // the end of the body
        QTest::newRow("rise") << true << 70100.0 << 69247.0 << "70,100 (+1.23%)";
        QTest::newRow("fall") << true << 70000.0 << 71000.0 << "70,000 (-1.41%)";
        QTest::newRow("no previous close") << true << 70000.0 << 0.0 << "70,000 (+0.00%)";
        QTest::newRow("no notification service: a beep") << false << 70000.0 << 0.0 << QString();
    }

    void notification()
    {
        QFETCH(bool, service);
        QFETCH(double, price);
        QFETCH(double, previousClose);
        QFETCH(QString, current);
        Alerts rig;
        rig.notifier.serviceExists = service;
        const auto samsung = rule(u"005930.KS"_qs, 70000);
        rig.engine.add(samsung);
        rig.engine.evaluate(quotes(samsung.symbol, price, previousClose));

        const QString id = samsung.id.toString(QUuid::WithoutBraces).toUpper();
        const QList<FakeNotifier::Posted> posted{
            {id, u"삼성전자 가격 알림"_qs, u"삼성전자 ≥ 70000.0 도달 · 현재 "_qs + current}};
        QCOMPARE(rig.notifier.posted, service ? posted : QList<FakeNotifier::Posted>{});
        QCOMPARE(rig.notifier.beeps, service ? 0 : 1);
        QCOMPARE(rig.fired.size(), 1);
        QCOMPARE(rig.fired[0].first.id, samsung.id);
        QVERIFY(rig.fired[0].first.triggered);
        QCOMPARE(rig.fired[0].second.price, price);
    }

    void rulesOnOneSymbolFireIndependently()
    {
        Alerts rig;
        const auto high = rule(kNvda, 110);
        rig.engine.add(rule(kNvda, 100));
        rig.engine.add(rule(kNvda, 90));
        rig.engine.add(high);
        // The callback may edit the rules: here each goes as it fires.
        rig.engine.onFire = [&rig](const AlertRule& fired, const Quote&) { rig.engine.remove(fired.id); };
        QSignalSpy lastFired(&rig.engine, &AlertEngine::lastFiredChanged);
        rig.engine.evaluate(quotes(kNvda, 105));
        QCOMPARE(rig.engine.rules(), QList{high});
        rig.engine.evaluate(quotes(kNvda, 111));
        QCOMPARE(rig.engine.lastFired()->id, high.id);
        QVERIFY(rig.engine.rules().isEmpty());
        QCOMPARE(rig.notifier.posted.size(), 3);
        QCOMPARE(lastFired.count(), 3);
    }

    void removeSavesAtOnceAndStopsEvaluation()
    {
        Alerts rig;
        const auto kept = rule(u"AAPL"_qs, 100);
        const auto removed = rule(kNvda, 100);
        rig.engine.add(removed);
        rig.engine.add(kept);
        QSignalSpy changed(&rig.engine, &AlertEngine::rulesChanged);
        rig.engine.remove(removed.id);
        rig.engine.remove(removed.id);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(rig.stored(), QList<AlertRule>{kept});
        rig.engine.evaluate(quotes(kNvda, 120));
        QVERIFY(rig.notifier.posted.isEmpty());
    }

    void rulesAreStoredOnlyWhenTheyChange()
    {
        Alerts rig;
        rig.engine.evaluate({});
        QCOMPARE(rig.stored(), QList<AlertRule>{}); // even an empty list is stored
        rig.engine.add(rule(kNvda, 100));
        const auto afterAdd = fileIdentity(rig.settings.path());
        rig.engine.evaluate(quotes(kNvda, 99));
        rig.engine.evaluate(quotes(u"AAPL"_qs, 500));
        QCOMPARE(fileIdentity(rig.settings.path()), afterAdd);
        rig.engine.evaluate(quotes(kNvda, 101));
        QVERIFY(fileIdentity(rig.settings.path()) != afterAdd);

        // A restart reads the rules back with their flags: the fired one stays quiet.
        const auto store = rig.settings.reopen();
        AlertEngine restarted(*store, rig.notifier);
        QCOMPARE(restarted.rules(), rig.engine.rules());
        QVERIFY(restarted.rules()[0].triggered);
        restarted.evaluate(quotes(kNvda, 121));
        QCOMPARE(rig.notifier.posted.size(), 1);
    }

    void listWithAnEndlessLevelIsNotWritten()
    {
        Alerts rig;
        rig.engine.add(rule(kNvda, 100));
        const auto before = rig.stored();
        rig.engine.add(rule(u"AAPL"_qs, HUGE_VAL));
        QCOMPARE(rig.engine.rules().size(), 2);
        QCOMPARE(rig.stored(), before);
    }

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
        Countdown rig;
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
        Countdown rig;
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
        Countdown rig;
        auto& [clock, notifier, engine, finished] = rig;
        notifier.serviceExists = service;
        QVERIFY(engine.start(0.01));
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
        Countdown rig;
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

QTEST_GUILESS_MAIN(EngineTest)
#include "EngineTest.moc"
