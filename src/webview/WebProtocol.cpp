#include "webview/WebProtocol.h"

#include <QList>

namespace virel::WebProtocol {

namespace {

template <class... Ts> struct Overloaded : Ts...
{
    using Ts::operator()...;
};
// Clang 14 (the fuzz build) does not deduce an aggregate's arguments by itself.
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

QByteArray line(const QByteArray& verb, const QList<QByteArray>& fields)
{
    QByteArray out = verb;
    for (const QByteArray& field : fields) {
        out += ' ' + field.toPercentEncoding();
    }
    return out + '\n';
}

QByteArray text(const QString& value)
{
    return value.toUtf8();
}

QByteArray address(const QUrl& url)
{
    return url.toEncoded();
}

std::optional<QUrl> readAddress(const QByteArray& field)
{
    const QUrl url = QUrl::fromEncoded(field, QUrl::StrictMode);
    return url.isValid() && !url.isRelative() ? std::optional(url) : std::nullopt;
}

std::optional<qulonglong> readNumber(const QByteArray& field)
{
    bool ok = false;
    const qulonglong value = field.toULongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

} // namespace

QByteArray encode(const Message& message)
{
    return std::visit(Overloaded{
                          [](const Start& m) {
                              return line("start", {text(m.storagePath), text(m.cachePath), text(m.userAgent),
                                                    address(m.service)});
                          },
                          [](const Load& m) { return line("load", {address(m.url)}); },
                          [](const Resize& m) {
                              return line("size", {QByteArray::number(m.size.width()),
                                                   QByteArray::number(m.size.height())});
                          },
                          [](const Window& m) { return line("window", {QByteArray::number(m.id)}); },
                          [](const Loaded& m) { return line(m.ok ? "loaded" : "failed", {address(m.url)}); },
                          [](const Open& m) { return line("open", {address(m.url)}); },
                      },
                      message);
}

std::optional<Message> decode(const QByteArray& line)
{
    QList<QByteArray> fields = line.trimmed().split(' ');
    const QByteArray verb = fields.takeFirst();
    for (QByteArray& field : fields) {
        field = QByteArray::fromPercentEncoding(field);
    }
    const auto count = fields.size();
    if (verb == "start" && count == 4) {
        const auto service = readAddress(fields[3]);
        if (service && !fields[0].isEmpty()) {
            return Start{QString::fromUtf8(fields[0]), QString::fromUtf8(fields[1]),
                         QString::fromUtf8(fields[2]), *service};
        }
    } else if ((verb == "load" || verb == "loaded" || verb == "failed" || verb == "open") && count == 1) {
        if (const auto url = readAddress(fields[0])) {
            if (verb == "load") {
                return Load{*url};
            }
            if (verb == "open") {
                return Open{*url};
            }
            return Loaded{*url, verb == "loaded"};
        }
    } else if (verb == "size" && count == 2) {
        const auto width = readNumber(fields[0]);
        const auto height = readNumber(fields[1]);
        if (width && height && *width <= 1 << 15 && *height <= 1 << 15) {
            return Resize{QSize(int(*width), int(*height))};
        }
    } else if (verb == "window" && count == 1) {
        if (const auto id = readNumber(fields[0]); id && *id != 0) {
            return Window{*id};
        }
    }
    return std::nullopt;
}

} // namespace virel::WebProtocol
