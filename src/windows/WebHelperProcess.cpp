#include "windows/WebHelperProcess.h"

#include "platform/BundledProgram.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <cstdio>

namespace virel {

namespace {
// After its input closes, how long the helper gets to write its profile and end before it is killed.
constexpr int kStopGraceMs = 5000;
// What the helper prints for a real error; the rest of its output (the engine's) is dropped.
constexpr QByteArrayView kErrorPrefix = "virel-web: ";
} // namespace

WebHelperProcess::WebHelperProcess(QString program, QObject* parent)
    : QObject(parent), m_program(std::move(program)), m_process(new QProcess(this))
{
    connect(m_process, &QProcess::readyReadStandardOutput, this, &WebHelperProcess::readOutput);
    connect(m_process, &QProcess::readyReadStandardError, this, &WebHelperProcess::readErrors);
    // Ending before it was asked to is an error worth a line; being asked to end is not.
    connect(m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        if (status == QProcess::CrashExit || code != 0) {
            std::fprintf(stderr, "virel: the web view (%s) ended unexpectedly: %s\n", qPrintable(m_program),
                         qPrintable(status == QProcess::CrashExit
                                        ? m_process->errorString()
                                        : QStringLiteral("exit code %1").arg(code)));
        }
        emit stopped();
    });
    connect(m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            std::fprintf(stderr, "virel: cannot start the web view: %s\n",
                         qPrintable(m_process->errorString()));
            emit stopped();
        }
    });
}

WebHelperProcess::~WebHelperProcess()
{
    // Closing its input asks the helper to end, which lets the engine write the profile.
    QProcess* process = m_process;
    if (process->state() == QProcess::NotRunning) {
        return;
    }
    process->disconnect(this);
    process->closeWriteChannel();
    if (QThread::currentThread()->loopLevel() == 0) {
        // The application is ending: nothing would be left to see the helper end.
        if (!process->waitForFinished(kStopGraceMs)) {
            process->kill();
            process->waitForFinished();
        }
        return;
    }
    // Otherwise the process outlives this object for a moment, and nobody waits for it.
    process->setParent(QCoreApplication::instance());
    connect(process, &QProcess::finished, process, &QObject::deleteLater);
    // Its output is no longer read; the pipes must not fill up while it ends.
    connect(process, &QProcess::readyReadStandardOutput, process,
            [process] { process->readAllStandardOutput(); });
    connect(process, &QProcess::readyReadStandardError, process,
            [process] { process->readAllStandardError(); });
    QTimer::singleShot(kStopGraceMs, process, &QProcess::kill);
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, process, [process] {
        if (!process->waitForFinished(kStopGraceMs)) {
            process->kill();
            process->waitForFinished();
        }
    });
}

QString WebHelperProcess::bundledProgram()
{
    return virel::bundledProgram(QStringLiteral("virel-web"));
}

void WebHelperProcess::start(const WebProtocol::Start& settings, QSize size)
{
    m_process->start(m_program, {});
    send(WebProtocol::Resize{size});
    send(settings);
}

void WebHelperProcess::resize(QSize size)
{
    send(WebProtocol::Resize{size});
}

void WebHelperProcess::load(const QUrl& url)
{
    if (m_loadedUrl == url) {
        return;
    }
    m_loadedUrl = url;
    send(WebProtocol::Load{url});
}

void WebHelperProcess::send(const WebProtocol::Message& message)
{
    if (m_process->state() != QProcess::NotRunning) {
        m_process->write(WebProtocol::encode(message));
    }
}

void WebHelperProcess::readOutput()
{
    while (m_process->canReadLine()) {
        const std::optional<WebProtocol::Message> message = WebProtocol::decode(m_process->readLine());
        if (!message) {
            continue;
        }
        if (const auto* window = std::get_if<WebProtocol::Window>(&*message)) {
            emit windowReady(window->id);
        } else if (const auto* done = std::get_if<WebProtocol::Loaded>(&*message)) {
            emit loaded(done->url, done->ok);
        } else if (const auto* open = std::get_if<WebProtocol::Open>(&*message)) {
            emit openRequested(open->url);
        }
    }
}

void WebHelperProcess::readErrors()
{
    m_process->setReadChannel(QProcess::StandardError);
    while (m_process->canReadLine()) {
        const QByteArray line = m_process->readLine();
        if (line.startsWith(kErrorPrefix)) {
            std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        }
    }
    m_process->setReadChannel(QProcess::StandardOutput);
}

} // namespace virel
