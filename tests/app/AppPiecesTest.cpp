#include "FakeClock.h"
#include "TempSettings.h"
#include "app/Appcast.h"
#include "app/LaunchSwitches.h"
#include "app/NumberInput.h"
#include "app/SingleInstance.h"
#include "app/StatusItem.h"
#include "app/StatusMenuModel.h"
#include "app/StatusTitle.h"
#include "app/UpdateService.h"
#include "fakemarket/FakeAppcast.h"
#include "fakemarket/FakeServer.h"

#include <QFile>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace virel;
using namespace std::chrono_literals;

Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(TimerEngine::Phase)
Q_DECLARE_METATYPE(MenuInputs)
Q_DECLARE_METATYPE(std::optional<QRect>)

namespace {

// The menu as one line: "title ^key ✓ (disabled) [submenu]" rows joined by " | ", separators as "---".
QString describe(const QList<MenuRow>& rows)
{
    QStringList parts;
    for (const MenuRow& row : rows) {
        QString text = row.separator ? u"---"_qs : row.title;
        text += row.key.isNull() ? QString() : u" ^"_qs + row.key;
        text += row.checked ? (*row.checked ? u" ✓"_qs : u" ○"_qs) : QString();
        text += row.separator || row.enabled() ? QString() : u" (disabled)"_qs;
        text += row.submenu.isEmpty() ? QString() : u" ["_qs + describe(row.submenu) + u']';
        parts.append(text);
    }
    return parts.join(u" | ");
}

MenuInputs inputs(const std::function<void(MenuInputs&)>& change)
{
    MenuInputs result;
    change(result);
    return result;
}

Quote quote(const QString& name, double price, double previousClose)
{
    Quote q;
    q.displayName = name;
    q.price = price;
    q.previousClose = previousClose;
    return q;
}

const TimerEngine::Phase kIdle = TimerEngine::Idle{};
const TimerEngine::Phase kRunning = TimerEngine::Running{QDateTime::fromSecsSinceEpoch(0, Qt::UTC), 1500};
const TimerEngine::Phase kPaused = TimerEngine::Paused{754, 1500};

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
        service = std::make_unique<UpdateService>(
            *settings, clock,
            UpdateService::Options{.feed = server.origin().resolved(QUrl(fake::FakeAppcast::path)),
                                   .currentVersion = std::move(currentVersion),
                                   .firstCheckDelay = 10ms,
                                   .duePollPeriod = 20ms,
                                   .announceOnce = announceOnce});
    }

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

class AppPiecesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    std::unique_ptr<SingleInstance> instance() const
    {
        return std::make_unique<SingleInstance>(u"virel-test"_qs, m_dir.path(), 5ms);
    }

private slots:
    void initTestCase() { qRegisterMetaType<UpdateCheck>(); }

    void statusTitle_data()
    {
        QTest::addColumn<bool>("focusMode");
        QTest::addColumn<TimerEngine::Phase>("phase");
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("rotating"); // empty: no entry
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("badge");
        using B = StatusTitle::Badge;
        const QString ks = u"005930.KS"_qs;
        const QString none;
        QTest::newRow("rise with the quote's name")
            << false << kIdle << none << ks << u"삼성전자 ▲1.23%"_qs << int(B::rise);
        QTest::newRow("no quote yet") << false << kIdle << none << u"AAPL"_qs << u"virel"_qs << int(B::idle);
        QTest::newRow("empty list") << false << kIdle << none << none << u"virel"_qs << int(B::idle);
        QTest::newRow("focus hides quotes") << true << kIdle << none << ks << u"virel"_qs << int(B::idle);
        QTest::newRow("focus shows the running timer")
            << true << kRunning << u"24:59"_qs << ks << u"⏱ 24:59"_qs << int(B::timer);
        QTest::newRow("focus shows the paused timer")
            << true << kPaused << u"⏸ 12:34"_qs << u"NVDA"_qs << u"⏱ ⏸ 12:34"_qs << int(B::timer);
        QTest::newRow("timer without focus shows the quote")
            << false << kRunning << u"24:59"_qs << ks << u"삼성전자 ▲1.23%"_qs << int(B::rise);
    }
    void statusTitle()
    {
        QFETCH(bool, focusMode);
        QFETCH(TimerEngine::Phase, phase);
        QFETCH(QString, display);
        QFETCH(QString, rotating);
        const QuoteMap quotes{{u"005930.KS"_qs, quote(u"삼성전자"_qs, 72300, 71421.5)}};
        const StatusTitle title = virel::statusTitle(
            focusMode, phase, display,
            rotating.isEmpty() ? std::nullopt : std::optional(WatchItem{rotating, rotating}), quotes);
        QTEST(title.text, "text");
        QTEST(int(title.badge), "badge");
    }

    void menu_data()
    {
        QTest::addColumn<MenuInputs>("in");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("absent");
        QTest::newRow("focus mode checked") << inputs([](auto& i) { i.focusMode = true; })
                                            << u"Market Mode ✓ | Watchlist Mode ○"_qs << u"집중모드 ^f ○"_qs;
        QTest::newRow("smooth on battery and start at login checked")
            << inputs([](auto& i) { i.smoothOnBattery = true, i.startsAtLogin = true; })
            << u"순환 (흐름 없음) ○ | --- | 배터리에서도 부드럽게 ✓] | 집중모드"_qs << QString();
        QTest::newRow("paused timer resumes and resets")
            << inputs([](auto& i) { i.timerPhase = kPaused, i.timerDisplay = u"⏸ 12:34"_qs; })
            << u"타이머 (⏸ 12:34) [재개 | 리셋 | --- | 15분 시작"_qs << u"일시정지"_qs;
        QTest::newRow("signed in without e-mail, nothing pending")
            << inputs([](auto& i) { i.user = User{}; }) << u"계정: Virel 연결됨 (disabled) | 로그아웃"_qs
            << u"동기화 대기"_qs;
        QTest::newRow("pending edits counted under the account")
            << inputs([](auto& i) { i.user = User{u"a@b.c"_qs}, i.pendingCount = 3; })
            << u"계정: a@b.c (disabled) | 동기화 대기 3건 — 재연결 시 전송 (disabled) | 로그아웃"_qs
            << QString();
        QTest::newRow("link waiting") << inputs([](auto& i) {
            i.linkState = LinkState::waiting(u"ABCD"_qs, QUrl(u"https://virel.app/link"_qs), {});
        }) << u"기기 연결 승인 대기 중… (코드 보기)"_qs
                                      << u"Virel 로그인"_qs;
        QTest::newRow("link failed offers sign-in again")
            << inputs([](auto& i) { i.linkState = LinkState::failed(u"만료"_qs); }) << u"Virel 로그인…"_qs
            << u"대기 중"_qs;
    }
    void menu()
    {
        QFETCH(MenuInputs, in);
        QFETCH(QString, shown);
        QFETCH(QString, absent);
        const QString menu = describe(buildStatusMenu(in));
        QVERIFY2(menu.contains(shown), qPrintable(menu));
        QVERIFY2(absent.isEmpty() || !menu.contains(absent), qPrintable(menu));
    }

    void launchSwitches_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("parsed"); // "detail edit glance"
        QTest::newRow("detail upper-cased") << QStringList{u"--detail"_qs, u"nvda"_qs} << u"NVDA 0 0"_qs;
        QTest::newRow("later bare detail ignored")
            << QStringList{u"--detail"_qs, u"005930.ks"_qs, u"--glance"_qs, u"--detail"_qs}
            << u"005930.KS 0 1"_qs;
    }
    void launchSwitches()
    {
        QFETCH(QStringList, arguments);
        const LaunchSwitches s = LaunchSwitches::parse(arguments);
        QTEST(u"%1 %2 %3"_qs.arg(s.detail.value_or(u"-"_qs)).arg(int(s.edit)).arg(int(s.glance)), "parsed");
    }

    void numberInput_data()
    {
        QTest::addColumn<bool>("minutes"); // the timer's minutes, else an alert level
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<double>>("expected");
        const std::optional<double> none;
        QTest::newRow("level negative") << false << u"-12.5"_qs << std::optional(-12.5);
        QTest::newRow("level decimal comma is grouping") << false << u"1,5"_qs << std::optional(15.0);
        QTest::newRow("level trailing letters") << false << u"12abc"_qs << none;
        // Such levels cannot be stored as JSON numbers: the saved list would no longer load.
        QTest::newRow("level infinity") << false << u"inf"_qs << none;
        QTest::newRow("level overflow") << false << u"1e400"_qs << none;
        QTest::newRow("minutes fraction") << true << u"1.5"_qs << std::optional(1.5);
        QTest::newRow("minutes zero") << true << u"0"_qs << none;
        QTest::newRow("minutes grouping not removed") << true << u"1,000"_qs << none;
        QTest::newRow("minutes whose seconds overflow 64 bits") << true << u"1e18"_qs << none;
        QTest::newRow("minutes that just fit") << true << u"1e16"_qs << std::optional(1e16);
    }
    void numberInput()
    {
        QFETCH(bool, minutes);
        QFETCH(QString, text);
        QTEST(minutes ? NumberInput::timerMinutes(text) : NumberInput::alertLevel(text), "expected");
    }

    void menuPosition_data()
    {
        QTest::addColumn<std::optional<QRect>>("icon");
        QTest::addColumn<std::optional<QRect>>("strip");
        QTest::addColumn<QPoint>("at");
        const std::optional<QRect> none;
        const std::optional<QRect> strip = QRect(764, 30, 392, 24);
        const auto icon = [](int y) { return std::optional(QRect(1894, y, 22, 22)); };
        QTest::newRow("under an icon in a top panel") << icon(4) << strip << QPoint(1894, 26);
        QTest::newRow("over an icon in a bottom panel") << icon(1054) << strip << QPoint(1894, 754);
        QTest::newRow("no icon place told: centred under the strip")
            << std::optional(QRect()) << strip << QPoint(810, 54);
        QTest::newRow("neither: top centre") << none << none << QPoint(810, 0);
    }
    void menuPosition()
    {
        QFETCH(std::optional<QRect>, icon);
        QFETCH(std::optional<QRect>, strip);
        QTEST(StatusItem::menuPosition(icon, strip, QSize(300, 300), QRect(0, 0, 1920, 1080)), "at");
    }

    void secondLaunch_handsItsSwitchesOver()
    {
        auto running = instance();
        QVERIFY(running->claim());
        auto first = instance();
        QVERIFY(!first->claim());
        QSignalSpy firstDone(first.get(), &SingleInstance::handedOver);
        first->sendToRunning({u"--detail"_qs, u"a\nb"_qs}); // one message, though it holds a line break
        QTRY_COMPARE_WITH_TIMEOUT(firstDone.size(), 1, 2000);
        auto second = instance();
        QSignalSpy secondDone(second.get(), &SingleInstance::handedOver);
        second->sendToRunning({u"--glance"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(secondDone.size(), 1, 2000);
        QTest::qWait(20);

        // Delivered in order once the handler is set; a hand-over with one set is the desktop run's.
        QList<QStringList> received;
        running->setHandler([&](const QStringList& arguments) { received.append(arguments); });
        QCOMPARE(received, (QList<QStringList>{{u"--detail"_qs, u"a\nb"_qs}, {u"--glance"_qs}}));
    }

    void claim_leftoversOfACrash_areCleanedUp()
    {
        QTemporaryDir dir;
        // A lock of a process that no longer exists, and its socket file.
        QFile lock(dir.filePath(u"virel.lock"_qs));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write("2147483646\nvirel\n" + QSysInfo::machineHostName().toUtf8() + '\n');
        lock.close();
        QFile socket(dir.filePath(u"virel.sock"_qs));
        QVERIFY(socket.open(QIODevice::WriteOnly));
        socket.close();

        SingleInstance running(u"virel"_qs, dir.path(), 5ms);
        QVERIFY(running.claim());
        QList<QStringList> received;
        running.setHandler([&](const QStringList& arguments) { received.append(arguments); });
        SingleInstance later(u"virel"_qs, dir.path(), 5ms);
        later.sendToRunning({u"--glance"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, 2000);
    }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("feed");
        QTest::addColumn<QString>("versions"); // "invalid" when the feed cannot be read
        QTest::newRow("element and attribute forms, unversioned skipped") << kFeed << u"1.2 1.10"_qs;
        QTest::newRow("bad xml") << QByteArray("<rss><channel><item><title>x</item></rss>") << u"invalid"_qs;
        QTest::newRow("bare version is another vocabulary")
            << QByteArray("<rss><channel><item><version>2.0</version></item></channel></rss>") << QString();
    }
    void parse()
    {
        QFETCH(QByteArray, feed);
        const auto items = Appcast::parse(feed);
        QStringList versions;
        std::ranges::transform(items.value_or(QList<AppcastItem>{}), std::back_inserter(versions),
                               [](const AppcastItem& item) { return item.displayVersion(); });
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
        QTest::newRow("numeric, not textual") << u"1.10"_qs << u"1.9"_qs << 1;
        QTest::newRow("missing component is zero") << u"1.2"_qs << u"1.2.0"_qs << 0;
        QTest::newRow("extra component") << u"1.2.1"_qs << u"1.2"_qs << 1;
        QTest::newRow("major wins") << u"2.0"_qs << u"1.99.99"_qs << 1;
        QTest::newRow("leading zeros") << u"1.02"_qs << u"1.2"_qs << 0;
        QTest::newRow("long digits") << u"1.100000000000000000000"_qs << u"1.99999999999999999999"_qs << 1;
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
        QTest::newRow("skipped still shown") << u"0.1.0"_qs << u"skip"_qs << UpdateCheck::Outcome::newer;
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
        const QString next = u"1.0.1"_qs;
        QTest::newRow("announce once offers the next") << old << true << none << next << u"1.0.0 1.0.1"_qs;
        QTest::newRow("skipped silent, later one offered") << old << false << u"1.0.0"_qs << next << next;
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

QTEST_GUILESS_MAIN(AppPiecesTest)
#include "AppPiecesTest.moc"
