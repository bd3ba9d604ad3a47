#include "fakemarket/MarketSimulator.h"

#include <QTime>
#include <algorithm>
#include <array>
#include <cmath>

namespace virel::fake::MarketSimulator {
namespace {

constexpr qint64 secondsPerDay = 86'400;

quint64 mix(quint64 x)
{
    // splitmix64 finaliser: a cheap, well-spread hash.
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

quint64 seedOf(const QString& symbol)
{
    quint64 h = 1469598103934665603ULL; // FNV-1a
    for (const QChar c : symbol) {
        h ^= c.unicode();
        h *= 1099511628211ULL;
    }
    return h;
}

// A value in [-1, 1] that depends only on its three keys.
double unit(quint64 seed, quint64 layer, qint64 k)
{
    const quint64 h = mix(seed ^ mix(layer * 0x632be59bd9b4e019ULL ^ static_cast<quint64>(k)));
    return static_cast<double>(h >> 11) / static_cast<double>(1ULL << 52) - 1.0;
}

// Which window of `scale` seconds `t` falls into (rounding down, also before 1970).
qint64 windowOf(qint64 t, qint64 scale)
{
    return t >= 0 ? t / scale : (t - scale + 1) / scale;
}

// Smoothly interpolated random values on a lattice of `scale` seconds.
double valueNoise(quint64 seed, quint64 layer, qint64 t, qint64 scale)
{
    const qint64 k = windowOf(t, scale);
    const double f = static_cast<double>(t - k * scale) / static_cast<double>(scale);
    const double s = f * f * (3.0 - 2.0 * f);
    const double a = unit(seed, layer, k);
    const double b = unit(seed, layer, k + 1);
    return a + (b - a) * s;
}

struct Layer
{
    qint64 scale;
    double weight; // amplitude as a multiple of the daily volatility
};

// From poll-to-poll jitter to yearly trends; the jitter layer is sized apart (see jitterAmplitude).
constexpr std::array<Layer, 6> layers{{{300, 0.15},
                                       {3'600, 0.35},
                                       {secondsPerDay, 1.0},
                                       {7 * secondsPerDay, 1.5},
                                       {60 * secondsPerDay, 3.0},
                                       {365 * secondsPerDay, 5.0}}};
constexpr qint64 jitterScale = 20;

// Large enough that every security visibly moves between two polls twenty seconds apart: at least
// 0.1 %, more than the slower layers move in twenty seconds, and one and a half of the last digit a
// price is shown with (none from 1000 up, else two).
double jitterAmplitude(const Security& security)
{
    const double shownStep = security.basePrice >= 1000 ? 1.0 : 0.01;
    return std::max({0.001, 0.06 * security.dailyVolatility, 1.5 * shownStep / security.basePrice});
}

// Constant over each twenty-second window, alternating in sign: two polls twenty seconds apart fall
// into neighbouring windows and so always differ by more than the amplitude.
double jitter(quint64 seed, qint64 t)
{
    const qint64 k = windowOf(t, jitterScale);
    const double magnitude = 0.8 + 0.2 * unit(seed, 0, k);
    return (k & 1) ? -magnitude : magnitude;
}

double rounded(double value, int decimals)
{
    const double factor = std::pow(10.0, decimals);
    return std::round(value * factor) / factor;
}

// Traded value per day in the security's currency; shares traded follow from the price.
double dailyTurnover(const Security& security)
{
    if (security.quoteType == u"CURRENCY")
        return 0;
    return security.currency == u"KRW" ? 5e11 : 2e10;
}

qint64 at(QDate date, QTime time, const QTimeZone& zone)
{
    return QDateTime(date, time, zone).toSecsSinceEpoch();
}

} // namespace

QTimeZone timeZone(Market market)
{
    switch (market) {
    case Market::krx:
        return QTimeZone("Asia/Seoul");
    case Market::us:
        return QTimeZone("America/New_York");
    case Market::fx:
        return QTimeZone("Europe/London");
    case Market::crypto:
        break;
    }
    return QTimeZone::utc();
}

bool isTradingDate(Market market, QDate date)
{
    return market == Market::crypto || date.dayOfWeek() <= 5;
}

TradingDay tradingDay(Market market, QDate date)
{
    const QTimeZone zone = timeZone(market);
    const auto t = [&](int h, int m) { return at(date, QTime(h, m), zone); };
    switch (market) {
    case Market::krx:
        return {date, {t(8, 0), t(9, 0)}, {t(9, 0), t(15, 30)}, {t(15, 30), t(18, 0)}};
    case Market::us:
        return {date, {t(4, 0), t(9, 30)}, {t(9, 30), t(16, 0)}, {t(16, 0), t(20, 0)}};
    case Market::fx:
    case Market::crypto:
        break;
    }
    // Around the clock: empty pre and post sessions at the edges of the day.
    const qint64 start = t(0, 0);
    const qint64 end = at(date.addDays(1), QTime(0, 0), zone);
    return {date, {start, start}, {start, end}, {end, end}};
}

QDate previousTradingDate(Market market, QDate date)
{
    QDate d = date.addDays(-1);
    while (!isTradingDate(market, d))
        d = d.addDays(-1);
    return d;
}

TradingDay currentTradingDay(Market market, const QDateTime& now)
{
    const QDate today = now.toTimeZone(timeZone(market)).date();
    return tradingDay(market, isTradingDate(market, today) ? today : previousTradingDate(market, today));
}

QDate lastSessionDate(Market market, const QDateTime& now)
{
    const TradingDay current = currentTradingDay(market, now);
    if (current.regular.start <= now.toSecsSinceEpoch())
        return current.date;
    return previousTradingDate(market, current.date);
}

double price(const Security& security, qint64 unixSeconds)
{
    const quint64 seed = seedOf(security.symbol);
    double logMove = jitterAmplitude(security) * jitter(seed, unixSeconds);
    for (std::size_t i = 0; i < layers.size(); ++i)
        logMove += security.dailyVolatility * layers[i].weight *
                   valueNoise(seed, i + 1, unixSeconds, layers[i].scale);
    return rounded(security.basePrice * std::exp(logMove), security.priceDecimals);
}

Bar bar(const Security& security, qint64 start, qint64 end, qint64 now)
{
    const qint64 last = std::max(start, std::min(end, now));
    Bar b;
    b.start = start;
    b.open = price(security, start);
    b.close = price(security, last);
    double high = std::max(*b.open, *b.close);
    double low = std::min(*b.open, *b.close);
    constexpr int samples = 4;
    for (int i = 1; i < samples; ++i) {
        const double p = price(security, start + (last - start) * i / samples);
        high = std::max(high, p);
        low = std::min(low, p);
    }
    b.high = high;
    b.low = low;
    const double share = static_cast<double>(last - start) / (6.5 * 3600.0);
    const double jitter = 0.75 + 0.5 * unit(seedOf(security.symbol), 99, start);
    b.volume = std::round(dailyTurnover(security) / security.basePrice * share * jitter);
    return b;
}

} // namespace virel::fake::MarketSimulator
