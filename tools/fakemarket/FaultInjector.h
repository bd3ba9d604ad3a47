#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>
#include <chrono>
#include <optional>

namespace virel::fake {

// How one answer goes wrong. Fields combine: a delayed 503, a truncated answer after 2 s, ...
struct Fault
{
    enum class Damage {
        none,
        truncate,  // the body cut to its first half (the length header matches the cut body)
        wrongType, // one JSON member sent with another JSON type (see wrongTypePath)
        huge,      // the body padded with white space to 10 MiB (still the same JSON)
    };

    std::optional<int> status; // answer this status instead of the route's own answer
    QByteArray body;           // the body of that status answer; empty: a short text
    std::chrono::milliseconds delay{0};
    Damage damage = Damage::none;
    // Dotted path of the member to retype, array positions as numbers ("chart.result.0.meta.currency").
    // Empty: the route's usual suspect (chart: regularMarketPrice, search: quotes), else the first member.
    QString wrongTypePath;
    bool hang = false;        // accept the request and never answer
    std::optional<int> count; // how many answers this applies to; empty: every answer until cleared

    static Fault withStatus(int status, QByteArray body = {});
    static Fault delayed(std::chrono::milliseconds delay);
    static Fault truncated();
    static Fault wrongType(QString path = {});
    static Fault huge();
    static Fault hanging();
    Fault times(int n) const;

    // `body` as this fault's damage leaves it; `defaultWrongTypePath` is the route's usual suspect.
    QByteArray applyTo(const QByteArray& body, const QString& defaultWrongTypePath) const;
};

// A fault for a path prefix, as written on the command line.
struct FaultSpec
{
    QString pathPrefix;
    Fault fault;

    // Parses "PATH=KIND[:VALUE],KIND[:VALUE]...", kinds status:N, body:TEXT (the rest of the text),
    // delay:MS, truncate, wrongtype[:PATH], huge, hang, count:N. Gives an error text on failure.
    static std::optional<FaultSpec> parse(const QString& faultText, QString* error = nullptr);
    static QString help();
};

// Faults waiting for the requests of a path prefix. The longest prefix that matches a request wins;
// each answer it shapes uses up one of its count.
class FaultInjector
{
public:
    // Replaces any fault already set for exactly this prefix.
    void add(const QString& pathPrefix, Fault fault);
    void clear(const QString& pathPrefix);
    void clearAll();
    bool isEmpty() const { return m_faults.isEmpty(); }

    // The fault for a request to `url`, using up one of its count. Prefixes match the path as sent
    // (percent-encoded) or decoded, so "/v8/finance/chart/^KS11" and ".../%5EKS11" both work.
    std::optional<Fault> take(const QUrl& url);

    static bool pathMatches(const QUrl& url, const QString& pathPrefix);

private:
    struct Entry
    {
        QString pathPrefix;
        Fault fault;
    };
    QList<Entry> m_faults;
};

} // namespace virel::fake
