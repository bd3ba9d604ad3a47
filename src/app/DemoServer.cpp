#include "app/DemoServer.h"

#include "platform/BundledProgram.h"
#include "platform/Origins.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <csignal>
#include <sys/prctl.h>

namespace virel {

namespace {
// After a polite request to stop, how long the server gets before it is killed.
constexpr int kStopGraceMs = 3000;
} // namespace

DemoServer::DemoServer(QString program, std::chrono::milliseconds startLimit, QObject* parent)
    : QObject(parent), m_program(std::move(program))
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_limit.setSingleShot(true);
    m_limit.setInterval(startLimit);
    connect(&m_limit, &QTimer::timeout, this, [this] {
        if (!m_settled) {
            fail(QStringLiteral("the fake server did not report its address in time"));
        }
    });
    connect(&m_process, &QProcess::readyReadStandardOutput, this, &DemoServer::readOutput);
    connect(&m_process, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            fail(QStringLiteral("cannot start ") + m_program);
        }
    });
    connect(&m_process, &QProcess::finished, this, [this] {
        m_limit.stop();
        if (!m_settled) {
            fail(QStringLiteral("the fake server stopped before it was ready"));
        }
        emit stopped();
    });
}

QString DemoServer::bundledProgram()
{
    return virel::bundledProgram(QStringLiteral("virel-fake-server"));
}

void DemoServer::start()
{
    m_limit.start();
    m_process.start(m_program, {QStringLiteral("--port"), QStringLiteral("0")});
}

void DemoServer::stop()
{
    if (m_process.state() == QProcess::NotRunning) {
        emit stopped();
        return;
    }
    m_process.terminate();
    QTimer::singleShot(kStopGraceMs, this, [this] { m_process.kill(); });
}

void DemoServer::readOutput()
{
    while (m_process.canReadLine()) {
        const QByteArray line = m_process.readLine();
        if (m_settled) {
            continue;
        }
        if (const auto origin = originFromLine(line)) {
            m_settled = true;
            m_limit.stop();
            emit ready(*origin);
        }
    }
}

void DemoServer::fail(const QString& reason)
{
    m_limit.stop();
    m_settled = true;
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
    }
    emit failed(reason);
}

std::optional<QUrl> DemoServer::originFromLine(const QByteArray& line)
{
    static const QRegularExpression pattern(QStringLiteral("^virel-fake-server listening on (\\S+)\\s*$"));
    const auto match = pattern.match(QString::fromUtf8(line));
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const auto origin = Origins::accept(match.captured(1));
    if (!origin || !Origins::isLoopback(*origin)) {
        return std::nullopt;
    }
    return origin;
}

void DemoServer::useOrigin(const QUrl& origin)
{
    const QByteArray text = origin.toString(QUrl::StripTrailingSlash).toUtf8();
    qputenv("VIREL_YAHOO_ORIGIN", text);
    qputenv("VIREL_SERVICE_ORIGIN", text);
    qputenv("VIREL_APPCAST_URL", text + "/appcast.xml");
}

} // namespace virel
