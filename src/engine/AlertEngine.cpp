#include "engine/AlertEngine.h"

#include "model/Formatters.h"
#include "platform/Notifier.h"
#include "platform/Settings.h"

#include <algorithm>
#include <cmath>

namespace virel {

namespace {
const auto kKey = QStringLiteral("alertRules");

bool reached(const AlertRule& rule, double price)
{
    // Comparisons with a price that is not a number are false, so it never counts as reached.
    return rule.direction == AlertRule::Direction::above ? price >= rule.threshold : price <= rule.threshold;
}

// JSON has no form for an infinite or undefined number; such a list cannot be stored faithfully.
bool encodable(const QList<AlertRule>& rules)
{
    return std::all_of(rules.cbegin(), rules.cend(),
                       [](const AlertRule& rule) { return std::isfinite(rule.threshold); });
}
} // namespace

AlertEngine::AlertEngine(Settings& settings, Notifier& notifier, QObject* parent)
    : QObject(parent), m_settings(settings), m_notifier(notifier)
{
    if (!m_settings.contains(kKey)) {
        return;
    }
    if (auto stored = AlertRule::decodeList(m_settings.value(kKey).toByteArray())) {
        m_rules = std::move(*stored);
    } else {
        m_settings.markUnreadable(kKey);
    }
}

void AlertEngine::add(const AlertRule& rule)
{
    m_rules.append(rule);
    emit rulesChanged();
    save();
}

void AlertEngine::remove(const QUuid& id)
{
    if (m_rules.removeIf([&id](const AlertRule& rule) { return rule.id == id; }) > 0) {
        emit rulesChanged();
    }
    save();
}

void AlertEngine::evaluate(const QuoteMap& quotes)
{
    const QList<AlertRule> snapshot = m_rules;
    for (qsizetype i = 0; i < snapshot.size(); ++i) {
        const AlertRule& rule = snapshot.at(i);
        const auto quote = quotes.constFind(rule.symbol);
        if (quote == quotes.cend()) {
            continue;
        }
        const bool holds = reached(rule, quote->price);
        if (holds == rule.triggered) {
            continue;
        }
        const qsizetype at = currentPosition(i, rule.id);
        if (at < 0) {
            continue;
        }
        setTriggered(at, holds);
        if (holds) {
            const AlertRule fired = m_rules.at(at);
            if (m_lastFired != fired) {
                m_lastFired = fired;
                emit lastFiredChanged();
            }
            fire(fired, *quote);
        }
    }
    save();
}

qsizetype AlertEngine::currentPosition(qsizetype position, const QUuid& id) const
{
    // A firing's callback may have edited the list since the evaluation began.
    if (position < m_rules.size() && m_rules.at(position).id == id) {
        return position;
    }
    const auto found = std::find_if(m_rules.cbegin(), m_rules.cend(),
                                    [&id](const AlertRule& rule) { return rule.id == id; });
    return found == m_rules.cend() ? -1 : found - m_rules.cbegin();
}

void AlertEngine::setTriggered(qsizetype index, bool triggered)
{
    m_rules[index].triggered = triggered;
    emit rulesChanged();
}

void AlertEngine::fire(const AlertRule& rule, const Quote& quote)
{
    if (m_notifier.available()) {
        const QString body = rule.label() + QStringLiteral(" 도달 · 현재 ") + formatPrice(quote) +
                             QStringLiteral(" (") + QString::asprintf("%+.2f", quote.changePercent()) +
                             QStringLiteral("%)");
        m_notifier.post(rule.id.toString(QUuid::WithoutBraces).toUpper(),
                        rule.name + QStringLiteral(" 가격 알림"), body);
    } else {
        m_notifier.beep();
    }
    if (onFire) {
        onFire(rule, quote);
    }
}

void AlertEngine::save()
{
    if (!encodable(m_rules)) {
        return;
    }
    const QByteArray data = AlertRule::encodeList(m_rules);
    // One evaluation per arriving quote: most of them change nothing, so most writes are skipped.
    if (m_settings.contains(kKey) && m_settings.value(kKey).toByteArray() == data) {
        return;
    }
    m_settings.setValue(kKey, data);
}

} // namespace virel
