#include "engine/AlertEngine.h"

#include "FakeNotifier.h"
#include "TempSettings.h"
#include "platform/Settings.h"

#include <QSignalSpy>
#include <QTest>
#include <cmath>
#include <sys/stat.h>

using namespace virel;
using namespace virel::test;

namespace {

AlertRule rule(const QString& symbol, AlertRule::Direction direction, double threshold,
               bool triggered = false)
{
    AlertRule made;
    made.symbol = symbol;
    made.name = symbol == QLatin1String("005930.KS") ? QStringLiteral("삼성전자") : symbol;
    made.direction = direction;
    made.threshold = threshold;
    made.triggered = triggered;
    return made;
}

QuoteMap quotes(const QString& symbol, double price, double previousClose = 100)
{
    Quote quote;
    quote.symbol = symbol;
    quote.price = price;
    quote.previousClose = previousClose;
    return {{symbol, quote}};
}

// The store file is replaced by every real write, so its identity tells whether one happened.
std::pair<ino_t, timespec> fileIdentity(const QString& path)
{
    struct stat info = {};
    stat(path.toLocal8Bit().constData(), &info);
    return {info.st_ino, info.st_mtim};
}

bool sameIdentity(const std::pair<ino_t, timespec>& a, const std::pair<ino_t, timespec>& b)
{
    return a.first == b.first && a.second.tv_sec == b.second.tv_sec && a.second.tv_nsec == b.second.tv_nsec;
}

const auto kKey = QStringLiteral("alertRules");

struct Rig
{
    TempSettings settings;
    FakeNotifier notifier;
    AlertEngine engine{*settings, notifier};
};

} // namespace

class AlertEngineTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void firesOncePerCrossing_data()
    {
        QTest::addColumn<int>("direction");
        QTest::addColumn<double>("threshold");
        QTest::addColumn<QList<double>>("prices");
        QTest::addColumn<QList<bool>>("fires");

        const int above = int(AlertRule::Direction::above);
        const int below = int(AlertRule::Direction::below);
        const double nan = std::nan("");
        QTest::newRow("above 100 hovering") << above << 100.0 << QList<double>{99, 100, 101, 99, 100}
                                            << QList<bool>{false, true, false, false, true};
        QTest::newRow("below 50 reached at once") << below << 50.0 << QList<double>{40} << QList<bool>{true};
        QTest::newRow("below counts equality") << below << 50.0 << QList<double>{51, 50, 49, 51, 50}
                                               << QList<bool>{false, true, false, false, true};
        QTest::newRow("a price that is no number re-arms")
            << above << 100.0 << QList<double>{101, nan, 101} << QList<bool>{true, false, true};
    }

    void firesOncePerCrossing()
    {
        QFETCH(int, direction);
        QFETCH(double, threshold);
        QFETCH(QList<double>, prices);
        QFETCH(QList<bool>, fires);

        Rig rig;
        auto& [settings, notifier, engine] = rig;
        engine.add(rule(QStringLiteral("NVDA"), AlertRule::Direction(direction), threshold));
        int fired = 0;
        engine.onFire = [&fired](const AlertRule&, const Quote&) { ++fired; };

        for (qsizetype i = 0; i < prices.size(); ++i) {
            const int before = fired;
            engine.evaluate(quotes(QStringLiteral("NVDA"), prices[i]));
            QCOMPARE(fired - before, fires[i] ? 1 : 0);
            QCOMPARE(notifier.posted.size(), fired);
        }
    }

    void missingQuoteKeepsTheFlag()
    {
        Rig rig;
        auto& [settings, notifier, engine] = rig;
        engine.add(rule(QStringLiteral("NVDA"), AlertRule::Direction::above, 100, true));
        engine.add(rule(QStringLiteral("AAPL"), AlertRule::Direction::above, 100, false));

        for (int i = 0; i < 3; ++i) {
            engine.evaluate({});
            engine.evaluate(quotes(QStringLiteral("TSLA"), 50));
        }
        QCOMPARE(engine.rules().at(0).triggered, true);
        QCOMPARE(engine.rules().at(1).triggered, false);
        QVERIFY(notifier.posted.isEmpty());
    }

    void rulesOnOneSymbolFireIndependently()
    {
        Rig rig;
        auto& [settings, notifier, engine] = rig;
        const auto low = rule(QStringLiteral("NVDA"), AlertRule::Direction::above, 100);
        const auto high = rule(QStringLiteral("NVDA"), AlertRule::Direction::above, 110);
        engine.add(low);
        engine.add(high);
        QSignalSpy lastFired(&engine, &AlertEngine::lastFiredChanged);

        engine.evaluate(quotes(QStringLiteral("NVDA"), 105));
        QCOMPARE(notifier.posted.size(), 1);
        QCOMPARE(engine.lastFired()->id, low.id);
        engine.evaluate(quotes(QStringLiteral("NVDA"), 111));
        QCOMPARE(notifier.posted.size(), 2);
        QCOMPARE(engine.lastFired()->id, high.id);
        QVERIFY(engine.lastFired()->triggered);
        QCOMPARE(lastFired.count(), 2);
    }

    void notificationText_data()
    {
        QTest::addColumn<double>("price");
        QTest::addColumn<double>("previousClose");
        QTest::addColumn<QString>("body");

        QTest::newRow("rise") << 70100.0 << 69247.0
                              << QStringLiteral("삼성전자 ≥ 70000.0 도달 · 현재 70,100 (+1.23%)");
        QTest::newRow("fall") << 70000.0 << 71000.0
                              << QStringLiteral("삼성전자 ≥ 70000.0 도달 · 현재 70,000 (-1.41%)");
        QTest::newRow("no previous close")
            << 70000.0 << 0.0 << QStringLiteral("삼성전자 ≥ 70000.0 도달 · 현재 70,000 (+0.00%)");
    }

    void notificationText()
    {
        QFETCH(double, price);
        QFETCH(double, previousClose);
        QFETCH(QString, body);

        Rig rig;
        auto& [settings, notifier, engine] = rig;
        const auto samsung = rule(QStringLiteral("005930.KS"), AlertRule::Direction::above, 70000);
        engine.add(samsung);
        engine.evaluate(quotes(QStringLiteral("005930.KS"), price, previousClose));

        QCOMPARE(notifier.posted.size(), 1);
        QCOMPARE(notifier.posted[0].identifier, samsung.id.toString(QUuid::WithoutBraces).toUpper());
        QCOMPARE(notifier.posted[0].title, QStringLiteral("삼성전자 가격 알림"));
        QCOMPARE(notifier.posted[0].body, body);
        QCOMPARE(notifier.beeps, 0);
    }

    void beepsWithoutNotificationServiceAndStillCallsBack()
    {
        TempSettings settings;
        FakeNotifier notifier;
        notifier.serviceExists = false;
        AlertEngine engine(*settings, notifier);
        const auto below = rule(QStringLiteral("NVDA"), AlertRule::Direction::below, 50);
        engine.add(below);
        std::optional<std::pair<AlertRule, Quote>> called;
        engine.onFire = [&called](const AlertRule& fired, const Quote& quote) { called = {fired, quote}; };

        engine.evaluate(quotes(QStringLiteral("NVDA"), 40));
        QCOMPARE(notifier.beeps, 1);
        QVERIFY(notifier.posted.isEmpty());
        QVERIFY(called);
        QCOMPARE(called->first.id, below.id);
        QVERIFY(called->first.triggered);
        QCOMPARE(called->second.price, 40.0);
    }

    void callbackMayEditTheRules()
    {
        Rig rig;
        auto& [settings, notifier, engine] = rig;
        engine.add(rule(QStringLiteral("NVDA"), AlertRule::Direction::above, 100));
        engine.add(rule(QStringLiteral("NVDA"), AlertRule::Direction::above, 90));
        engine.onFire = [&engine](const AlertRule& fired, const Quote&) { engine.remove(fired.id); };

        engine.evaluate(quotes(QStringLiteral("NVDA"), 120));
        QCOMPARE(notifier.posted.size(), 2);
        QVERIFY(engine.rules().isEmpty());
    }

    void rulesAndFlagsSurviveARestart()
    {
        TempSettings settings;
        FakeNotifier notifier;
        const auto above = rule(QStringLiteral("NVDA"), AlertRule::Direction::above, 100);
        {
            AlertEngine engine(*settings, notifier);
            engine.add(above);
            engine.evaluate(quotes(QStringLiteral("NVDA"), 120));
        }
        const auto store = settings.reopen();
        AlertEngine restarted(*store, notifier);
        QCOMPARE(restarted.rules().size(), 1);
        QCOMPARE(restarted.rules()[0].id, above.id);
        QVERIFY(restarted.rules()[0].triggered);
        restarted.evaluate(quotes(QStringLiteral("NVDA"), 121));
        QCOMPARE(notifier.posted.size(), 1);
    }

    void removeSavesAtOnceAndStopsEvaluation()
    {
        Rig rig;
        auto& [settings, notifier, engine] = rig;
        const auto kept = rule(QStringLiteral("AAPL"), AlertRule::Direction::above, 100);
        const auto removed = rule(QStringLiteral("NVDA"), AlertRule::Direction::above, 100);
        engine.add(removed);
        engine.add(kept);
        QSignalSpy changed(&engine, &AlertEngine::rulesChanged);

        engine.remove(removed.id);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(AlertRule::decodeList(settings.reopen()->value(kKey).toByteArray()), QList<AlertRule>{kept});
        engine.evaluate(quotes(QStringLiteral("NVDA"), 120));
        QVERIFY(notifier.posted.isEmpty());

        engine.remove(removed.id);
        QCOMPARE(changed.count(), 1);
    }

    void evaluationWritesOnlyWhatChanged()
    {
        Rig rig;
        auto& [settings, notifier, engine] = rig;
        engine.add(rule(QStringLiteral("NVDA"), AlertRule::Direction::above, 100));
        const auto afterAdd = fileIdentity(settings.path());

        engine.evaluate(quotes(QStringLiteral("NVDA"), 99));
        engine.evaluate(quotes(QStringLiteral("AAPL"), 500));
        QVERIFY(sameIdentity(fileIdentity(settings.path()), afterAdd));

        engine.evaluate(quotes(QStringLiteral("NVDA"), 101));
        QVERIFY(!sameIdentity(fileIdentity(settings.path()), afterAdd));
        QVERIFY(AlertRule::decodeList(settings.reopen()->value(kKey).toByteArray())->at(0).triggered);
    }

    void evaluationStoresTheList()
    {
        // Every evaluation leaves the list in the store, even one that changed nothing.
        Rig rig;
        auto& [settings, notifier, engine] = rig;
        engine.evaluate({});
        QCOMPARE(settings.reopen()->value(kKey).toByteArray(), QByteArray("[]"));
    }

    void listWithAnEndlessLevelIsNotWritten()
    {
        Rig rig;
        auto& [settings, notifier, engine] = rig;
        engine.add(rule(QStringLiteral("NVDA"), AlertRule::Direction::above, 100));
        const QByteArray stored = settings->value(kKey).toByteArray();

        engine.add(rule(QStringLiteral("AAPL"), AlertRule::Direction::above, HUGE_VAL));
        QCOMPARE(engine.rules().size(), 2);
        QCOMPARE(settings.reopen()->value(kKey).toByteArray(), stored);
    }
};

QTEST_GUILESS_MAIN(AlertEngineTest)
#include "AlertEngineTest.moc"
