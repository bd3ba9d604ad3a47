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

struct Rig
{
    TempSettings settings;
    FakeNotifier notifier;
    AlertEngine engine{*settings, notifier};
    QList<std::pair<AlertRule, Quote>> fired;

    Rig()
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

} // namespace

class AlertEngineTest : public QObject
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
        QTest::newRow("a missing quote keeps the flag")
            << above << QList<double>{101, kNoQuote, 101} << "+--";
    }

    void firesOncePerCrossing()
    {
        QFETCH(int, direction);
        QFETCH(QList<double>, prices);
        Rig rig;
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
        Rig rig;
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
        Rig rig;
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
        Rig rig;
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
        Rig rig;
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
        Rig rig;
        rig.engine.add(rule(kNvda, 100));
        const auto before = rig.stored();
        rig.engine.add(rule(u"AAPL"_qs, HUGE_VAL));
        QCOMPARE(rig.engine.rules().size(), 2);
        QCOMPARE(rig.stored(), before);
    }
};

QTEST_GUILESS_MAIN(AlertEngineTest)
#include "AlertEngineTest.moc"
