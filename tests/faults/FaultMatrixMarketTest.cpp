// Every market path against every fault that answers at once: the call gives nothing, the last good
// quote stays, nothing is retried sooner than the next call (after a 429, not even then), and the
// path works again as soon as the fault is gone. Time-outs are in FaultMatrixTimeoutTest.

#include "AwaitTask.h"
#include "FaultMatrix.h"

#include <QTest>

using namespace virel;
using namespace virel::test;

class FaultMatrixMarketTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_probe = std::make_unique<MarketProbe>();
        QVERIFY(m_probe->listening);
        m_probe->startPolling();
        QTRY_VERIFY(m_probe->hasQuote());
    }

    void cleanup() { m_probe.reset(); }

    void failureKeepsTheLastGoodAnswer_data()
    {
        QTest::addColumn<MarketPath>("path");
        QTest::addColumn<FaultCase>("fault");
        for (MarketPath path :
             {MarketPath::chart, MarketPath::history, MarketPath::search, MarketPath::news}) {
            for (const FaultCase& fault : answerFaults(marketPath(path).wrongTypePath)) {
                QTest::addRow("%s, %s", marketPath(path).name, qPrintable(fault.name)) << path << fault;
            }
        }
    }

    void failureKeepsTheLastGoodAnswer()
    {
        QFETCH(MarketPath, path);
        QFETCH(FaultCase, fault);
        MarketProbe& probe = *m_probe;
        QVERIFY(awaitTask(probe.run(path)));
        const Quote good = probe.quote();

        probe.server.faults().add(marketPath(path).prefix, fault.fault);
        probe.server.clearRequests();
        QVERIFY(!awaitTask(probe.run(path)));
        QCOMPARE(probe.requestCount(path), 1);
        QCOMPARE(probe.quote(), good);

        // One request per call, never a retry of its own; after a 429 the next pass sends nothing.
        QVERIFY(!awaitTask(probe.run(path)));
        const bool backsOff = path == MarketPath::chart && fault.status == 429;
        QCOMPARE(probe.requestCount(path), backsOff ? 1 : 2);
        QCOMPARE(probe.quote(), good);

        probe.server.faults().clearAll();
        probe.clock.advance(std::chrono::duration<double>(QuoteService::maxBackoff).count());
        QVERIFY(awaitTask(probe.run(path)));
    }

private:
    std::unique_ptr<MarketProbe> m_probe;
};

QTEST_GUILESS_MAIN(FaultMatrixMarketTest)
#include "FaultMatrixMarketTest.moc"
