#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QUrl>
#include <optional>
#include <variant>

// The lines the application and its web helper (virel-web) exchange over the helper's standard input
// and output. The helper owns the browser engine, so the always-on application never loads it.
namespace virel::WebProtocol {

// Application → helper, first: where the profile keeps its data, the user agent of every request,
// and the service whose pages stay in the view (links elsewhere go back as Open).
struct Start
{
    QString storagePath;
    QString cachePath;
    QString userAgent;
    QUrl service;
    bool operator==(const Start&) const = default;
};
// Application → helper: show this page.
struct Load
{
    QUrl url;
    bool operator==(const Load&) const = default;
};
// Application → helper: the size the view should have before it is embedded.
struct Resize
{
    QSize size;
    bool operator==(const Resize&) const = default;
};
// Helper → application: the native window to embed.
struct Window
{
    quint64 id = 0;
    bool operator==(const Window&) const = default;
};
// Helper → application: a page finished loading, or failed to.
struct Loaded
{
    QUrl url;
    bool ok = false;
    bool operator==(const Loaded&) const = default;
};
// Helper → application: the user followed a link off the service; open it in the browser.
struct Open
{
    QUrl url;
    bool operator==(const Open&) const = default;
};

using Message = std::variant<Start, Load, Resize, Window, Loaded, Open>;

// One line, ending in "\n": a verb and its fields, each field percent-encoded.
QByteArray encode(const Message& message);
// The message of one line (with or without its "\n"); none for anything malformed.
std::optional<Message> decode(const QByteArray& line);

} // namespace virel::WebProtocol
