#include "app/LaunchSwitches.h"
#include "app/NumberInput.h"
#include "app/StatusItem.h"
#include "app/StatusMenuModel.h"
#include "app/StatusTitle.h"

#include <QTest>

#include <clocale>

using namespace virel;

Q_DECLARE_METATYPE(std::optional<double>)
Q_DECLARE_METATYPE(std::optional<WatchItem>)
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

// The application's pure pieces: the status title, the menu rows, the launch switches and number input.
class AppPiecesTest : public QObject
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
        const auto item = [](const QString& symbol) { return std::optional(WatchItem{symbol, symbol}); };
        using B = StatusTitle::Badge;
        QTest::newRow("rise with the quote's name")
            << false << kIdle << QString() << item(u"005930.KS"_qs) << u"삼성전자 ▲1.23%"_qs << int(B::rise);
        QTest::newRow("no quote yet")
            << false << kIdle << QString() << item(u"AAPL"_qs) << u"virel"_qs << int(B::idle);
        QTest::newRow("empty list") << false << kIdle << QString() << std::optional<WatchItem>()
                                    << u"virel"_qs << int(B::idle);
        QTest::newRow("focus hides quotes")
            << true << kIdle << QString() << item(u"005930.KS"_qs) << u"virel"_qs << int(B::idle);
        QTest::newRow("focus shows the running timer")
            << true << kRunning << u"24:59"_qs << item(u"005930.KS"_qs) << u"⏱ 24:59"_qs << int(B::timer);
        QTest::newRow("focus shows the paused timer")
            << true << kPaused << u"⏸ 12:34"_qs << item(u"NVDA"_qs) << u"⏱ ⏸ 12:34"_qs << int(B::timer);
        QTest::newRow("timer without focus shows the quote")
            << false << kRunning << u"24:59"_qs << item(u"005930.KS"_qs) << u"삼성전자 ▲1.23%"_qs
            << int(B::rise);
    }
    void statusTitle()
    {
        QFETCH(bool, focusMode);
        QFETCH(TimerEngine::Phase, phase);
        QFETCH(QString, display);
        QFETCH(std::optional<WatchItem>, rotating);
        const QuoteMap quotes{{u"005930.KS"_qs, quote(u"삼성전자"_qs, 72300, 71421.5)},
                              {u"NVDA"_qs, quote(u"NVIDIA"_qs, 180, 181)},
                              {u"^VIX"_qs, quote(u"VIX"_qs, 15, 15)}};
        const StatusTitle title = virel::statusTitle(focusMode, phase, display, rotating, quotes);
        QTEST(title.text, "text");
        QTEST(int(title.badge), "badge");
    }

    void menu_data()
    {
        QTest::addColumn<MenuInputs>("in");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("absent");
        using D = AlertRule::Direction;
        QTest::newRow("focus mode checked") << inputs([](MenuInputs& i) { i.focusMode = true; })
                                            << u"Market Mode ✓ | Watchlist Mode ○"_qs << u"집중모드 ^f ○"_qs;
        QTest::newRow("smooth on battery and start at login checked")
            << inputs([](MenuInputs& i) { i.smoothOnBattery = true, i.startsAtLogin = true; })
            << u"순환 (흐름 없음) ○ | --- | 배터리에서도 부드럽게 ✓] | 집중모드"_qs << QString();
        QTest::newRow("start at login beside the update check")
            << inputs([](MenuInputs&) {}) << u"--- | 로그인 시 시작 ○ | 업데이트 확인…"_qs
            << u"✓] | 집중모드"_qs;
        QTest::newRow("paused timer resumes and resets")
            << inputs([](MenuInputs& i) { i.timerPhase = kPaused, i.timerDisplay = u"⏸ 12:34"_qs; })
            << u"타이머 (⏸ 12:34) [재개 | 리셋 | --- | 15분 시작"_qs << u"일시정지"_qs;
        QTest::newRow("alert rules get delete rows") << inputs([](MenuInputs& i) {
            i.alertRules = {rule(u"NVDA"_qs, D::above, 200), rule(u"AAPL"_qs, D::below, 150.5)};
        }) << u"[알림 추가… | --- | 삭제: NVDA ≥ 200.0 | 삭제: AAPL ≤ 150.5]"_qs
                                                     << QString();
        QTest::newRow("signed in shows the account and sign-out")
            << inputs([](MenuInputs& i) { i.user = User{u"kim@example.com"_qs}; })
            << u"계정: kim@example.com (disabled) | 로그아웃 | Virel 웹 열기"_qs << u"Virel 로그인"_qs;
        QTest::newRow("signed in without e-mail") << inputs([](MenuInputs& i) { i.user = User{}; })
                                                  << u"계정: Virel 연결됨 (disabled)"_qs << QString();
        QTest::newRow("pending edits counted under the account")
            << inputs([](MenuInputs& i) { i.user = User{u"a@b.c"_qs}, i.pendingCount = 3; })
            << u"계정: a@b.c (disabled) | 동기화 대기 3건 — 재연결 시 전송 (disabled) | 로그아웃"_qs
            << QString();
        QTest::newRow("no pending line at zero") << inputs([](MenuInputs& i) { i.user = User{u"a@b.c"_qs}; })
                                                 << u"로그아웃"_qs << u"동기화 대기"_qs;
        QTest::newRow("link waiting") << inputs([](MenuInputs& i) {
            i.linkState = LinkState::waiting(u"ABCD"_qs, QUrl(u"https://virel.app/link"_qs), {});
        }) << u"기기 연결 승인 대기 중… (코드 보기)"_qs
                                      << u"Virel 로그인"_qs;
        QTest::newRow("link failed offers sign-in again")
            << inputs([](MenuInputs& i) { i.linkState = LinkState::failed(u"만료"_qs); })
            << u"Virel 로그인…"_qs << u"대기 중"_qs;
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
        QTest::newRow("none") << QStringList() << u"- 0 0"_qs;
        QTest::newRow("detail upper-cased") << QStringList{u"--detail"_qs, u"nvda"_qs} << u"NVDA 0 0"_qs;
        QTest::newRow("detail as last argument") << QStringList{u"--edit"_qs, u"--detail"_qs} << u"- 1 0"_qs;
        QTest::newRow("first detail counts")
            << QStringList{u"--detail"_qs, u"aapl"_qs, u"--detail"_qs, u"nvda"_qs} << u"AAPL 0 0"_qs;
        QTest::newRow("later bare detail ignored")
            << QStringList{u"--detail"_qs, u"005930.ks"_qs, u"--glance"_qs, u"--detail"_qs}
            << u"005930.KS 0 1"_qs;
        QTest::newRow("empty symbol") << QStringList{u"--detail"_qs, QString()} << u"- 0 0"_qs;
        QTest::newRow("case-sensitive")
            << QStringList{u"--EDIT"_qs, u"--Glance"_qs, u"--DETAIL"_qs, u"x"_qs} << u"- 0 0"_qs;
        QTest::newRow("unknown ignored") << QStringList{u"--demo"_qs, u"--verbose"_qs} << u"- 0 0"_qs;
    }
    void launchSwitches()
    {
        QFETCH(QStringList, arguments);
        const LaunchSwitches s = LaunchSwitches::parse(arguments);
        QTEST(u"%1 %2 %3"_qs.arg(s.detail.value_or(u"-"_qs)).arg(int(s.edit)).arg(int(s.glance)), "parsed");
    }

    void alertLevel_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<double>>("expected");
        const std::optional<double> none;
        QTest::newRow("grouped") << u"70,000"_qs << std::optional(70000.0);
        QTest::newRow("leading blank") << u" 70000"_qs << none;
        QTest::newRow("empty") << QString() << none;
        QTest::newRow("negative") << u"-12.5"_qs << std::optional(-12.5);
        QTest::newRow("double sign") << u"+-3"_qs << none;
        QTest::newRow("decimal comma is grouping") << u"1,5"_qs << std::optional(15.0);
        QTest::newRow("trailing letters") << u"12abc"_qs << none;
        QTest::newRow("full-width digits") << u"７０"_qs << none;
        // Such levels cannot be stored as JSON numbers: the saved list would no longer load.
        QTest::newRow("infinity") << u"inf"_qs << none;
        QTest::newRow("not a number") << u"nan"_qs << none;
        QTest::newRow("overflow") << u"1e400"_qs << none;
    }
    void alertLevel()
    {
        QFETCH(QString, text);
        QTEST(NumberInput::alertLevel(text), "expected");
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

    void timerMinutes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<std::optional<double>>("expected");
        const std::optional<double> none;
        QTest::newRow("whole") << u"90"_qs << std::optional(90.0);
        QTest::newRow("fraction") << u"1.5"_qs << std::optional(1.5);
        QTest::newRow("zero") << u"0"_qs << none;
        QTest::newRow("negative") << u"-5"_qs << none;
        QTest::newRow("grouping not removed") << u"1,000"_qs << none;
        QTest::newRow("seconds overflow 64 bits") << u"1e18"_qs << none;
        QTest::newRow("just fits") << u"1e16"_qs << std::optional(1e16);
    }
    void timerMinutes()
    {
        QFETCH(QString, text);
        QTEST(NumberInput::timerMinutes(text), "expected");
    }

    void numbers_ignoreTheProcessLocale()
    {
        // QCoreApplication adopts the user's locale for C functions; a German locale would read "1,5".
        const QByteArray previous = setlocale(LC_NUMERIC, nullptr);
        if (setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr) {
            QSKIP("no German locale installed");
        }
        const auto value = NumberInput::parse(u"1.5"_qs);
        setlocale(LC_NUMERIC, previous.constData());
        QCOMPARE(value, std::optional(1.5));
    }
};

QTEST_GUILESS_MAIN(AppPiecesTest)
#include "AppPiecesTest.moc"
