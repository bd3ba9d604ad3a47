#pragma once

#include <QString>
#include <optional>

namespace virel::NumberInput {

// The whole text as one number in C notation (decimal point, optional sign and exponent). Anything
// else, white space around the number included, gives nothing; so does a value outside the range of
// a double.
std::optional<double> parse(const QString& text);

// The level of a price alert: grouping commas are dropped first ("70,000"). A level that is not a
// finite number is refused, since it could never be stored and read back.
std::optional<double> alertLevel(const QString& text);

// The length of a custom countdown in minutes: positive and finite, its seconds within 64 bits.
std::optional<double> timerMinutes(const QString& text);

} // namespace virel::NumberInput
