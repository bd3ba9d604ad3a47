#include "platform/BrowserLauncher.h"

#include <QProcess>

namespace virel {

BrowserLauncher::BrowserLauncher(QString program, QObject* parent)
    : QObject(parent), m_program(std::move(program))
{}

BrowserLauncher::~BrowserLauncher()
{
    // A helper still running waits for the browser it started; ending it leaves that browser open.
    for (QProcess* helper : findChildren<QProcess*>()) {
        helper->kill();
        helper->waitForFinished();
    }
}

void BrowserLauncher::open(const QUrl& url)
{
    auto* helper = new QProcess(this);
    helper->setStandardInputFile(QProcess::nullDevice());
    helper->setStandardOutputFile(QProcess::nullDevice());
    helper->setStandardErrorFile(QProcess::nullDevice());
    connect(helper, &QProcess::finished, this, [this, helper, url](int code, QProcess::ExitStatus status) {
        helper->deleteLater();
        if (status != QProcess::NormalExit || code != 0) {
            emit failed(url);
        }
    });
    connect(helper, &QProcess::errorOccurred, this, [this, helper, url](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            helper->deleteLater();
            emit failed(url);
        }
    });
    helper->start(m_program, {url.toString(QUrl::FullyEncoded)});
}

} // namespace virel
