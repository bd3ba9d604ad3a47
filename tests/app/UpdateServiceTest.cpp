#include "app/UpdateService.h"

#include "FakeClock.h"
#include "TempSettings.h"
#include "fakemarket/FakeAppcast.h"
#include "fakemarket/FakeServer.h"

#include <QSignalSpy>
#include <QTest>

using namespace virel;
using namespace std::chrono_literals;

class UpdateServiceTest : public QObject
{
    Q_OBJECT

    struct Fixture
    {
        test::TempSettings settings;
        test::FakeClock clock;
        fake::FakeServer server;
        fake::FakeAppcast appcast{server};
        std::unique_ptr<UpdateService> service;

        explicit Fixture(QString currentVersion = u"0.1.0"_qs, bool announceOnce = false)
        {
            if (!server.listen()) {
                qFatal("cannot listen");
            }
            UpdateService::Options options;
            options.feed = server.origin().resolved(QUrl(fake::FakeAppcast::path));
            options.currentVersion = std::move(currentVersion);
            options.firstCheckDelay = 10ms;
            options.checkInterval = 24h;
            options.duePollPeriod = 20ms;
            options.announceOnce = announceOnce;
            service = std::make_unique<UpdateService>(*settings, clock, options);
        }
        int feedRequests() const { return server.requestCount(fake::FakeAppcast::path); }

        // What a check the user asked for reports.
        UpdateCheck userCheck()
        {
            QSignalSpy checked(service.get(), &UpdateService::checked);
            service->checkForUpdates();
            if (!QTest::qWaitFor([&] { return checked.size() == 1; }, 2000)) {
                qFatal("no check reported");
            }
            return checked.at(0).at(0).value<UpdateCheck>();
        }
    };

private slots:
    void initTestCase() { qRegisterMetaType<UpdateCheck>(); }

    void userCheck_newerRelease_reportsIt()
    {
        Fixture f;
        const UpdateCheck check = f.userCheck();
        QCOMPARE(check.outcome, UpdateCheck::Outcome::newer);
        QVERIFY(check.userInitiated);
        QCOMPARE(check.item.version, u"1.0.0"_qs);
        QCOMPARE(check.item.download, f.server.origin().resolved(QUrl(u"/downloads/virel-1.0.0.tar.gz"_qs)));
        QCOMPARE(f.service->lastCheck(), std::optional(f.clock.now()));
    }

    void userCheck_outcome_data()
    {
        QTest::addColumn<QString>("currentVersion");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<UpdateCheck::Outcome>("outcome");
        QTest::newRow("same version") << u"1.0"_qs << QString() << UpdateCheck::Outcome::upToDate;
        QTest::newRow("server error") << u"0.1.0"_qs << u"status=500"_qs << UpdateCheck::Outcome::failed;
        QTest::newRow("not xml") << u"0.1.0"_qs << u"body"_qs << UpdateCheck::Outcome::failed;
        QTest::newRow("skipped version is still shown")
            << u"0.1.0"_qs << u"skip"_qs << UpdateCheck::Outcome::newer;
    }
    void userCheck_outcome()
    {
        QFETCH(QString, currentVersion);
        QFETCH(QString, setup);
        QFETCH(UpdateCheck::Outcome, outcome);
        Fixture f(currentVersion);
        if (setup == u"body"_qs) {
            f.appcast.setBody("<rss><channel><item>");
        } else if (setup == u"skip"_qs) {
            f.service->skipVersion(u"1.0.0"_qs);
        } else if (!setup.isEmpty()) {
            f.server.faults().add(fake::FakeAppcast::path, fake::Fault::withStatus(500));
        }
        QCOMPARE(f.userCheck().outcome, outcome);
    }

    void automaticCheck_reportsOnlyNewerNotSkipped()
    {
        Fixture f;
        f.service->skipVersion(u"1.0.0"_qs);
        QSignalSpy checked(f.service.get(), &UpdateService::checked);
        f.service->start();
        QTRY_COMPARE_WITH_TIMEOUT(f.feedRequests(), 1, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(f.service->lastCheck().has_value(), 2000);
        QTest::qWait(50);
        QCOMPARE(checked.size(), 0);

        // A later release than the skipped one is offered again.
        f.appcast.setVersion(u"1.0.1"_qs, u"1.0.1"_qs);
        f.clock.advance(24 * 3600);
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, 2000);
        const auto check = checked.at(0).at(0).value<UpdateCheck>();
        QVERIFY(!check.userInitiated);
        QCOMPARE(check.item.version, u"1.0.1"_qs);
    }

    void automaticCheck_announceOnce_offersAVersionOnlyOnce()
    {
        Fixture f(u"0.1.0"_qs, true);
        QSignalSpy checked(f.service.get(), &UpdateService::checked);
        f.service->start();
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, 2000);
        f.clock.advance(24 * 3600);
        QTRY_COMPARE_WITH_TIMEOUT(f.feedRequests(), 2, 2000);
        QTest::qWait(50);
        QCOMPARE(checked.size(), 1);
        QCOMPARE(f.userCheck().outcome, UpdateCheck::Outcome::newer); // asked: the whole flow
    }

    void automaticCheck_upToDate_staysSilent()
    {
        Fixture f(u"5.0"_qs);
        QSignalSpy checked(f.service.get(), &UpdateService::checked);
        f.service->start();
        QTRY_COMPARE_WITH_TIMEOUT(f.feedRequests(), 1, 2000);
        QTest::qWait(50);
        QCOMPARE(checked.size(), 0);
    }

    void automaticCheck_onceADayAcrossRestarts()
    {
        Fixture f;
        // A previous run checked two hours ago: nothing is due yet.
        f.settings->setValue(u"update.lastCheck"_qs, f.clock.now().addSecs(-2 * 3600).toString(Qt::ISODate));
        f.service->start();
        QTest::qWait(80);
        QCOMPARE(f.feedRequests(), 0);
        f.clock.advance(22 * 3600);
        QTRY_COMPARE_WITH_TIMEOUT(f.feedRequests(), 1, 2000);
        QTest::qWait(80);
        QCOMPARE(f.feedRequests(), 1);
    }

    void lastCheck_unreadable_countsAsNever()
    {
        Fixture f;
        f.settings->setValue(u"update.lastCheck"_qs, u"yesterday"_qs);
        QVERIFY(!f.service->lastCheck());
        f.service->start();
        QTRY_COMPARE_WITH_TIMEOUT(f.feedRequests(), 1, 2000);
        QTRY_VERIFY_WITH_TIMEOUT(f.service->lastCheck().has_value(), 2000);
        QCOMPARE(f.settings->value(u"update.lastCheck.unreadable"_qs).toString(), u"yesterday"_qs);
    }

    void skipVersion_isRemembered()
    {
        Fixture f;
        f.service->skipVersion(u"1.0.0"_qs);
        const auto reopened = f.settings.reopen();
        const UpdateService again(*reopened, f.clock, {});
        QCOMPARE(again.skippedVersion(), u"1.0.0"_qs);
    }

    void destroyedDuringCheck_finishesQuietly()
    {
        Fixture f;
        f.server.faults().add(fake::FakeAppcast::path, fake::Fault::hanging());
        f.service->checkForUpdates();
        QTRY_COMPARE_WITH_TIMEOUT(f.server.heldCount(), 1, 2000);
        f.service.reset();
        f.server.releaseHeld();
    }
};

QTEST_GUILESS_MAIN(UpdateServiceTest)
#include "UpdateServiceTest.moc"
