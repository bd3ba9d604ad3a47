// Every market path against a host that answers far too late and one that accepts and never answers.
// The market requests carry their own fixed time limits (10 s for charts, 8 s for search), so all
// cases run side by side, each against its own fake market, and the test waits for them once.

#include "AwaitTask.h"
#include "FaultMatrix.h"

#include <QTest>
#include <vector>

using namespace virel;
using namespace virel::test;
using namespace std::chrono_literals;

namespace {

struct Case
{
    MarketPath path;
    FaultCase fault;
    std::unique_ptr<MarketProbe> probe;
    Quote good;
    std::optional<bool> answered;
};

} // namespace

class FaultMatrixTimeoutTest : public QObject
{
    Q_OBJECT

private slots:
    void silentHostsEndInNothing()
    {
        std::vector<Case> cases;
        for (MarketPath path :
             {MarketPath::chart, MarketPath::history, MarketPath::search, MarketPath::news}) {
            for (const FaultCase& fault : silentFaults(YahooClient::chartTimeout)) {
                cases.push_back({path, fault, std::make_unique<MarketProbe>(), {}, {}});
            }
        }
        for (Case& c : cases) {
            QVERIFY(c.probe->listening);
            c.probe->startPolling();
        }
        for (Case& c : cases) {
            QTRY_VERIFY(c.probe->hasQuote());
            c.good = c.probe->quote();
            c.probe->server.faults().add(marketPath(c.path).prefix, c.fault.fault);
            c.probe->server.clearRequests();
            QCoro::connect(c.probe->run(c.path), this, [&c](bool answered) { c.answered = answered; });
        }

        const auto allEnded = [&] {
            return std::all_of(cases.begin(), cases.end(),
                               [](const Case& c) { return c.answered.has_value(); });
        };
        // Each ends by its own time limit; the wait only bounds a client that would never give up.
        QTRY_VERIFY_WITH_TIMEOUT(allEnded(), 3 * static_cast<int>(YahooClient::chartTimeout.count()));
        for (const Case& c : cases) {
            const QByteArray label = QByteArray(marketPath(c.path).name) + ", " + c.fault.name.toUtf8();
            QVERIFY2(!*c.answered, label);
            QVERIFY2(c.probe->requestCount(c.path) == 1, label);
            QVERIFY2(c.probe->quote() == c.good, label);
        }

        // Every client is free again: the next call gets its answer.
        for (Case& c : cases) {
            c.probe->server.faults().clearAll();
            c.probe->server.releaseHeld();
            QVERIFY2(awaitTask(c.probe->run(c.path)), marketPath(c.path).name);
        }
    }
};

QTEST_GUILESS_MAIN(FaultMatrixTimeoutTest)
#include "FaultMatrixTimeoutTest.moc"
