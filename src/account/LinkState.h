#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QUrl>

namespace virel {

// Where the device link stands. The payload members are meaningful only for their own kind.
struct LinkState
{
    enum class Kind { idle, starting, waiting, failed };

    Kind kind = Kind::idle;
    QString userCode;     // waiting
    QUrl verificationURL; // waiting
    QDateTime expiresAt;  // waiting
    QString message;      // failed

    static LinkState idle() { return {}; }
    static LinkState starting() { return {Kind::starting, {}, {}, {}, {}}; }
    static LinkState waiting(QString userCode, QUrl verificationURL, QDateTime expiresAt)
    {
        return {Kind::waiting, std::move(userCode), std::move(verificationURL), std::move(expiresAt), {}};
    }
    static LinkState failed(QString message) { return {Kind::failed, {}, {}, {}, std::move(message)}; }

    bool operator==(const LinkState&) const = default;
};

} // namespace virel

Q_DECLARE_METATYPE(virel::LinkState)
