#include "notch/QuoteChip.h"

#include "model/Formatters.h"
#include "model/NotchLayout.h"
#include "notch/NotchPaint.h"
#include "windows/WindowStyle.h"

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

namespace {

QString cutName(const QString& name, qsizetype characters)
{
    return characters == 0 ? name : name.left(name.size() - characters).trimmed() + u'…';
}

} // namespace

QList<double> QuoteChip::nameForms() const
{
    const QString& name = m_runs.first().text;
    QList<double> forms;
    for (qsizetype cut = 0; cut <= name.size(); ++cut) {
        forms.append(NotchPaint::textWidth(font(), cutName(name, cut)));
    }
    return forms;
}

QuoteChip QuoteChip::withNameCut(int characters) const
{
    if (characters == 0) {
        return *this;
    }
    QuoteChip cut;
    cut.m_runs = m_runs;
    cut.m_runs.first().text = cutName(m_runs.first().text, characters);
    cut.measure();
    return cut;
}

QuoteChip QuoteChip::fittedTo(double width) const
{
    if (m_width <= width) {
        return *this;
    }
    return withNameCut(NotchLayout::nameCuts({nameForms()}, m_width - width).constFirst());
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
