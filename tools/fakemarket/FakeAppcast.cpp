#include "fakemarket/FakeAppcast.h"

#include "fakemarket/FakeServer.h"

using namespace Qt::StringLiterals;

namespace virel::fake {

const QString FakeAppcast::path = u"/appcast.xml"_s;

FakeAppcast::FakeAppcast(FakeServer& server) : m_server(server)
{
    using Method = QHttpServerRequest::Method;
    server.addRoute(path, Method::Get, [this](const QHttpServerRequest&) {
        return QHttpServerResponse("application/rss+xml", m_body.isEmpty() ? feed() : m_body);
    });
    server.addRoute(u"/releases"_s, Method::Get, [this](const QHttpServerRequest&) {
        return QHttpServerResponse(
            "text/html; charset=utf-8",
            u"<!doctype html><meta charset=\"utf-8\"><title>Virel %1</title>"
            "<h1>Virel %1</h1><p>가짜 서버의 릴리스 노트입니다.</p>"_s.arg(m_shortVersion)
                .toUtf8());
    });
}

void FakeAppcast::setVersion(const QString& version, const QString& shortVersion)
{
    m_version = version;
    m_shortVersion = shortVersion;
}

void FakeAppcast::setBody(const QByteArray& xml)
{
    m_body = xml;
}

QByteArray FakeAppcast::feed() const
{
    const QString origin = m_server.origin().toString();
    return uR"(<?xml version="1.0" encoding="utf-8"?>
<rss version="2.0" xmlns:sparkle="http://www.andymatuschak.org/xml-namespaces/sparkle">
  <channel>
    <title>Virel</title>
    <item>
      <title>Virel %2</title>
      <sparkle:version>%1</sparkle:version>
      <sparkle:shortVersionString>%2</sparkle:shortVersionString>
      <sparkle:releaseNotesLink>%3/releases</sparkle:releaseNotesLink>
      <description><![CDATA[<h3>Virel %2</h3><ul><li>가격 알림을 더 빨리 확인합니다.</li><li>타임라인 창이 가벼워졌습니다.</li></ul>]]></description>
      <pubDate>Mon, 01 Jan 2024 09:00:00 +0000</pubDate>
      <enclosure url="%3/downloads/virel-%1.tar.gz" length="1024" type="application/octet-stream"/>
    </item>
  </channel>
</rss>
)"_s.arg(m_version, m_shortVersion, origin)
        .toUtf8();
}

} // namespace virel::fake
