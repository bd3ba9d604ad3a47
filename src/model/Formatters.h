#pragma once

#include "model/Quote.h"

#include <QLocale>
#include <QString>

namespace virel {

// The only way any surface writes a price: grouped in the user's locale, no fraction digits from
// 1000 up, else at most two, trailing zeros dropped, rounded half to even. "-" when not finite.
QString formatPrice(const Quote& quote, const QLocale& locale = QLocale());
QString formatPrice(double price, const QLocale& locale = QLocale());

// The change mark, the absolute change percent with two decimals, then "%": ▲1.23%, ▼0.40%, ·0.00%.
QString formatChange(const Quote& quote);

} // namespace virel
