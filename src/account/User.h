#pragma once

#include <QMetaType>
#include <QString>

namespace virel {

// The signed-in user of the Virel service.
struct User
{
    QString email; // may be empty until the profile is known
    bool operator==(const User&) const = default;
};

} // namespace virel

Q_DECLARE_METATYPE(virel::User)
