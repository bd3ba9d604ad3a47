#pragma once

#include "account/LinkState.h"
#include "account/User.h"
#include "engine/TimerEngine.h"
#include "model/AlertRule.h"
#include "model/DisplayMode.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

namespace virel {

// Every command the status menu can send.
enum class MenuCommand {
    none, // informational row: shown disabled
    switchMode,
    switchTickerPlacement,
    toggleFocusMode,
    toggleSmoothOnBattery,
    startTimer,
    startCustomTimer,
    pauseTimer,
    resumeTimer,
    resetTimer,
    openDetailWindow,
    openTimeline,
    openEdit,
    addAlertRule,
    removeAlertRule,
    refreshNow,
    openAccountLink,
    logoutAccount,
    openWeb,
    toggleStartAtLogin,
    checkForUpdates,
    quit,
};

// One row of the status menu as plain data, so the menu is built and checked without a screen.
struct MenuRow
{
    bool separator = false;
    QString title;
    QChar key; // key equivalent with the platform's command modifier, or null
    MenuCommand command = MenuCommand::none;
    QVariant value;              // the represented value the command reads
    std::optional<bool> checked; // set for rows that carry a check mark
    QList<MenuRow> submenu;

    bool enabled() const { return command != MenuCommand::none || !submenu.isEmpty(); }
    bool operator==(const MenuRow&) const = default;

    static MenuRow line()
    {
        MenuRow row;
        row.separator = true;
        return row;
    }
};

// What the menu shows, read from the state and the services each time the menu opens.
struct MenuInputs
{
    DisplayMode mode = DisplayMode::market;
    TickerPlacement tickerPlacement = TickerPlacement::belowMenuBar;
    bool focusMode = false;
    bool smoothOnBattery = false;
    TimerEngine::Phase timerPhase = TimerEngine::Idle{};
    QString timerDisplay;
    QList<AlertRule> alertRules;
    std::optional<User> user;
    LinkState linkState;
    int pendingCount = 0;
    bool startsAtLogin = false;
};

QList<MenuRow> buildStatusMenu(const MenuInputs& inputs);

// The text a rule's delete row carries: its id in canonical upper-case form.
QString alertRuleKey(const AlertRule& rule);

} // namespace virel
