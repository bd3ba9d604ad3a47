#include "app/StatusMenuModel.h"

namespace virel {

namespace {

MenuRow item(QString title, MenuCommand command, QVariant value = {}, QChar key = {})
{
    MenuRow row;
    row.title = std::move(title);
    row.key = key;
    row.command = command;
    row.value = std::move(value);
    return row;
}

MenuRow checkItem(QString title, MenuCommand command, QVariant value, bool checked, QChar key = {})
{
    MenuRow row = item(std::move(title), command, std::move(value), key);
    row.checked = checked;
    return row;
}

MenuRow submenu(QString title, QList<MenuRow> rows)
{
    MenuRow row;
    row.title = std::move(title);
    row.submenu = std::move(rows);
    return row;
}

QList<MenuRow> placementRows(TickerPlacement current, bool smoothOnBattery)
{
    QList<MenuRow> rows;
    for (TickerPlacement placement : TickerPlacements::all()) {
        rows.append(checkItem(TickerPlacements::menuTitle(placement), MenuCommand::switchTickerPlacement,
                              TickerPlacements::rawText(placement), placement == current));
    }
    rows.append(MenuRow::line());
    rows.append(checkItem(QStringLiteral("배터리에서도 부드럽게"), MenuCommand::toggleSmoothOnBattery, {},
                          smoothOnBattery));
    return rows;
}

QList<MenuRow> timerRows(const TimerEngine::Phase& phase)
{
    QList<MenuRow> rows;
    if (!std::holds_alternative<TimerEngine::Idle>(phase)) {
        if (std::holds_alternative<TimerEngine::Running>(phase)) {
            rows.append(item(QStringLiteral("일시정지"), MenuCommand::pauseTimer));
        } else {
            rows.append(item(QStringLiteral("재개"), MenuCommand::resumeTimer));
        }
        rows.append(item(QStringLiteral("리셋"), MenuCommand::resetTimer));
        rows.append(MenuRow::line());
    }
    for (int minutes : {15, 25, 50}) {
        rows.append(
            item(QString::number(minutes) + QStringLiteral("분 시작"), MenuCommand::startTimer, minutes));
    }
    rows.append(item(QStringLiteral("사용자 지정…"), MenuCommand::startCustomTimer));
    return rows;
}

QList<MenuRow> alertRows(const QList<AlertRule>& rules)
{
    QList<MenuRow> rows{item(QStringLiteral("알림 추가…"), MenuCommand::addAlertRule)};
    if (!rules.isEmpty()) {
        rows.append(MenuRow::line());
    }
    for (const AlertRule& rule : rules) {
        rows.append(
            item(QStringLiteral("삭제: ") + rule.label(), MenuCommand::removeAlertRule, alertRuleKey(rule)));
    }
    return rows;
}

QList<MenuRow> accountRows(const MenuInputs& inputs)
{
    if (!inputs.user) {
        const bool linking = inputs.linkState.kind == LinkState::Kind::starting ||
                             inputs.linkState.kind == LinkState::Kind::waiting;
        return {item(linking ? QStringLiteral("기기 연결 승인 대기 중… (코드 보기)")
                             : QStringLiteral("Virel 로그인…"),
                     MenuCommand::openAccountLink)};
    }
    const QString email = inputs.user->email;
    QList<MenuRow> rows{
        item(QStringLiteral("계정: ") + (email.isEmpty() ? QStringLiteral("Virel 연결됨") : email),
             MenuCommand::none)};
    if (inputs.pendingCount > 0) {
        rows.append(item(QStringLiteral("동기화 대기 ") + QString::number(inputs.pendingCount) +
                             QStringLiteral("건 — 재연결 시 전송"),
                         MenuCommand::none));
    }
    rows.append(item(QStringLiteral("로그아웃"), MenuCommand::logoutAccount));
    return rows;
}

} // namespace

QString alertRuleKey(const AlertRule& rule)
{
    return rule.id.toString(QUuid::WithoutBraces).toUpper();
}

QList<MenuRow> buildStatusMenu(const MenuInputs& inputs)
{
    QList<MenuRow> rows;
    for (DisplayMode mode : DisplayModes::all()) {
        rows.append(checkItem(DisplayModes::menuTitle(mode), MenuCommand::switchMode,
                              DisplayModes::rawText(mode), mode == inputs.mode));
    }
    rows.append(submenu(QStringLiteral("흐르는 티커"),
                        placementRows(inputs.tickerPlacement, inputs.smoothOnBattery)));
    rows.append(
        checkItem(QStringLiteral("집중모드"), MenuCommand::toggleFocusMode, {}, inputs.focusMode, u'f'));
    const bool timerIdle = std::holds_alternative<TimerEngine::Idle>(inputs.timerPhase);
    rows.append(submenu(timerIdle ? QStringLiteral("타이머")
                                  : QStringLiteral("타이머 (") + inputs.timerDisplay + u')',
                        timerRows(inputs.timerPhase)));
    rows.append(MenuRow::line());
    rows.append(item(QStringLiteral("상세 보기 (차트·타임라인)"), MenuCommand::openDetailWindow, {}, u'd'));
    rows.append(item(QStringLiteral("이벤트 타임라인"), MenuCommand::openTimeline, {}, u't'));
    rows.append(item(QStringLiteral("노치 편집… (종목 추가·삭제·순서)"), MenuCommand::openEdit, {}, u'e'));
    rows.append(MenuRow::line());
    rows.append(submenu(QStringLiteral("가격 알림"), alertRows(inputs.alertRules)));
    rows.append(MenuRow::line());
    rows.append(item(QStringLiteral("지금 새로고침"), MenuCommand::refreshNow, {}, u'r'));
    rows.append(MenuRow::line());
    rows.append(accountRows(inputs));
    rows.append(item(QStringLiteral("Virel 웹 열기"), MenuCommand::openWeb));
    rows.append(MenuRow::line());
    rows.append(checkItem(QStringLiteral("로그인 시 시작"), MenuCommand::toggleStartAtLogin, {},
                          inputs.startsAtLogin));
    rows.append(item(QStringLiteral("업데이트 확인…"), MenuCommand::checkForUpdates));
    rows.append(item(QStringLiteral("종료"), MenuCommand::quit, {}, u'q'));
    return rows;
}

} // namespace virel
