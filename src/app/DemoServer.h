#pragma once

#include <QObject>
#include <QProcess>
#include <QTimer>
#include <QUrl>
#include <optional>

namespace virel {

// The local fake market behind "--demo": starts virel-fake-server on a free loopback port, learns its
// origin from the line it prints, and stops it again. Should this process die first, the server is
// told to stop by the kernel, so a demo never leaves a server behind.
class DemoServer : public QObject
{
    Q_OBJECT
public:
    explicit DemoServer(QString program, std::chrono::milliseconds startLimit = std::chrono::seconds(10),
                        QObject* parent = nullptr);

    // The fake server shipped with this executable.
    static QString bundledProgram();

    void start();
    // Ends the server; `stopped` follows (at once when it is not running). Call it before quitting:
    // a server still running when this object is destroyed is killed and waited for.
    void stop();

    // "virel-fake-server listening on http://127.0.0.1:PORT" → the origin.
    static std::optional<QUrl> originFromLine(const QByteArray& line);
    // Points the market, the service and the update feed of this process at `origin`.
    static void useOrigin(const QUrl& origin);

signals:
    void ready(const QUrl& origin);
    void failed(const QString& reason);
    void stopped();

private:
    void readOutput();
    void fail(const QString& reason);

    QString m_program;
    QProcess m_process;
    QTimer m_limit;
    bool m_settled = false; // ready or failed was reported
};

} // namespace virel
