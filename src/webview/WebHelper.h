#pragma once

#include "webview/WebProtocol.h"

#include <QObject>
#include <functional>
#include <memory>

class QWebEngineProfile;
class QWebEngineView;

namespace virel {

// The browser side of the web helper: one persistent profile and one view, driven by the
// application's lines (WebProtocol) and answering with lines of its own through `send`.
class WebHelper : public QObject
{
public:
    explicit WebHelper(std::function<void(const QByteArray&)> send, QObject* parent = nullptr);
    ~WebHelper() override;

    // One line from the application; malformed lines and lines before Start are ignored.
    void receive(const QByteArray& line);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void start(const WebProtocol::Start& start);
    void send(const WebProtocol::Message& message);

    std::function<void(const QByteArray&)> m_send;
    QSize m_size{800, 600};
    QUrl m_service;
    QWebEngineProfile* m_profile = nullptr;
    std::unique_ptr<QWebEngineView> m_view;
};

} // namespace virel
