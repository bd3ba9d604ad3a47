#include "notch/QuoteChip.h"

#include "model/Formatters.h"
#include "notch/NotchPaint.h"
#include "windows/WindowStyle.h"

#include <QFontMetricsF>
#include <algorithm>

namespace virel {

QuoteChip::QuoteChip(const std::optional<Quote>& quote, const QString& placeholder, bool showPrice,
                     const QDateTime& now)
{
    if (!quote) {
        m_runs.append({placeholder, NotchPaint::white(0.35)});
    } else {
        m_runs.append({quote->displayName, NotchPaint::white(quote->isFresh(now) ? 0.9 : 0.4)});
        if (showPrice) {
            m_runs.append({formatPrice(*quote), NotchPaint::white(0.7)});
        }
        m_runs.append({formatChange(*quote), WindowStyle::changeColor(quote->direction())});
    }
    measure();
}

void QuoteChip::measure()
{
    const QFont face = font();
    m_width = spacing * static_cast<double>(m_runs.size() - 1);
    for (const Run& run : std::as_const(m_runs)) {
        m_width += NotchPaint::textWidth(face, run.text);
    }
}

QuoteChip QuoteChip::fittedTo(double width) const
{
    if (m_width <= width) {
        return *this;
    }
    QuoteChip fitted;
    fitted.m_runs = m_runs;
    Run& name = fitted.m_runs.first();
    const double nameWidth = NotchPaint::textWidth(font(), name.text);
    name.text = QFontMetricsF(font()).elidedText(name.text, Qt::ElideRight,
                                                 std::max(nameWidth - (m_width - width), 0.0));
    if (name.text.isEmpty()) {
        name.text = QStringLiteral("…");
    }
    fitted.measure();
    return fitted;
}

QuoteChip QuoteChip::forItem(const WatchItem& item, const QuoteMap& quotes, bool showPrice,
                             const QDateTime& now)
{
    const auto found = quotes.constFind(item.symbol);
    return QuoteChip(found == quotes.cend() ? std::nullopt : std::optional(*found), item.name, showPrice,
                     now);
}

QList<QuoteChip> QuoteChip::forItems(const QList<WatchItem>& items, const QuoteMap& quotes, bool showPrice,
                                     const QDateTime& now)
{
    QList<QuoteChip> chips;
    chips.reserve(items.size());
    for (const WatchItem& item : items) {
        chips.append(forItem(item, quotes, showPrice, now));
    }
    return chips;
}

QFont QuoteChip::font()
{
    return NotchPaint::font(11);
}

void QuoteChip::paint(QPainter& painter, double x, double centreY) const
{
    const QFont face = font();
    for (const Run& run : m_runs) {
        x = NotchPaint::drawText(painter, face, run.color, x, centreY, run.text) + spacing;
    }
}

} // namespace virel
