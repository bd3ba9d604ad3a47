#include "app/SingleInstance.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>

namespace virel {

namespace {

// A hand-over is a short list of switches; anything longer is not one of ours.
constexpr qint64 kMaxMessageBytes = 64 * 1024;
// A running instance that has just taken the lock may need a moment before it listens.
constexpr int kSendAttempts = 20;

// The user's private runtime directory, or the temporary directory where there is none.
QDir placeOf(const QString& directory)
{
    if (!directory.isEmpty()) {
        return QDir(directory);
    }
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return QDir(runtime.isEmpty() ? QDir::tempPath() : runtime);
}

} // namespace

SingleInstance::SingleInstance(QString name, QString directory, std::chrono::milliseconds retryPeriod,
                               QObject* parent)
    : QObject(parent), m_retryPeriod(retryPeriod),
      m_socketPath(placeOf(directory).filePath(name + QStringLiteral(".sock"))),
      m_lock(placeOf(directory).filePath(name + QStringLiteral(".lock")))
{
    // A lock is stale only when its owner is gone, never because it is old.
    m_lock.setStaleLockTime(0);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim()
{
    if (!m_lock.tryLock(0)) {
        return false;
    }
    // Whoever held the lock before is gone; its socket file would keep listen() from working.
    QLocalServer::removeServer(m_socketPath);
    return m_server.listen(m_socketPath);
}

void SingleInstance::setHandler(std::function<void(const QStringList&)> handler)
{
    m_handler = std::move(handler);
    for (const QStringList& arguments : std::exchange(m_waiting, {})) {
        deliver(arguments);
    }
}

void SingleInstance::deliver(const QStringList& arguments)
{
    if (m_handler) {
        m_handler(arguments);
    } else {
        m_waiting.append(arguments);
    }
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { read(socket); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        read(socket);
    }
}

void SingleInstance::read(QLocalSocket* socket)
{
    if (socket->bytesAvailable() > kMaxMessageBytes) {
        socket->abort();
        return;
    }
    if (!socket->canReadLine()) {
        return;
    }
    const QByteArray line = socket->readLine();
    socket->disconnectFromServer();
    if (const auto arguments = decode(line)) {
        deliver(*arguments);
    }
}

void SingleInstance::sendToRunning(const QStringList& arguments)
{
    tryToSend(encode(arguments), kSendAttempts);
}

void SingleInstance::tryToSend(const QByteArray& message, int attemptsLeft)
{
    auto* socket = new QLocalSocket(this);
    connect(socket, &QLocalSocket::connected, socket, [socket, message] {
        socket->setProperty("virelConnected", true);
        socket->write(message);
        socket->disconnectFromServer();
    });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] {
        socket->deleteLater();
        emit handedOver();
    });
    connect(socket, &QLocalSocket::errorOccurred, this, [this, socket, message, attemptsLeft] {
        if (socket->property("virelConnected").toBool()) {
            return; // a connection that was made ends in `disconnected`
        }
        socket->deleteLater();
        if (attemptsLeft <= 1) {
            emit handOverFailed();
            return;
        }
        QTimer::singleShot(m_retryPeriod, this,
                           [this, message, attemptsLeft] { tryToSend(message, attemptsLeft - 1); });
    });
    socket->connectToServer(m_socketPath);
}

QByteArray SingleInstance::encode(const QStringList& arguments)
{
    return QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<QStringList> SingleInstance::decode(const QByteArray& message)
{
    const QJsonDocument document = QJsonDocument::fromJson(message.trimmed());
    if (!document.isArray()) {
        return std::nullopt;
    }
    QStringList arguments;
    for (const QJsonValue& value : document.array()) {
        if (!value.isString()) {
            return std::nullopt;
        }
        arguments.append(value.toString());
    }
    return arguments;
}

} // namespace virel
