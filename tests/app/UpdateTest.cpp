#include "app/Appcast.h"
#include "app/UpdateService.h"

#include "FakeClock.h"
#include "TempSettings.h"
#include "fakemarket/FakeAppcast.h"
#include "fakemarket/FakeServer.h"

#include <QSignalSpy>
#include <QTest>

using namespace virel;
using namespace std::chrono_literals;

namespace {

// Versions as elements and as attributes; an item without one is skipped.
const QByteArray kFeed =
    "<rss version='2.0' xmlns:sparkle='http://www.andymatuschak.org/xml-namespaces/sparkle'><channel>"
    "<item><title>Virel 1.2</title><sparkle:version>1.2.0</sparkle:version>"
    "<sparkle:shortVersionString>1.2</sparkle:shortVersionString>"
    "<sparkle:releaseNotesLink>https://virel.app/releases/1.2</sparkle:releaseNotesLink>"
    "<description><![CDATA[<p>새 기능</p>]]></description>"
    "<enclosure url='https://virel.app/dl/virel-1.2.0.tar.gz' length='10'/></item>"
    "<item><enclosure url='https://virel.app/dl/virel-1.10.0.tar.gz' sparkle:version='1.10.0' "
    "sparkle:shortVersionString='1.10'/></item>"
    "<item><title>No version</title><enclosure url='https://virel.app/dl/unknown.tar.gz'/></item>"
    "</channel></rss>";

// An update service reading the fake feed, with checks a few milliseconds apart.
struct Updates
{
    test::TempSettings settings;
    test::FakeClock clock;
    fake::FakeServer server;
    fake::FakeAppcast appcast{server};
    std::unique_ptr<UpdateService> service;

    explicit Updates(QString currentVersion = u"0.1.0"_qs, bool announceOnce = false)
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

} // namespace

// The update feed and the checks behind "업데이트 확인…".
class UpdateTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qRegisterMetaType<UpdateCheck>(); }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QString>("versions"); // "invalid" when the feed cannot be read
        QTest::newRow("element and attribute forms, unversioned skipped") << kFeed << u"1.2 1.10"_qs;
        QTest::newRow("malformed xml")
            << QByteArray("<rss><channel><item><title>x</item></rss>") << u"invalid"_qs;
        QTest::newRow("not xml") << QByteArray("{\"not\": \"xml\"}") << u"invalid"_qs;
        QTest::newRow("empty channel")
            << QByteArray("<rss><channel><title>V</title></channel></rss>") << QString();
        QTest::newRow("bare version is another vocabulary")
            << QByteArray("<rss><channel><item><version>2.0</version></item></channel></rss>") << QString();
    }
    void parse()
    {
        QFETCH(QByteArray, feed);
        const auto items = Appcast::parse(feed);
        QStringList versions;
        for (const AppcastItem& item : items.value_or(QList<AppcastItem>{})) {
            versions.append(item.displayVersion());
        }
        QTEST(items ? versions.join(u' ') : u"invalid"_qs, "versions");
    }

    void parse_readsWhatTheDialogShows()
    {
        const auto items = Appcast::parse(kFeed);
        QCOMPARE(items->at(0).releaseNotes, QUrl(u"https://virel.app/releases/1.2"_qs));
        QCOMPARE(items->at(0).description, u"<p>새 기능</p>"_qs);
        QCOMPARE(Appcast::newest(*items)->version, u"1.10.0"_qs);
        QVERIFY(!Appcast::newest({}));
    }

    void compareVersions_data()
    {
        QTest::addColumn<QString>("left");
        QTest::addColumn<QString>("right");
        QTest::addColumn<int>("order");
        QTest::newRow("equal") << u"1.2.3"_qs << u"1.2.3"_qs << 0;
        QTest::newRow("numeric, not textual") << u"1.10"_qs << u"1.9"_qs << 1;
        QTest::newRow("missing component is zero") << u"1.2"_qs << u"1.2.0"_qs << 0;
        QTest::newRow("extra component") << u"1.2.1"_qs << u"1.2"_qs << 1;
        QTest::newRow("major wins") << u"2.0"_qs << u"1.99.99"_qs << 1;
        QTest::newRow("leading zeros") << u"1.02"_qs << u"1.2"_qs << 0;
        QTest::newRow("long digit runs")
            << u"1.100000000000000000000"_qs << u"1.99999999999999999999"_qs << 1;
        QTest::newRow("suffix after digits") << u"1.2b"_qs << u"1.2a"_qs << 1;
    }
    void compareVersions()
    {
        QFETCH(QString, left);
        QFETCH(QString, right);
        QFETCH(int, order);
        QVERIFY(Appcast::compareVersions(left, right) == (order <=> 0));
        QVERIFY(Appcast::compareVersions(right, left) == (0 <=> order));
    }

    void userCheck_data()
    {
        QTest::addColumn<QString>("currentVersion");
        QTest::addColumn<QString>("setup");
        QTest::addColumn<UpdateCheck::Outcome>("outcome");
        QTest::newRow("same version") << u"1.0"_qs << QString() << UpdateCheck::Outcome::upToDate;
        QTest::newRow("server error") << u"0.1.0"_qs << u"status=500"_qs << UpdateCheck::Outcome::failed;
        QTest::newRow("skipped version is still shown")
            << u"0.1.0"_qs << u"skip"_qs << UpdateCheck::Outcome::newer;
    }
    void userCheck()
    {
        QFETCH(QString, currentVersion);
        QFETCH(QString, setup);
        Updates u(currentVersion);
        if (setup == u"skip"_qs) {
            u.service->skipVersion(u"1.0.0"_qs);
        } else if (!setup.isEmpty()) {
            u.server.faults().add(fake::FakeAppcast::path, fake::Fault::withStatus(500));
        }
        const UpdateCheck check = u.userCheck();
        QTEST(check.outcome, "outcome");
        QVERIFY(check.userInitiated);
    }

    // Two automatic checks a day apart, and what they offered.
    void automaticCheck_data()
    {
        QTest::addColumn<QString>("currentVersion");
        QTest::addColumn<bool>("announceOnce");
        QTest::addColumn<QString>("skipped");
        QTest::addColumn<QString>("nextRelease"); // published between the two
        QTest::addColumn<QString>("offered");
        const QString none;
        QTest::newRow("up to date stays silent") << u"5.0"_qs << false << none << none << none;
        const QString old = u"0.1.0"_qs;
        QTest::newRow("newer offered at every check") << old << false << none << none << u"1.0.0 1.0.0"_qs;
        QTest::newRow("announce once offers a version once") << old << true << none << none << u"1.0.0"_qs;
        QTest::newRow("announce once offers the next one")
            << old << true << none << u"1.0.1"_qs << u"1.0.0 1.0.1"_qs;
        QTest::newRow("skipped silent, later one offered")
            << old << false << u"1.0.0"_qs << u"1.0.1"_qs << u"1.0.1"_qs;
    }
    void automaticCheck()
    {
        QFETCH(QString, currentVersion);
        QFETCH(bool, announceOnce);
        QFETCH(QString, skipped);
        QFETCH(QString, nextRelease);
        Updates u(currentVersion, announceOnce);
        u.service->skipVersion(skipped);
        QSignalSpy checked(u.service.get(), &UpdateService::checked);
        u.service->start();
        QTRY_VERIFY_WITH_TIMEOUT(u.service->lastCheck(), 2000);
        if (!nextRelease.isEmpty()) {
            u.appcast.setVersion(nextRelease, nextRelease);
        }
        u.clock.advance(24 * 3600);
        QTRY_COMPARE_WITH_TIMEOUT(u.service->lastCheck(), std::optional(u.clock.now()), 2000);
        QStringList offered;
        for (const QList<QVariant>& signal : checked) {
            QVERIFY(!signal.at(0).value<UpdateCheck>().userInitiated);
            offered.append(signal.at(0).value<UpdateCheck>().item.version);
        }
        QTEST(offered.join(u' '), "offered");
        // Asked for, an announced version is shown again.
        QVERIFY(!announceOnce || u.userCheck().outcome == UpdateCheck::Outcome::newer);
    }

    void destroyedDuringCheck_finishesQuietly()
    {
        Updates u;
        u.server.faults().add(fake::FakeAppcast::path, fake::Fault::hanging());
        u.service->checkForUpdates();
        QTRY_COMPARE_WITH_TIMEOUT(u.server.heldCount(), 1, 2000);
        u.service.reset();
        u.server.releaseHeld();
    }
};

QTEST_GUILESS_MAIN(UpdateTest)
#include "UpdateTest.moc"
