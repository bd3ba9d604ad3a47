// virel-web: the web view of the detail window in a process of its own, so that the browser engine
// leaves memory with the window. Started by the application, driven over standard input and output
// (WebProtocol); ends when its input closes, when its window closes and when the application dies.

#include "webview/WebHelper.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <unistd.h>
#include <xcb/xcb.h>

using namespace virel;

namespace {

// Only real errors reach the application, which passes on nothing else of what this process prints.
void reportErrors(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "virel-web: %s\n", qPrintable(message));
    }
}

// The window lives inside the application's window, where the window manager never gives it the
// keyboard: a click takes the focus itself, as an embedded window does.
class ClickToFocus : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = qobject_cast<QWindow*>(watched);
        if (event->type() == QEvent::MouseButtonPress && window && window != QGuiApplication::focusWindow()) {
            if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
                xcb_set_input_focus(x11->connection(), XCB_INPUT_FOCUS_PARENT, xcb_window_t(window->winId()),
                                    XCB_CURRENT_TIME);
                xcb_flush(x11->connection());
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char* argv[])
{
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() == 1) {
        return 1; // the application is already gone
    }
    qInstallMessageHandler(reportErrors);
    // The engine refuses its sandbox as root (containers, CI) and would end the process instead.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("virel"));
    ClickToFocus focus;
    app.installEventFilter(&focus);

    WebHelper helper([](const QByteArray& line) {
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
        std::fflush(stdout);
    });
    QByteArray pending;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        char buffer[4096];
        const ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (count <= 0) {
            input.setEnabled(false);
            QApplication::quit();
            return;
        }
        pending.append(buffer, count);
        for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
            helper.receive(pending.left(end));
            pending.remove(0, end + 1);
        }
    });
    return QApplication::exec();
}
