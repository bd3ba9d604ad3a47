#include "app/Appcast.h"

#include <QXmlStreamReader>

namespace virel::Appcast {

namespace {

const auto kSparkle = QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

bool isSparkle(const QXmlStreamReader& xml, QLatin1String name)
{
    return xml.namespaceUri() == kSparkle && xml.name() == name;
}

AppcastItem readItem(QXmlStreamReader& xml)
{
    AppcastItem item;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri().isEmpty() && xml.name() == QLatin1String("enclosure")) {
            const auto attributes = xml.attributes();
            item.download = QUrl(attributes.value(QLatin1String("url")).toString().trimmed());
            if (item.version.isEmpty()) {
                item.version = attributes.value(kSparkle, QLatin1String("version")).toString().trimmed();
            }
            if (item.shortVersion.isEmpty()) {
                item.shortVersion =
                    attributes.value(kSparkle, QLatin1String("shortVersionString")).toString().trimmed();
            }
            xml.skipCurrentElement();
        } else if (isSparkle(xml, QLatin1String("version"))) {
            item.version = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (isSparkle(xml, QLatin1String("shortVersionString"))) {
            item.shortVersion = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (isSparkle(xml, QLatin1String("releaseNotesLink"))) {
            item.releaseNotes = QUrl(xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed());
        } else if (xml.namespaceUri().isEmpty() && xml.name() == QLatin1String("title")) {
            item.title = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else if (xml.namespaceUri().isEmpty() && xml.name() == QLatin1String("description")) {
            item.description = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
        } else {
            xml.skipCurrentElement();
        }
    }
    return item;
}

// The run of leading digits of a component without its leading zeros, and the rest.
std::pair<QStringView, QStringView> splitComponent(QStringView component)
{
    qsizetype digits = 0;
    while (digits < component.size() && component.at(digits).isDigit()) {
        ++digits;
    }
    QStringView number = component.first(digits);
    while (!number.isEmpty() && number.front() == u'0') {
        number = number.sliced(1);
    }
    return {number, component.sliced(digits)};
}

std::strong_ordering compareComponents(QStringView left, QStringView right)
{
    const auto [leftNumber, leftRest] = splitComponent(left);
    const auto [rightNumber, rightRest] = splitComponent(right);
    // Digit runs of any length: a longer run is the larger number, equal lengths compare as text.
    if (const auto byLength = leftNumber.size() <=> rightNumber.size(); byLength != 0) {
        return byLength;
    }
    if (const int byDigits = leftNumber.compare(rightNumber); byDigits != 0) {
        return byDigits <=> 0;
    }
    return leftRest.compare(rightRest) <=> 0;
}

} // namespace

std::optional<QList<AppcastItem>> parse(const QByteArray& xml)
{
    QXmlStreamReader reader(xml);
    QList<AppcastItem> items;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.namespaceUri().isEmpty() &&
            reader.name() == QLatin1String("item")) {
            AppcastItem item = readItem(reader);
            if (!item.version.isEmpty()) {
                items.append(item);
            }
        }
    }
    if (reader.hasError()) {
        return std::nullopt;
    }
    return items;
}

std::optional<AppcastItem> newest(const QList<AppcastItem>& items)
{
    std::optional<AppcastItem> best;
    for (const AppcastItem& item : items) {
        if (!best || compareVersions(item.version, best->version) > 0) {
            best = item;
        }
    }
    return best;
}

std::strong_ordering compareVersions(const QString& left, const QString& right)
{
    const auto leftParts = QStringView(left).split(u'.');
    const auto rightParts = QStringView(right).split(u'.');
    const qsizetype count = std::max(leftParts.size(), rightParts.size());
    for (qsizetype i = 0; i < count; ++i) {
        const QStringView l = i < leftParts.size() ? leftParts.at(i) : QStringView();
        const QStringView r = i < rightParts.size() ? rightParts.at(i) : QStringView();
        if (const auto order = compareComponents(l, r); order != 0) {
            return order;
        }
    }
    return std::strong_ordering::equal;
}

} // namespace virel::Appcast
