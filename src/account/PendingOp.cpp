#include "account/PendingOp.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace virel {

namespace {
const auto kAction = QStringLiteral("action");
const auto kTicker = QStringLiteral("ticker");
const auto kSymbol = QStringLiteral("symbol");

std::optional<PendingOp> fromJson(const QJsonValue& value)
{
    const QJsonObject object = value.toObject();
    const QJsonValue action = object.value(kAction);
    const QJsonValue ticker = object.value(kTicker);
    const QJsonValue symbol = object.value(kSymbol);
    if (!value.isObject() || !ticker.isString() || !symbol.isString()) {
        return std::nullopt;
    }
    for (const auto candidate : {PendingOp::Action::add, PendingOp::Action::remove}) {
        if (action == QJsonValue(PendingOp::actionText(candidate))) {
            return PendingOp{candidate, ticker.toString(), symbol.toString()};
        }
    }
    return std::nullopt;
}
} // namespace

QString PendingOp::actionText(Action action)
{
    return action == Action::add ? QStringLiteral("add") : QStringLiteral("remove");
}

QByteArray PendingOp::encodeList(const QList<PendingOp>& ops)
{
    QJsonArray array;
    for (const PendingOp& op : ops) {
        array.append(
            QJsonObject{{kAction, actionText(op.action)}, {kTicker, op.ticker}, {kSymbol, op.symbol}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<PendingOp>> PendingOp::decodeList(const QByteArray& data)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    QList<PendingOp> ops;
    for (const QJsonValue& value : document.array()) {
        const auto op = fromJson(value);
        if (!op) {
            return std::nullopt;
        }
        ops.append(*op);
    }
    return ops;
}

} // namespace virel
