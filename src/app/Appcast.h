#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <compare>
#include <optional>

namespace virel {

// One release offered by the update feed (an RSS channel with the sparkle namespace).
struct AppcastItem
{
    QString title;
    QString version;      // sparkle:version, compared with the running version
    QString shortVersion; // sparkle:shortVersionString, shown to the user
    QUrl releaseNotes;    // sparkle:releaseNotesLink, may be empty
    QString description;  // inline release notes (HTML), may be empty
    QUrl download;        // the enclosure's url, may be empty

    bool operator==(const AppcastItem&) const = default;

    QString displayVersion() const { return shortVersion.isEmpty() ? version : shortVersion; }
};

namespace Appcast {

// The feed's items that carry a version, in feed order; nothing when the text is not well-formed XML.
std::optional<QList<AppcastItem>> parse(const QByteArray& xml);

// The item with the highest version, if any.
std::optional<AppcastItem> newest(const QList<AppcastItem>& items);

// Numeric comparison, component by component ("1.10" > "1.9", "1.2" == "1.2.0"). A component is
// compared by its leading digits, then by the text after them ("2b" > "2a").
std::strong_ordering compareVersions(const QString& left, const QString& right);

} // namespace Appcast

} // namespace virel
