#include "app/StatusMenuModel.h"

#include <QTest>

using namespace virel;

namespace {

// The rows as "title|key|command|value|check" lines, separators as "---", submenus indented.
QStringList describe(const QList<MenuRow>& rows, const QString& indent = {})
{
    QStringList lines;
    for (const MenuRow& row : rows) {
        if (row.separator) {
            lines.append(indent + u"---"_qs);
            continue;
        }
        QString check = row.checked ? (*row.checked ? u"on"_qs : u"off"_qs) : QString();
        lines.append(indent + row.title + u'|' + (row.key.isNull() ? QString() : QString(row.key)) + u'|' +
                     QString::number(int(row.command)) + u'|' + row.value.toString() + u'|' + check +
                     (row.enabled() ? QString() : u"|disabled"_qs));
        lines.append(describe(row.submenu, indent + u"  "_qs));
    }
    return lines;
}

const MenuRow* find(const QList<MenuRow>& rows, const QString& title)
{
    for (const MenuRow& row : rows) {
        if (row.title == title) {
            return &row;
        }
        if (const MenuRow* inner = find(row.submenu, title)) {
            return inner;
        }
    }
    return nullptr;
}

QStringList titles(const QList<MenuRow>& rows)
{
    QStringList result;
    for (const MenuRow& row : rows) {
        result.append(row.separator ? u"---"_qs : row.title);
    }
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

QString cmd(MenuCommand command)
{
    return QString::number(int(command));
}

} // namespace

class StatusMenuModelTest : public QObject
{
    Q_OBJECT

private slots:
    void build_signedOutIdle_matchesEveryRow()
    {
        MenuInputs inputs;
        inputs.mode = DisplayMode::watchlist;
        inputs.tickerPlacement = TickerPlacement::notchRight;
        using C = MenuCommand;
        const QStringList expected{
            u"Market Mode||"_qs + cmd(C::switchMode) + u"|market|off"_qs,
            u"Watchlist Mode||"_qs + cmd(C::switchMode) + u"|watchlist|on"_qs,
            u"흐르는 티커||0||"_qs,
            u"  메뉴바 아래 한 줄||"_qs + cmd(C::switchTickerPlacement) + u"|belowMenuBar|off"_qs,
            u"  노치 우측||"_qs + cmd(C::switchTickerPlacement) + u"|notchRight|on"_qs,
            u"  순환 (흐름 없음)||"_qs + cmd(C::switchTickerPlacement) + u"|rotate|off"_qs,
            u"  ---"_qs,
            u"  배터리에서도 부드럽게||"_qs + cmd(C::toggleSmoothOnBattery) + u"||off"_qs,
            u"집중모드|f|"_qs + cmd(C::toggleFocusMode) + u"||off"_qs,
            u"타이머||0||"_qs,
            u"  15분 시작||"_qs + cmd(C::startTimer) + u"|15|"_qs,
            u"  25분 시작||"_qs + cmd(C::startTimer) + u"|25|"_qs,
            u"  50분 시작||"_qs + cmd(C::startTimer) + u"|50|"_qs,
            u"  사용자 지정…||"_qs + cmd(C::startCustomTimer) + u"||"_qs,
            u"---"_qs,
            u"상세 보기 (차트·타임라인)|d|"_qs + cmd(C::openDetailWindow) + u"||"_qs,
            u"이벤트 타임라인|t|"_qs + cmd(C::openTimeline) + u"||"_qs,
            u"노치 편집… (종목 추가·삭제·순서)|e|"_qs + cmd(C::openEdit) + u"||"_qs,
            u"---"_qs,
            u"가격 알림||0||"_qs,
            u"  알림 추가…||"_qs + cmd(C::addAlertRule) + u"||"_qs,
            u"---"_qs,
            u"지금 새로고침|r|"_qs + cmd(C::refreshNow) + u"||"_qs,
            u"---"_qs,
            u"Virel 로그인…||"_qs + cmd(C::openAccountLink) + u"||"_qs,
            u"Virel 웹 열기||"_qs + cmd(C::openWeb) + u"||"_qs,
            u"---"_qs,
            u"로그인 시 시작||"_qs + cmd(C::toggleStartAtLogin) + u"||off"_qs,
            u"업데이트 확인…||"_qs + cmd(C::checkForUpdates) + u"||"_qs,
            u"종료|q|"_qs + cmd(C::quit) + u"||"_qs,
        };
        QCOMPARE(describe(buildStatusMenu(inputs)), expected);
    }

    void build_focusModeOn_checksFocusRow()
    {
        MenuInputs inputs;
        inputs.focusMode = true;
        const auto rows = buildStatusMenu(inputs);
        QCOMPARE(find(rows, u"집중모드"_qs)->checked, std::optional(true));
        QCOMPARE(find(rows, u"Market Mode"_qs)->checked, std::optional(true));
    }

    void build_timerRunning_offersPauseAndReset()
    {
        MenuInputs inputs;
        inputs.timerPhase = TimerEngine::Running{QDateTime::fromSecsSinceEpoch(100, Qt::UTC), 1500};
        inputs.timerDisplay = u"24:59"_qs;
        const auto rows = buildStatusMenu(inputs);
        const MenuRow* timer = find(rows, u"타이머 (24:59)"_qs);
        QVERIFY(timer);
        QCOMPARE(titles(timer->submenu), (QStringList{u"일시정지"_qs, u"리셋"_qs, u"---"_qs, u"15분 시작"_qs,
                                                      u"25분 시작"_qs, u"50분 시작"_qs, u"사용자 지정…"_qs}));
        QCOMPARE(timer->submenu.at(0).command, MenuCommand::pauseTimer);
        QCOMPARE(timer->submenu.at(1).command, MenuCommand::resetTimer);
    }

    void build_timerPaused_offersResumeAndReset()
    {
        MenuInputs inputs;
        inputs.timerPhase = TimerEngine::Paused{754, 1500};
        inputs.timerDisplay = u"⏸ 12:34"_qs;
        const auto rows = buildStatusMenu(inputs);
        const MenuRow* timer = find(rows, u"타이머 (⏸ 12:34)"_qs);
        QVERIFY(timer);
        QCOMPARE(timer->submenu.at(0).title, u"재개"_qs);
        QCOMPARE(timer->submenu.at(0).command, MenuCommand::resumeTimer);
        QCOMPARE(timer->submenu.at(1).command, MenuCommand::resetTimer);
        QVERIFY(timer->submenu.at(2).separator);
    }

    void build_alertRules_listsDeleteRowsWithIds()
    {
        MenuInputs inputs;
        inputs.alertRules = {rule(u"NVDA"_qs, AlertRule::Direction::above, 200),
                             rule(u"AAPL"_qs, AlertRule::Direction::below, 150.5)};
        const auto rows = buildStatusMenu(inputs);
        const MenuRow* alerts = find(rows, u"가격 알림"_qs);
        QCOMPARE(titles(alerts->submenu), (QStringList{u"알림 추가…"_qs, u"---"_qs, u"삭제: NVDA ≥ 200.0"_qs,
                                                       u"삭제: AAPL ≤ 150.5"_qs}));
        const MenuRow& remove = alerts->submenu.at(2);
        QCOMPARE(remove.command, MenuCommand::removeAlertRule);
        QCOMPARE(remove.value.toString(),
                 inputs.alertRules.at(0).id.toString(QUuid::WithoutBraces).toUpper());
        QCOMPARE(QUuid::fromString(remove.value.toString()), inputs.alertRules.at(0).id);
    }

    void build_linkedWithEmail_showsAccountAndLogout()
    {
        MenuInputs inputs;
        inputs.user = User{u"kim@example.com"_qs};
        const auto rows = buildStatusMenu(inputs);
        const MenuRow* account = find(rows, u"계정: kim@example.com"_qs);
        QVERIFY(account);
        QVERIFY(!account->enabled());
        QVERIFY(find(rows, u"로그아웃"_qs));
        QVERIFY(!find(rows, u"Virel 로그인…"_qs));
    }

    void build_linkedWithEmptyEmail_showsConnected()
    {
        MenuInputs inputs;
        inputs.user = User{};
        QVERIFY(find(buildStatusMenu(inputs), u"계정: Virel 연결됨"_qs));
    }

    void build_pendingOperations_showsDisabledCountLine()
    {
        MenuInputs inputs;
        inputs.user = User{u"a@b.c"_qs};
        inputs.pendingCount = 3;
        const auto rows = buildStatusMenu(inputs);
        const QStringList all = titles(rows);
        const qsizetype at = all.indexOf(u"동기화 대기 3건 — 재연결 시 전송"_qs);
        QVERIFY(at > 0);
        QCOMPARE(all.at(at - 1), u"계정: a@b.c"_qs);
        QCOMPARE(all.at(at + 1), u"로그아웃"_qs);
        QVERIFY(!rows.at(at).enabled());

        inputs.pendingCount = 0;
        QVERIFY(!titles(buildStatusMenu(inputs)).join(u'\n').contains(u"동기화 대기"_qs));
    }

    void build_linkState_titlesTheLinkRow_data()
    {
        QTest::addColumn<LinkState>("state");
        QTest::addColumn<QString>("title");
        QTest::newRow("idle") << LinkState::idle() << u"Virel 로그인…"_qs;
        QTest::newRow("starting") << LinkState::starting() << u"기기 연결 승인 대기 중… (코드 보기)"_qs;
        QTest::newRow("waiting") << LinkState::waiting(u"ABCD-EFGH"_qs, QUrl(u"https://virel.app/link"_qs),
                                                       QDateTime::fromSecsSinceEpoch(0, Qt::UTC))
                                 << u"기기 연결 승인 대기 중… (코드 보기)"_qs;
        QTest::newRow("failed") << LinkState::failed(u"연결 코드가 만료되었습니다"_qs) << u"Virel 로그인…"_qs;
    }
    void build_linkState_titlesTheLinkRow()
    {
        QFETCH(LinkState, state);
        QFETCH(QString, title);
        MenuInputs inputs;
        inputs.linkState = state;
        const auto rows = buildStatusMenu(inputs);
        const MenuRow* row = find(rows, title);
        QVERIFY(row);
        QCOMPARE(row->command, MenuCommand::openAccountLink);
    }
};

QTEST_GUILESS_MAIN(StatusMenuModelTest)
#include "StatusMenuModelTest.moc"
