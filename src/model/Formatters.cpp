#include "model/Formatters.h"

#include <charconv>
#include <cmath>
#include <string>

namespace virel {

namespace {

// Rounds the shortest decimal form of `value` (non-negative, finite) half to even at `places`
// fraction digits; returns the integer digits and the fraction digits without trailing zeros.
std::pair<std::string, std::string> roundHalfEven(double value, int places)
{
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    std::string text(buffer, result.ptr);
    const auto dot = text.find('.');
    std::string whole = dot == std::string::npos ? text : text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);

    if (static_cast<int>(fraction.size()) > places) {
        const char next = fraction[static_cast<size_t>(places)];
        const bool beyondHalf = fraction.find_first_not_of('0', static_cast<size_t>(places) + 1) != std::string::npos;
        std::string kept = whole + fraction.substr(0, static_cast<size_t>(places));
        const char last = kept.back();
        const bool roundUp = next > '5' || (next == '5' && (beyondHalf || (last - '0') % 2 == 1));
        if (roundUp) {
            int i = static_cast<int>(kept.size()) - 1;
            while (i >= 0 && kept[static_cast<size_t>(i)] == '9') {
                kept[static_cast<size_t>(i--)] = '0';
            }
            if (i < 0) {
                kept.insert(kept.begin(), '1');
            } else {
                ++kept[static_cast<size_t>(i)];
            }
        }
        whole = kept.substr(0, kept.size() - static_cast<size_t>(places));
        fraction = kept.substr(kept.size() - static_cast<size_t>(places));
    }
    while (!fraction.empty() && fraction.back() == '0') {
        fraction.pop_back();
    }
    return {whole, fraction};
}

QString groupedInteger(const std::string& digits, const QLocale& locale)
{
    bool ok = false;
    const qulonglong number = QString::fromLatin1(digits).toULongLong(&ok);
    if (ok) {
        return locale.toString(number);
    }
    return QString::fromLatin1(digits); // beyond 64 bits: ungrouped digits rather than nothing
}

} // namespace

QString formatPrice(double price, const QLocale& locale)
{
    if (!std::isfinite(price)) {
        return QStringLiteral("-");
    }
    const int places = std::fabs(price) >= 1000 ? 0 : 2;
    const auto [whole, fraction] = roundHalfEven(std::fabs(price), places);
    QString text = groupedInteger(whole, locale);
    if (!fraction.empty()) {
        text += locale.decimalPoint() + QString::fromLatin1(fraction);
    }
    const bool isZero = whole.find_first_not_of('0') == std::string::npos && fraction.empty();
    if (price < 0 && !isZero) {
        text.prepend(locale.negativeSign());
    }
    return text;
}

QString formatPrice(const Quote& quote, const QLocale& locale)
{
    return formatPrice(quote.price, locale);
}

QString formatChange(const Quote& quote)
{
    return quote.changeMark() + QString::asprintf("%.2f", std::fabs(quote.changePercent())) +
           QStringLiteral("%");
}

} // namespace virel
