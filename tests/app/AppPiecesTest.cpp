#include "app/LaunchSwitches.h"
#include "app/NumberInput.h"
#include "app/SingleInstance.h"
#include "app/StatusItem.h"
#include "app/StatusMenuModel.h"
#include "app/StatusTitle.h"

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
Q_DECLARE_METATYPE(std::optional<QStringList>)
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

AlertRule rule(const QString& symbol, AlertRule::Direction direction, double threshold)
{
    AlertRule r;
    r.symbol = symbol;
    r.name = symbol;
    r.direction = direction;
    r.threshold = threshold;
    return r;
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

} // namespace

// The application's own pieces: the status title, the menu rows, number input, the launch switches,
// and how a launch finds the running instance.
class AppPiecesTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    std::unique_ptr<SingleInstance> instance() const
    {
        return std::make_unique<SingleInstance>(u"virel-test"_qs, m_dir.path(), 5ms);
    }

private slots:
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
        const QuoteMap quotes{{u"005930.KS"_qs, quote(u"삼성전자"_qs, 72300, 71421.5)},
                              {u"NVDA"_qs, quote(u"NVIDIA"_qs, 180, 181)},
                              {u"^VIX"_qs, quote(u"VIX"_qs, 15, 15)}};
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
        using D = AlertRule::Direction;
        QTest::newRow("focus mode checked") << inputs([](auto& i) { i.focusMode = true; })
                                            << u"Market Mode ✓ | Watchlist Mode ○"_qs << u"집중모드 ^f ○"_qs;
        QTest::newRow("smooth on battery and start at login checked")
            << inputs([](auto& i) { i.smoothOnBattery = true, i.startsAtLogin = true; })
            << u"순환 (흐름 없음) ○ | --- | 배터리에서도 부드럽게 ✓] | 집중모드"_qs << QString();
        QTest::newRow("start at login beside the update check")
            << MenuInputs{} << u"--- | 로그인 시 시작 ○ | 업데이트 확인…"_qs << u"✓] | 집중모드"_qs;
        QTest::newRow("paused timer resumes and resets")
            << inputs([](auto& i) { i.timerPhase = kPaused, i.timerDisplay = u"⏸ 12:34"_qs; })
            << u"타이머 (⏸ 12:34) [재개 | 리셋 | --- | 15분 시작"_qs << u"일시정지"_qs;
        QTest::newRow("alert rules get delete rows") << inputs([](auto& i) {
            i.alertRules = {rule(u"NVDA"_qs, D::above, 200), rule(u"AAPL"_qs, D::below, 150.5)};
        }) << u"[알림 추가… | --- | 삭제: NVDA ≥ 200.0 | 삭제: AAPL ≤ 150.5]"_qs
                                                     << QString();
        QTest::newRow("signed in shows the account and sign-out")
            << inputs([](auto& i) { i.user = User{u"kim@example.com"_qs}; })
            << u"계정: kim@example.com (disabled) | 로그아웃 | Virel 웹 열기"_qs << u"Virel 로그인"_qs;
        QTest::newRow("signed in without e-mail")
            << inputs([](auto& i) { i.user = User{}; }) << u"계정: Virel 연결됨 (disabled)"_qs << QString();
        QTest::newRow("pending edits counted under the account")
            << inputs([](auto& i) { i.user = User{u"a@b.c"_qs}, i.pendingCount = 3; })
            << u"계정: a@b.c (disabled) | 동기화 대기 3건 — 재연결 시 전송 (disabled) | 로그아웃"_qs
            << QString();
        QTest::newRow("no pending line at zero")
            << inputs([](auto& i) { i.user = User{u"a@b.c"_qs}; }) << u"로그아웃"_qs << u"동기화 대기"_qs;
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
        QTest::newRow("case-sensitive")
            << QStringList{u"--EDIT"_qs, u"--Glance"_qs, u"--DETAIL"_qs, u"x"_qs} << u"- 0 0"_qs;
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
        QTest::newRow("level grouped") << false << u"70,000"_qs << std::optional(70000.0);
        QTest::newRow("level negative") << false << u"-12.5"_qs << std::optional(-12.5);
        QTest::newRow("level decimal comma is grouping") << false << u"1,5"_qs << std::optional(15.0);
        QTest::newRow("level trailing letters") << false << u"12abc"_qs << none;
        QTest::newRow("level full-width digits") << false << u"７０"_qs << none;
        // Such levels cannot be stored as JSON numbers: the saved list would no longer load.
        QTest::newRow("level infinity") << false << u"inf"_qs << none;
        QTest::newRow("level not a number") << false << u"nan"_qs << none;
        QTest::newRow("level overflow") << false << u"1e400"_qs << none;
        QTest::newRow("minutes whole") << true << u"90"_qs << std::optional(90.0);
        QTest::newRow("minutes fraction") << true << u"1.5"_qs << std::optional(1.5);
        QTest::newRow("minutes zero") << true << u"0"_qs << none;
        QTest::newRow("minutes negative") << true << u"-5"_qs << none;
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
        QTest::newRow("under an icon in a top panel")
            << std::optional(QRect(1894, 4, 22, 22)) << strip << QPoint(1894, 26);
        QTest::newRow("over an icon in a bottom panel")
            << std::optional(QRect(1894, 1054, 22, 22)) << strip << QPoint(1894, 754);
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
        first->sendToRunning({u"--detail"_qs, u"nvda"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(firstDone.size(), 1, 2000);
        auto second = instance();
        QSignalSpy secondDone(second.get(), &SingleInstance::handedOver);
        second->sendToRunning({u"--glance"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(secondDone.size(), 1, 2000);
        QTest::qWait(20);

        // What arrived before the handler was set is delivered to it, in order; later ones at once.
        QList<QStringList> received;
        running->setHandler([&](const QStringList& arguments) { received.append(arguments); });
        QCOMPARE(received, (QList<QStringList>{{u"--detail"_qs, u"nvda"_qs}, {u"--glance"_qs}}));
        auto third = instance();
        third->sendToRunning({u"--edit"_qs});
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 3, 2000);
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

    void decode_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<std::optional<QStringList>>("expected");
        QTest::newRow("line break inside a switch")
            << SingleInstance::encode({u"a\nb"_qs}) << std::optional(QStringList{u"a\nb"_qs});
        QTest::newRow("not strings") << QByteArray("[\"--edit\", 3]\n") << std::optional<QStringList>();
    }
    void decode()
    {
        QFETCH(QByteArray, message);
        QCOMPARE(message.count('\n'), 1);
        QTEST(SingleInstance::decode(message), "expected");
    }
};

QTEST_GUILESS_MAIN(AppPiecesTest)
#include "AppPiecesTest.moc"
