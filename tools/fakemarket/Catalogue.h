#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace virel::fake {

// The exchange clock a security trades on.
enum class Market { krx, us, fx, crypto };

// One listing the fake market knows: what the search endpoint says about it, and what drives its
// simulated price and corporate actions.
struct Security
{
    QString symbol;
    QString shortName; // empty: the search hit has no shortname
    QString longName;  // empty: the search hit has no longname
    QString exchange;
    QString exchDisp;
    QString quoteType;
    QString typeDisp;
    QString currency;
    Market market = Market::us;
    double basePrice = 0;
    double dailyVolatility = 0.02; // typical relative move over one day
    int priceDecimals = 2;
    // Corporate actions: a dividend paid every quarter on `dividendDay` of the months
    // dividendFirstMonth, +3, +6, +9; a split `splitDaysAgo` days before the server's "now".
    double quarterlyDividend = 0;
    int dividendFirstMonth = 3;
    int dividendDay = 28;
    QString splitRatio; // "10:1"; empty: no split
    int splitDaysAgo = 0;
};

// One headline of the search endpoint's `news`. Its age is relative to the server's current time.
struct NewsStory
{
    QString uuid;
    QString title;
    QString publisher; // empty: sent without publisher
    QString link;      // empty: sent without link
    qint64 ageSeconds = 0;
    QStringList symbols;
};

// The built-in list of securities and headlines.
namespace Catalogue {

const QList<Security>& securities();
const QList<NewsStory>& news();

// The listing of `symbol` (case-insensitive), or nullptr when the market does not know it.
const Security* find(const QString& symbol);

// Listings whose symbol, short name or long name contains `query` (case-insensitive), an exact
// symbol match first, then in catalogue order.
QList<const Security*> search(const QString& query);

// Headlines about any of `symbols`, in catalogue order, each once.
QList<const NewsStory*> newsAbout(const QStringList& symbols);

} // namespace Catalogue
} // namespace virel::fake
