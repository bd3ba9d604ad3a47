#include "market/QuoteService.h"

#include "FakeClock.h"
#include "fakemarket/FakeServer.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <memory>

using namespace virel;
using namespace std::chrono_literals;
using fake::FakeServer;
using fake::Fault;

namespace {

const WatchItem kNvidia{u"NVDA"_qs, u"엔비디아"_qs};
const WatchItem kSamsung{u"005930.KS"_qs, u"삼성전자"_qs};
const WatchItem kUnknown{u"NOSUCH1"_qs, u"없음"_qs};
constexpr auto kNoTimer = 1h; // passes run only when a test asks for one

class FakeMachine final : public MachineEvents
{
public:
    Reachability now = Reachability::unknown;
    Reachability reachability() const override { return now; }
};

} // namespace

Q_DECLARE_METATYPE(virel::PollTrigger::Event)
Q_DECLARE_METATYPE(virel::Reachability)

class QuoteServiceTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeServer> m_server;
    std::unique_ptr<YahooClient> m_yahoo;
    std::unique_ptr<test::FakeClock> m_clock;
    std::unique_ptr<QuoteService> m_service;

    void refresh() { QCoro::waitFor(m_service->refreshAll()); }
    int chartRequests() const { return m_server->requestCount(FakeServer::chartPath); }

private slots:
    void init()
    {
        m_server = std::make_unique<FakeServer>();
        QVERIFY(m_server->listen());
        m_server->setNow(QDateTime::fromSecsSinceEpoch(1'700'000'000, Qt::UTC));
        m_yahoo = std::make_unique<YahooClient>(m_server->origin());
        m_clock = std::make_unique<test::FakeClock>();
        m_service = std::make_unique<QuoteService>(*m_yahoo, *m_clock);
    }

    void cleanup()
    {
        m_service.reset();
        m_yahoo.reset();
        m_server.reset();
    }

    // Unknown symbols are never stored; the same answers announce no change; an empty list sends nothing
    // and keeps what it has. A failing symbol keeping its last quote is the fault matrix's.
    void passStoresWhatItGets()
    {
        QSignalSpy changed(m_service.get(), &QuoteService::quotesChanged);
        m_service->start({kNvidia, kSamsung, kUnknown}, kNoTimer);
        QTRY_COMPARE(changed.count(), 2);
        QTRY_COMPARE(chartRequests(), 3);
        QCOMPARE(m_service->quotes().size(), 2);
        QCOMPARE(m_service->quotes().value(kSamsung.symbol).displayName, kSamsung.name);
        refresh();
        QCOMPARE(chartRequests(), 6);
        QCOMPARE(changed.count(), 2);
        m_service->start({}, kNoTimer);
        refresh();
        QCOMPARE(m_service->quotes().size(), 2);
        QCOMPARE(chartRequests(), 6);
    }

    void startTwiceLeavesOneTimer()
    {
        m_service->start({kNvidia}, kNoTimer);
        m_service->start({kSamsung}, 50ms);
        const auto timers = m_service->findChildren<QTimer*>();
        QCOMPARE(timers.size(), 1);
        QCOMPARE(timers.first()->intervalAsDuration(), 50ms);
        // Each start runs a pass at once; the timer then repeats the latest list.
        QTRY_VERIFY(m_server->requestCount(FakeServer::chartPath + kSamsung.symbol) >= 3);
        QCOMPARE(m_server->requestCount(FakeServer::chartPath + kNvidia.symbol), 1);
    }

    void rateLimitSkipsPassesWithDoublingDelay()
    {
        m_service->start({kNvidia, kSamsung}, kNoTimer);
        QTRY_COMPARE(m_service->quotes().size(), 2);
        m_server->faults().add(FakeServer::chartPath + kNvidia.symbol, Fault::withStatus(429));
        refresh();
        QCOMPARE(chartRequests(), 4);

        // After each pass with a 429: 40 s, 80 s, 160 s, then at most 300 s of silence.
        for (const int delay : {40, 80, 160, 300, 300}) {
            m_clock->advance(delay - 1);
            const int before = chartRequests();
            refresh();
            QCOMPARE(chartRequests(), before);
            m_clock->advance(1);
            refresh();
            QCOMPARE(chartRequests(), before + 2);
        }

        // The first pass without a 429 ends the back-off.
        m_server->faults().clearAll();
        m_clock->advance(300);
        refresh();
        const int before = chartRequests();
        refresh();
        QCOMPARE(chartRequests(), before + 2);
    }

    void pollTrigger_data()
    {
        using E = PollTrigger::Event;
        using R = Reachability;
        QTest::addColumn<E>("event");
        QTest::addColumn<R>("before");
        QTest::addColumn<R>("now");
        QTest::addColumn<bool>("localHost");
        QTest::addColumn<bool>("passes");
        const auto row = [](const char* name, E event, R before, R now, bool localHost, bool passes) {
            QTest::newRow(name) << event << before << now << localHost << passes;
        };
        row("tick, network unknown", E::tick, R::unknown, R::unknown, false, true);
        row("tick while offline: skipped", E::tick, R::offline, R::offline, false, false);
        row("tick while offline, demo host", E::tick, R::offline, R::offline, true, true);
        row("resume, online", E::resumed, R::online, R::online, false, true);
        row("resume while offline: skipped", E::resumed, R::offline, R::offline, false, false);
        row("back online", E::reachabilityChanged, R::offline, R::online, false, true);
        row("first report online", E::reachabilityChanged, R::unknown, R::online, false, false);
        row("going offline", E::reachabilityChanged, R::online, R::offline, false, false);
    }

    void pollTrigger()
    {
        QFETCH(PollTrigger::Event, event);
        QFETCH(Reachability, before);
        QFETCH(Reachability, now);
        QFETCH(bool, localHost);
        QFETCH(bool, passes);
        QCOMPARE(PollTrigger::startsPass(event, before, now, localHost), passes);
        // The wall clock 61 s ahead of the steady one is a sleep; 59 s is a clock adjustment.
        QVERIFY(PollTrigger::slept(81'000, 20'000) && !PollTrigger::slept(79'000, 20'000));
    }

    void resumeAndReturningNetworkPollAtOnce()
    {
        FakeMachine machine;
        m_service->watch(machine);
        m_service->start({kNvidia}, kNoTimer);
        QTRY_COMPARE(chartRequests(), 1);
        emit machine.resumed();
        QTRY_COMPARE(chartRequests(), 2);
        machine.now = Reachability::online;
        emit machine.reachabilityChanged(Reachability::offline, machine.now);
        QTRY_COMPARE(chartRequests(), 3);
    }

    // A pass outlives its service (the answers arrive and find nothing to store into) and its client
    // (closing it ends the requests still waiting for an answer, and with them the pass).
    void passOutlivesServiceAndClient()
    {
        m_server->faults().add(FakeServer::chartPath, Fault::delayed(100ms));
        m_service->start({kNvidia, kSamsung}, kNoTimer);
        auto pass = m_service->refreshAll();
        QTRY_COMPARE(chartRequests(), 4);
        m_service.reset();
        QCoro::waitFor(std::move(pass));

        m_server->faults().add(FakeServer::chartPath, Fault::hanging());
        m_service = std::make_unique<QuoteService>(*m_yahoo, *m_clock);
        m_service->start({kNvidia}, kNoTimer);
        pass = m_service->refreshAll();
        QTRY_COMPARE(chartRequests(), 6);
        m_yahoo.reset();
        QCoro::waitFor(std::move(pass));
        QCOMPARE(m_service->quotes().size(), 0);
        m_service.reset();
        m_server->releaseHeld();
    }
};

QTEST_GUILESS_MAIN(QuoteServiceTest)
#include "QuoteServiceTest.moc"
