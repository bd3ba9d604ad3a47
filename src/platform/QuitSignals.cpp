#include "platform/QuitSignals.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace virel {

namespace {

constexpr std::array kQuitSignals{SIGTERM, SIGINT, SIGHUP};
int pipeEnds[2] = {-1, -1};

// Async-signal-safe: one write to a non-blocking pipe, errno left as it was.
void onSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const auto written = ::write(pipeEnds[1], &byte, 1);
    errno = saved;
}

void setDisposition(void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kQuitSignals) {
        ::sigaction(number, &action, nullptr);
    }
}

} // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent)
{
    // Close-on-exec: programs started from here (the demo server, a browser) keep their defaults.
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &QuitSignals::drain);
    setDisposition(onSignal);
}

QuitSignals::~QuitSignals()
{
    if (!m_notifier) {
        return;
    }
    setDisposition(SIG_DFL);
    delete m_notifier;
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void QuitSignals::drain()
{
    unsigned char byte = 0;
    while (::read(pipeEnds[0], &byte, 1) == 1) {
        emit received(byte);
    }
}

} // namespace virel
