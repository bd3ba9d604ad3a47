#pragma once

#include "model/Quote.h"
#include "model/WatchItem.h"

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QList>
#include <QString>
#include <optional>

class QPainter;

namespace virel {

// One symbol on one line: its name, optionally its price, and its change. Without a quote only the
// placeholder shows, faded; a quote older than two minutes dims the name.
class QuoteChip
{
public:
    struct Run
    {
        QString text;
        QColor color;
        bool operator==(const Run&) const = default;
    };

    static constexpr double spacing = 4;

    QuoteChip(const std::optional<Quote>& quote, const QString& placeholder, bool showPrice,
              const QDateTime& now);
    // The chip of a list entry: the quote stored under its exact symbol, its name as placeholder.
    static QuoteChip forItem(const WatchItem& item, const QuoteMap& quotes, bool showPrice,
                             const QDateTime& now);
    static QList<QuoteChip> forItems(const QList<WatchItem>& items, const QuoteMap& quotes, bool showPrice,
                                     const QDateTime& now);

    static QFont font();
    const QList<Run>& runs() const { return m_runs; }
    double width() const { return m_width; }
    // The widths of the name as it can be cut: whole, then with its last 1, 2, … characters replaced
    // by "…", down to "…" alone.
    QList<double> nameForms() const;
    // The chip with the last `characters` of its name replaced by "…"; the price and the change are
    // never cut.
    QuoteChip withNameCut(int characters) const;
    // The chip with its name cut just enough that the whole chip is at most `width` wide, where the
    // name allows it.
    QuoteChip fittedTo(double width) const;
    // Draws the chip from `x`, vertically centred on `centreY`.
    void paint(QPainter& painter, double x, double centreY) const;

    bool operator==(const QuoteChip&) const = default;

private:
    QuoteChip() = default;
    void measure();

    QList<Run> m_runs;
    double m_width = 0;
};

} // namespace virel
