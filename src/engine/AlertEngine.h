#pragma once

#include "model/AlertRule.h"
#include "model/Quote.h"

#include <QObject>
#include <QUuid>
#include <functional>
#include <optional>

namespace virel {

class Notifier;
class Settings;

// The user's price alerts: each rule fires once when its level is reached and re-arms only after the
// price has moved back across it. The rules, with their fired flags, live under "alertRules".
class AlertEngine : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QList<virel::AlertRule> rules READ rules NOTIFY rulesChanged)
    Q_PROPERTY(std::optional<virel::AlertRule> lastFired READ lastFired NOTIFY lastFiredChanged)
public:
    AlertEngine(Settings& settings, Notifier& notifier, QObject* parent = nullptr);

    const QList<AlertRule>& rules() const { return m_rules; }
    // The most recent firing, with `triggered` set.
    const std::optional<AlertRule>& lastFired() const { return m_lastFired; }

    void add(const AlertRule& rule);
    void remove(const QUuid& id);
    // Checks every rule against the quotes of one published change of the quote map.
    void evaluate(const QuoteMap& quotes);

    // Called after every firing (the application opens the glance panel).
    std::function<void(const AlertRule&, const Quote&)> onFire;

signals:
    void rulesChanged();
    void lastFiredChanged();

private:
    // Where the rule first seen at `position` is now; -1 when it is gone.
    qsizetype currentPosition(qsizetype position, const QUuid& id) const;
    void setTriggered(qsizetype index, bool triggered);
    void fire(const AlertRule& rule, const Quote& quote);
    void save();

    Settings& m_settings;
    Notifier& m_notifier;
    QList<AlertRule> m_rules;
    std::optional<AlertRule> m_lastFired;
};

} // namespace virel
