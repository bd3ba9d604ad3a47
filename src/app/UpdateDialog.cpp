#include "app/UpdateDialog.h"

#include "platform/Origins.h"
#include "windows/WindowStyle.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace virel {

namespace {

QString messageOf(const UpdateCheck& check)
{
    switch (check.outcome) {
    case UpdateCheck::Outcome::newer:
        return QStringLiteral("새 버전의 Virel이 있습니다");
    case UpdateCheck::Outcome::upToDate:
        return QStringLiteral("최신 버전입니다");
    case UpdateCheck::Outcome::failed:
        break;
    }
    return QStringLiteral("업데이트를 확인하지 못했습니다");
}

QString informativeTextOf(const UpdateCheck& check, const QString& current)
{
    switch (check.outcome) {
    case UpdateCheck::Outcome::newer:
        return QStringLiteral("Virel %1을(를) 받을 수 있습니다. 지금 버전은 %2입니다.")
            .arg(check.item.displayVersion(), current);
    case UpdateCheck::Outcome::upToDate:
        return QStringLiteral("Virel %1이(가) 최신 버전입니다.").arg(current);
    case UpdateCheck::Outcome::failed:
        break;
    }
    return QStringLiteral("네트워크 연결을 확인한 뒤 다시 시도하세요.");
}

} // namespace

UpdateDialog::UpdateDialog(const UpdateCheck& check, UpdateService& service, QWidget* parent)
    : AlertPanel(messageOf(check), informativeTextOf(check, service.currentVersion()), parent)
{
    if (check.outcome != UpdateCheck::Outcome::newer) {
        addButton(QStringLiteral("확인"), QDialogButtonBox::AcceptRole);
        return;
    }
    const AppcastItem item = check.item;
    addReleaseNotes(item);
    QPushButton* download = addButton(QStringLiteral("다운로드"), QDialogButtonBox::AcceptRole);
    download->setEnabled(Origins::isWebUrl(item.download));
    connect(download, &QPushButton::clicked, this, [item] { WindowStyle::openWebUrl(item.download); });
    QPushButton* skip = addButton(QStringLiteral("이 버전 건너뛰기"), QDialogButtonBox::DestructiveRole);
    connect(skip, &QPushButton::clicked, this, [this, service = QPointer(&service), version = item.version] {
        if (service) {
            service->skipVersion(version);
        }
        reject();
    });
    addButton(QStringLiteral("나중에"), QDialogButtonBox::RejectRole);
}

void UpdateDialog::addReleaseNotes(const AppcastItem& item)
{
    auto* notes = new QWidget(this);
    auto* layout = new QVBoxLayout(notes);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!item.description.isEmpty()) {
        auto* text = new QTextBrowser(notes);
        text->setOpenLinks(false);
        text->setHtml(item.description);
        text->setFixedSize(420, 180);
        connect(text, &QTextBrowser::anchorClicked, this,
                [](const QUrl& url) { WindowStyle::openWebUrl(url); });
        layout->addWidget(text);
    }
    if (Origins::isWebUrl(item.releaseNotes)) {
        auto* link = new QLabel(QStringLiteral("<a href=\"%1\">릴리스 노트 보기</a>")
                                    .arg(item.releaseNotes.toString(QUrl::FullyEncoded).toHtmlEscaped()),
                                notes);
        link->setTextFormat(Qt::RichText);
        connect(link, &QLabel::linkActivated, this,
                [url = item.releaseNotes] { WindowStyle::openWebUrl(url); });
        layout->addWidget(link);
    }
    setAccessory(notes);
}

} // namespace virel
