#pragma once

#include "model/MarketState.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QMetaType>
#include <QString>

namespace virel {

enum class ChangeDirection { rise, fall, flat };

// The latest price of one symbol.
struct Quote
{
    QString symbol;
    QString displayName;
    double price = 0;
    double previousClose = 0;
    QString currency;
    MarketState marketState = MarketState::unknown;
    QDateTime receivedAt;
    QList<double> closes;

    bool operator==(const Quote&) const = default;

    double change() const { return price - previousClose; }
    // 0 when the previous close is 0.
    double changePercent() const;
    // rise above 0, fall below 0, flat otherwise (also for a change that is not a number).
    ChangeDirection direction() const;
    // "▲", "▼" or "·".
    QString changeMark() const;
    // Fresh while at most 120 seconds old.
    bool isFresh(const QDateTime& now) const;
};

using QuoteMap = QHash<QString, Quote>;

} // namespace virel

Q_DECLARE_METATYPE(virel::Quote)
