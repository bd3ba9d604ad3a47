#pragma once

#include <QString>

namespace virel::fake {

class FakeServer;

// The update feed on a FakeServer: GET /appcast.xml is an RSS appcast with one release (inline notes,
// a release-notes page at /releases and a download link), GET /releases that page. The release is
// newer than any build of ours unless a test sets another version.
class FakeAppcast
{
public:
    explicit FakeAppcast(FakeServer& server);

    void setVersion(const QString& version, const QString& shortVersion);
    // Serves `xml` verbatim instead of the generated feed (empty: generated again).
    void setBody(const QByteArray& xml);

    static const QString path;

private:
    QByteArray feed() const;

    FakeServer& m_server;
    QString m_version = QStringLiteral("1.0.0");
    QString m_shortVersion = QStringLiteral("1.0");
    QByteArray m_body;
};

} // namespace virel::fake
