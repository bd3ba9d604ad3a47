#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QUrl>
#include <optional>

namespace virel {

// One headline about a symbol.
struct NewsItem
{
    QString title;
    QString publisher;       // empty when the answer names none
    QDateTime publishedAt;   // 1970-01-01 00:00 UTC when the answer gives no time
    std::optional<QUrl> url; // only a valid http(s) address

    bool operator==(const NewsItem&) const = default;

    // The title directly followed by the time as "2024-05-01 09:30:00 +0000".
    QString id() const;
};

} // namespace virel

Q_DECLARE_METATYPE(virel::NewsItem)
