#pragma once

#include "webview/WebProtocol.h"

#include <QObject>
#include <QPointer>
#include <QProcess>
#include <optional>

namespace virel {

// The application's side of one web helper (virel-web): starts it, hands it addresses and passes on
// what it reports. The helper ends with this object (it is asked to, then killed if it lingers), and
// with the application.
class WebHelperProcess : public QObject
{
    Q_OBJECT

public:
    explicit WebHelperProcess(QString program, QObject* parent = nullptr);
    ~WebHelperProcess() override;

    // virel-web, where the application's private programs live.
    static QString bundledProgram();

    // Starts the helper with its profile and service; stopped() follows when it cannot run.
    void start(const WebProtocol::Start& settings, QSize size);
    void resize(QSize size);
    // Loads `url` unless it is the address last handed over: redrawing with the same address keeps
    // the page the user has navigated to, a different address loads once.
    void load(const QUrl& url);
    const std::optional<QUrl>& loadedUrl() const { return m_loadedUrl; }

signals:
    void windowReady(quint64 id);
    void loaded(const QUrl& url, bool ok);
    // The user followed a web link off the service.
    void openRequested(const QUrl& url);
    // The helper ended or never started.
    void stopped();

private:
    void send(const WebProtocol::Message& message);
    void readOutput();
    void readErrors();

    QString m_program;
    QPointer<QProcess> m_process;
    std::optional<QUrl> m_loadedUrl;
};

} // namespace virel
