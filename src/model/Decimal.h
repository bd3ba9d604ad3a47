#pragma once

#include <QString>

namespace virel {

// The shortest decimal text that reads back as the same number, always with a fractional part or an
// exponent: 70000 → "70000.0", 187.5 → "187.5", 1e16 → "1e+16", 0.00001 → "1e-05".
QString shortestDecimal(double value);

} // namespace virel
