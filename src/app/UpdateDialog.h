#pragma once

#include "app/AlertPanel.h"
#include "app/UpdateService.h"

namespace virel {

// The outcome of an update check as the user sees it. For a newer release: its notes, "다운로드"
// (opens the download in the browser), "이 버전 건너뛰기" (not offered again) and "나중에". For a
// check the user asked for, also "최신 버전입니다" or a short failure notice.
class UpdateDialog final : public AlertPanel
{
    Q_OBJECT
public:
    UpdateDialog(const UpdateCheck& check, UpdateService& service, QWidget* parent = nullptr);

private:
    void addReleaseNotes(const AppcastItem& item);
};

} // namespace virel
