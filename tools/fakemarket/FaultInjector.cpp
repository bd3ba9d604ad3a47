#include "fakemarket/FaultInjector.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace virel::fake {
namespace {

const QStringList kinds{u"status"_s,    u"body"_s, u"delay"_s, u"truncate"_s,
                        u"wrongtype"_s, u"huge"_s, u"hang"_s,  u"count"_s};

bool startsWithKind(QStringView text)
{
    return std::any_of(kinds.begin(), kinds.end(), [&](const QString& kind) {
        return text.startsWith(kind) &&
               (text.size() == kind.size() || text[kind.size()] == u':' || text[kind.size()] == u',');
    });
}

std::optional<int> positive(const QString& text, bool allowZero)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < (allowZero ? 0 : 1))
        return std::nullopt;
    return value;
}

// Applies one "kind[:value]" item to `fault`; false when the item makes no sense.
bool apply(Fault& fault, const QString& kind, const QString& value, bool hasValue)
{
    if (kind == u"status") {
        const auto status = positive(value, false);
        fault.status = status;
        return status && *status >= 100 && *status <= 599;
    }
    if (kind == u"delay") {
        const auto ms = positive(value, true);
        fault.delay = std::chrono::milliseconds(ms.value_or(0));
        return ms.has_value();
    }
    if (kind == u"count") {
        fault.count = positive(value, false);
        return fault.count.has_value();
    }
    if (kind == u"wrongtype") {
        fault.damage = Fault::Damage::wrongType;
        fault.wrongTypePath = value;
        return true;
    }
    if (hasValue)
        return false;
    if (kind == u"truncate")
        fault.damage = Fault::Damage::truncate;
    else if (kind == u"huge")
        fault.damage = Fault::Damage::huge;
    else if (kind == u"hang")
        fault.hang = true;
    else
        return false;
    return true;
}

// The same content under another JSON type.
QJsonValue retyped(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', 17);
    case QJsonValue::String:
        return 1;
    case QJsonValue::Bool:
        return value.toBool() ? u"true"_s : u"false"_s;
    case QJsonValue::Array: {
        QJsonObject object;
        const QJsonArray array = value.toArray();
        for (qsizetype i = 0; i < array.size(); ++i)
            object.insert(QString::number(i), array[i]);
        return object;
    }
    case QJsonValue::Object: {
        QJsonArray array;
        for (const QJsonValue& v : value.toObject())
            array.append(v);
        return array;
    }
    case QJsonValue::Null:
    case QJsonValue::Undefined:
        break;
    }
    return u"null"_s;
}

// `node` with the member at `path` retyped; nothing when the path leads nowhere.
std::optional<QJsonValue> retypedAt(const QJsonValue& node, QStringView path)
{
    if (path.isEmpty())
        return retyped(node);
    const qsizetype dot = path.indexOf(u'.');
    const QString key = (dot < 0 ? path : path.left(dot)).toString();
    const QStringView rest = dot < 0 ? QStringView() : path.mid(dot + 1);
    if (node.isObject()) {
        QJsonObject object = node.toObject();
        if (!object.contains(key))
            return std::nullopt;
        const auto inner = retypedAt(object.value(key), rest);
        if (!inner)
            return std::nullopt;
        object.insert(key, *inner);
        return object;
    }
    bool isIndex = false;
    const int index = key.toInt(&isIndex);
    if (!node.isArray() || !isIndex || index < 0 || index >= node.toArray().size())
        return std::nullopt;
    QJsonArray array = node.toArray();
    const auto inner = retypedAt(array.at(index), rest);
    if (!inner)
        return std::nullopt;
    array.replace(index, *inner);
    return array;
}

QByteArray wrongTyped(const QByteArray& body, const QString& path)
{
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (doc.isNull())
        return body;
    const QJsonValue root = doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(doc.array());
    std::optional<QJsonValue> changed = path.isEmpty() ? std::nullopt : retypedAt(root, path);
    if (!changed && doc.isObject() && !doc.object().isEmpty())
        changed = retypedAt(root, doc.object().begin().key());
    if (!changed)
        changed = retyped(root);
    return changed->isObject() ? QJsonDocument(changed->toObject()).toJson(QJsonDocument::Compact)
                               : QJsonDocument(changed->toArray()).toJson(QJsonDocument::Compact);
}

QString decodedPath(const QUrl& url)
{
    return url.path(QUrl::FullyDecoded);
}

} // namespace

Fault Fault::withStatus(int status, QByteArray body)
{
    Fault f;
    f.status = status;
    f.body = std::move(body);
    return f;
}

Fault Fault::delayed(std::chrono::milliseconds delay)
{
    Fault f;
    f.delay = delay;
    return f;
}

Fault Fault::truncated()
{
    Fault f;
    f.damage = Damage::truncate;
    return f;
}

Fault Fault::wrongType(QString path)
{
    Fault f;
    f.damage = Damage::wrongType;
    f.wrongTypePath = std::move(path);
    return f;
}

Fault Fault::huge()
{
    Fault f;
    f.damage = Damage::huge;
    return f;
}

Fault Fault::hanging()
{
    Fault f;
    f.hang = true;
    return f;
}

Fault Fault::times(int n) const
{
    Fault f = *this;
    f.count = n;
    return f;
}

std::optional<FaultSpec> FaultSpec::parse(const QString& faultText, QString* error)
{
    const auto fail = [&](const QString& why) -> std::optional<FaultSpec> {
        if (error)
            *error = u"bad fault \"%1\": %2"_s.arg(faultText, why);
        return std::nullopt;
    };
    // The path itself may hold "=" (KRW=X): split at the first "=" that a fault kind follows.
    qsizetype split = -1;
    for (qsizetype i = faultText.indexOf(u'='); i >= 0; i = faultText.indexOf(u'=', i + 1)) {
        if (startsWithKind(QStringView(faultText).mid(i + 1))) {
            split = i;
            break;
        }
    }
    if (split <= 0 || !faultText.startsWith(u'/'))
        return fail(u"expected /PATH=KIND[:VALUE][,KIND[:VALUE]...]"_s);

    FaultSpec parsed{faultText.left(split), Fault{}};
    QString rest = faultText.mid(split + 1);
    while (!rest.isEmpty()) {
        if (rest.startsWith(u"body:")) {
            parsed.fault.body = rest.mid(5).toUtf8();
            break;
        }
        const qsizetype comma = rest.indexOf(u',');
        const QString item = comma < 0 ? rest : rest.left(comma);
        rest = comma < 0 ? QString() : rest.mid(comma + 1);
        const qsizetype colon = item.indexOf(u':');
        const QString kind = colon < 0 ? item : item.left(colon);
        const QString value = colon < 0 ? QString() : item.mid(colon + 1);
        if (!apply(parsed.fault, kind, value, colon >= 0))
            return fail(u"cannot use \"%1\""_s.arg(item));
    }
    if (!parsed.fault.body.isEmpty() && !parsed.fault.status)
        return fail(u"body needs a status"_s);
    return parsed;
}

QString FaultSpec::help()
{
    return u"FAULT: /PATH-PREFIX=KIND[,KIND...] where KIND is one of\n"
           u"  status:N       answer HTTP status N instead (e.g. 500, 429, 404)\n"
           u"  body:TEXT      body of that status answer; takes the rest of the FAULT text\n"
           u"  delay:MS       answer after MS milliseconds\n"
           u"  truncate       send only the first half of the body\n"
           u"  wrongtype[:P]  send one JSON member with another type (P: dotted path such as\n"
           u"                 chart.result.0.meta.currency; default: regularMarketPrice for\n"
           u"                 the chart, quotes for the search)\n"
           u"  huge           pad the body with spaces to 10 MiB\n"
           u"  hang           accept the request and never answer\n"
           u"  count:N        only the next N answers (default: every answer)\n"
           u"Examples:\n"
           u"  --fault \"/v8/finance/chart/NVDA=status:500,count:3\"\n"
           u"  --fault \"/v1/finance/search=delay:3000\"\n"
           u"  --fault \"/v8/finance/chart/KRW=X=status:429,body:Too Many Requests\"\n"
           u"  --fault \"/v8/finance/chart=wrongtype,count:1\"\n"
           u"  --fault \"/api/mac/watchlist=status:503,count:2\""_s;
}

QByteArray Fault::applyTo(const QByteArray& body, const QString& defaultWrongTypePath) const
{
    constexpr qsizetype hugeSize = 10 * 1024 * 1024;
    switch (damage) {
    case Damage::none:
        break;
    case Damage::truncate:
        return body.left(body.size() / 2);
    case Damage::wrongType:
        return wrongTyped(body, wrongTypePath.isEmpty() ? defaultWrongTypePath : wrongTypePath);
    case Damage::huge:
        return body + QByteArray(std::max<qsizetype>(0, hugeSize - body.size()), ' ');
    }
    return body;
}

void FaultInjector::add(const QString& pathPrefix, Fault fault)
{
    clear(pathPrefix);
    m_faults.append({pathPrefix, std::move(fault)});
}

void FaultInjector::clear(const QString& pathPrefix)
{
    m_faults.removeIf([&](const Entry& e) { return e.pathPrefix == pathPrefix; });
}

void FaultInjector::clearAll()
{
    m_faults.clear();
}

bool FaultInjector::pathMatches(const QUrl& url, const QString& pathPrefix)
{
    return url.path(QUrl::FullyEncoded).startsWith(pathPrefix) || decodedPath(url).startsWith(pathPrefix);
}

std::optional<Fault> FaultInjector::take(const QUrl& url)
{
    Entry* best = nullptr;
    for (Entry& e : m_faults) {
        if (pathMatches(url, e.pathPrefix) && (!best || e.pathPrefix.size() > best->pathPrefix.size()))
            best = &e;
    }
    if (!best)
        return std::nullopt;
    Fault fault = best->fault;
    if (best->fault.count && --*best->fault.count <= 0)
        clear(best->pathPrefix);
    return fault;
}

} // namespace virel::fake
