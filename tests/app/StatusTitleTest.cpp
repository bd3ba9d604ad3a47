#include "app/StatusTitle.h"

#include <QTest>

using namespace virel;

Q_DECLARE_METATYPE(TimerEngine::Phase)
Q_DECLARE_METATYPE(std::optional<WatchItem>)

namespace {
Quote quote(const QString& symbol, const QString& name, double price, double previousClose)
{
    Quote q;
    q.symbol = symbol;
    q.displayName = name;
    q.price = price;
    q.previousClose = previousClose;
    return q;
}

const QuoteMap kQuotes{
    {u"005930.KS"_qs, quote(u"005930.KS"_qs, u"삼성전자"_qs, 72300, 71421.5)},
    {u"NVDA"_qs, quote(u"NVDA"_qs, u"NVIDIA"_qs, 180, 181)},
    {u"^VIX"_qs, quote(u"^VIX"_qs, u"VIX"_qs, 15, 15)},
};
const TimerEngine::Phase kIdle = TimerEngine::Idle{};
const TimerEngine::Phase kRunning = TimerEngine::Running{QDateTime::fromSecsSinceEpoch(0, Qt::UTC), 1500};
const TimerEngine::Phase kPaused = TimerEngine::Paused{754, 1500};
} // namespace

class StatusTitleTest : public QObject
{
    Q_OBJECT

private slots:
    void statusTitle_data()
    {
        QTest::addColumn<bool>("focusMode");
        QTest::addColumn<TimerEngine::Phase>("phase");
        QTest::addColumn<QString>("display");
        QTest::addColumn<std::optional<WatchItem>>("rotating");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("badge");

        const std::optional<WatchItem> samsung = WatchItem{u"005930.KS"_qs, u"삼성전자"_qs};
        const std::optional<WatchItem> nvda = WatchItem{u"NVDA"_qs, u"NVDA"_qs};
        const std::optional<WatchItem> vix = WatchItem{u"^VIX"_qs, u"VIX"_qs};
        const std::optional<WatchItem> unquoted = WatchItem{u"AAPL"_qs, u"AAPL"_qs};
        using B = StatusTitle::Badge;
        QTest::newRow("rise, quote's name")
            << false << kIdle << QString() << samsung << u"삼성전자 ▲1.23%"_qs << int(B::rise);
        QTest::newRow("fall uses the quote's display name")
            << false << kIdle << QString() << nvda << u"NVIDIA ▼0.55%"_qs << int(B::fall);
        QTest::newRow("no change") << false << kIdle << QString() << vix << u"VIX ·0.00%"_qs << int(B::flat);
        QTest::newRow("no quote yet")
            << false << kIdle << QString() << unquoted << u"virel"_qs << int(B::idle);
        QTest::newRow("empty list") << false << kIdle << QString() << std::optional<WatchItem>()
                                    << u"virel"_qs << int(B::idle);
        QTest::newRow("focus, idle timer, quotes present")
            << true << kIdle << QString() << samsung << u"virel"_qs << int(B::idle);
        QTest::newRow("focus, running")
            << true << kRunning << u"24:59"_qs << samsung << u"⏱ 24:59"_qs << int(B::timer);
        QTest::newRow("focus, paused")
            << true << kPaused << u"⏸ 12:34"_qs << samsung << u"⏱ ⏸ 12:34"_qs << int(B::timer);
        QTest::newRow("timer without focus mode shows the quote")
            << false << kRunning << u"24:59"_qs << samsung << u"삼성전자 ▲1.23%"_qs << int(B::rise);
    }
    void statusTitle()
    {
        QFETCH(bool, focusMode);
        QFETCH(TimerEngine::Phase, phase);
        QFETCH(QString, display);
        QFETCH(std::optional<WatchItem>, rotating);
        QFETCH(QString, text);
        QFETCH(int, badge);
        const StatusTitle title = virel::statusTitle(focusMode, phase, display, rotating, kQuotes);
        QCOMPARE(title.text, text);
        QCOMPARE(int(title.badge), badge);
    }
};

QTEST_GUILESS_MAIN(StatusTitleTest)
#include "StatusTitleTest.moc"
