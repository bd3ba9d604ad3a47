#pragma once

#include <QObject>

class QSocketNotifier;

namespace virel {

// Turns SIGTERM (logout, service stop), SIGINT (Ctrl+C) and SIGHUP (terminal closed) into a Qt
// signal on the main thread, so they end the application through its normal quit path instead of
// killing it. The handler only writes the signal number into a pipe; everything else happens when
// the event loop reads it. One instance per process.
class QuitSignals : public QObject
{
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

signals:
    void received(int signalNumber);

private:
    void drain();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace virel
