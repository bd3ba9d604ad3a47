#include "model/Decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace virel {

QString shortestDecimal(double value)
{
    if (std::isnan(value)) {
        return QStringLiteral("nan");
    }
    if (std::isinf(value)) {
        return value < 0 ? QStringLiteral("-inf") : QStringLiteral("inf");
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    std::string text(buffer, result.ptr);

    // Split "-d.ddde±XX" into sign, digits and decimal exponent.
    const bool negative = text.front() == '-';
    if (negative) {
        text.erase(0, 1);
    }
    const auto ePos = text.find('e');
    const int exponent = std::stoi(text.substr(ePos + 1));
    std::string digits = text.substr(0, ePos);
    digits.erase(std::remove(digits.begin(), digits.end(), '.'), digits.end());

    std::string out;
    if (exponent < -4 || exponent >= 16) {
        out = digits.substr(0, 1);
        if (digits.size() > 1) {
            out += '.' + digits.substr(1);
        }
        const int magnitude = std::abs(exponent);
        out += exponent < 0 ? "e-" : "e+";
        if (magnitude < 10) {
            out += '0';
        }
        out += std::to_string(magnitude);
    } else if (exponent < 0) {
        out = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    } else {
        const auto intDigits = static_cast<size_t>(exponent) + 1;
        if (digits.size() <= intDigits) {
            out = digits + std::string(intDigits - digits.size(), '0') + ".0";
        } else {
            out = digits.substr(0, intDigits) + '.' + digits.substr(intDigits);
        }
    }
    return QString::fromLatin1((negative ? "-" : "") + out);
}

} // namespace virel
