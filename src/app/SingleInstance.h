#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

class QLocalSocket;

namespace virel {

// One running application per user. The first launch takes a lock and listens on a local socket;
// a later launch sends its command-line switches there and leaves, so "virel --detail NVDA" acts on
// the running ticker. The socket and the lock live in the user's private runtime directory.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    // `name` is the socket's file name inside `directory` (the runtime directory by default).
    // A launch that finds the lock taken retries every `retryPeriod` while the running instance
    // is still starting to listen.
    explicit SingleInstance(QString name = QStringLiteral("virel"), QString directory = {},
                            std::chrono::milliseconds retryPeriod = std::chrono::milliseconds(100),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the running instance (and listens for later launches).
    bool claim();

    // Receives the switches of every later launch. Switches that arrived before a handler was set
    // are handed to it at once.
    void setHandler(std::function<void(const QStringList&)> handler);

    // Sends `arguments` to the running instance; `handedOver` or `handOverFailed` follows.
    void sendToRunning(const QStringList& arguments);

    QString socketPath() const { return m_socketPath; }

    // The wire form of one hand-over: a JSON array of strings, one line.
    static QByteArray encode(const QStringList& arguments);
    static std::optional<QStringList> decode(const QByteArray& message);

signals:
    void handedOver();
    void handOverFailed();

private:
    void acceptConnections();
    void read(QLocalSocket* socket);
    void deliver(const QStringList& arguments);
    void tryToSend(const QByteArray& message, int attemptsLeft);

    std::chrono::milliseconds m_retryPeriod;
    QString m_socketPath;
    QLockFile m_lock;
    QLocalServer m_server;
    std::function<void(const QStringList&)> m_handler;
    QList<QStringList> m_waiting;
};

} // namespace virel
