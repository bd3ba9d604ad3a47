#include "app/NumberInput.h"

#include <charconv>
#include <cmath>

namespace virel::NumberInput {

std::optional<double> parse(const QString& text)
{
    // from_chars is independent of the process locale, which QCoreApplication sets from the user's.
    const QByteArray bytes = text.toUtf8();
    const char* first = bytes.constData();
    const char* const last = first + bytes.size();
    // from_chars takes no explicit plus sign; one is allowed, but not before another sign.
    if (first != last && *first == '+') {
        ++first;
        if (first != last && (*first == '-' || *first == '+')) {
            return std::nullopt;
        }
    }
    if (first == last) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> alertLevel(const QString& text)
{
    QString digits = text;
    digits.remove(u',');
    const auto value = parse(digits);
    if (!value || !std::isfinite(*value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> timerMinutes(const QString& text)
{
    // 2^63 seconds, as minutes: the largest count of seconds a countdown can hold.
    constexpr double maxMinutes = 9223372036854775808.0 / 60.0;
    const auto value = parse(text);
    if (!value || !std::isfinite(*value) || *value <= 0 || *value >= maxMinutes) {
        return std::nullopt;
    }
    return value;
}

} // namespace virel::NumberInput
