#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QUuid>
#include <optional>

namespace virel {

// One price alert; identified by `id`.
struct AlertRule
{
    enum class Direction { above, below };

    QUuid id = QUuid::createUuid();
    QString symbol;
    QString name;
    Direction direction = Direction::above;
    double threshold = 0;
    bool triggered = false;

    bool operator==(const AlertRule&) const = default;

    // "삼성전자 ≥ 70000.0"
    QString label() const;

    static QString directionText(Direction direction); // "above", "below"

    QJsonObject toJson() const;
    // All six keys required with their JSON types.
    static std::optional<AlertRule> fromJson(const QJsonObject& object);
    static QByteArray encodeList(const QList<AlertRule>& rules);
    static std::optional<QList<AlertRule>> decodeList(const QByteArray& data);
};

} // namespace virel

Q_DECLARE_METATYPE(virel::AlertRule)
