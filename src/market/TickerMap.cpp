#include "market/TickerMap.h"

#include "market/TextTrim.h"

#include <QRegularExpression>
#include <array>

namespace virel::TickerMap {

namespace {

// Matched against the whole text: a trailing line break must not sneak past the anchor.
QRegularExpression wholeText(const QString& pattern)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern));
}

struct Patterns
{
    QRegularExpression koreanCode = wholeText(QStringLiteral("[0-9]{6}[A-Z0-9]?"));
    QRegularExpression serverShareClass = wholeText(QStringLiteral("[A-Z]{1,6}\\.[A-Z]"));
    QRegularExpression yahooShareClass = wholeText(QStringLiteral("[A-Z]{1,6}-[A-Z]"));
    QRegularExpression webEligible = wholeText(QStringLiteral("[A-Z]{1,6}(-[A-Z])?"));
};

const Patterns& patterns()
{
    static const Patterns compiled;
    return compiled;
}

constexpr std::array<QStringView, 2> kKoreanSuffixes{u".KS", u".KQ"};

QString normalised(const QString& text)
{
    return trimSpacesAndTabs(text).toUpper();
}

bool matches(const QRegularExpression& pattern, const QString& text)
{
    return pattern.match(text).hasMatch();
}

// The listing code of a Korean Yahoo symbol ("005930.KS" → "005930"), if it is one.
std::optional<QString> koreanBase(const QString& symbol)
{
    for (const QStringView suffix : kKoreanSuffixes) {
        if (symbol.endsWith(suffix)) {
            const QString base = symbol.chopped(suffix.size());
            if (matches(patterns().koreanCode, base)) {
                return base;
            }
        }
    }
    return std::nullopt;
}

} // namespace

QString yahooSymbol(const QString& ticker, const QString& exchange)
{
    const QString t = normalised(ticker);
    if (matches(patterns().koreanCode, t)) {
        const bool kosdaq = exchange.toUpper().contains(u"KOSDAQ");
        return t + (kosdaq ? u".KQ" : u".KS");
    }
    if (matches(patterns().serverShareClass, t)) {
        return QString(t).replace(u'.', u'-');
    }
    return t;
}

QString serverTicker(const QString& yahooSymbol)
{
    const QString s = normalised(yahooSymbol);
    if (const auto base = koreanBase(s)) {
        return *base;
    }
    if (matches(patterns().yahooShareClass, s)) {
        return QString(s).replace(u'-', u'.');
    }
    return s;
}

std::optional<QString> webTicker(const QString& yahooSymbol)
{
    const QString s = normalised(yahooSymbol);
    if (s.startsWith(u'^') || s.contains(u'=')) {
        return std::nullopt;
    }
    for (const QStringView suffix : kKoreanSuffixes) {
        if (s.endsWith(suffix)) {
            const QString rest = s.chopped(suffix.size());
            return matches(patterns().koreanCode, rest) ? std::optional(rest) : std::nullopt;
        }
    }
    if (matches(patterns().webEligible, s)) {
        return serverTicker(s);
    }
    return std::nullopt;
}

} // namespace virel::TickerMap
