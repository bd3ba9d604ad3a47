#pragma once

#include "platform/Settings.h"

#include <QTemporaryDir>
#include <memory>

namespace virel::test {

// A settings store in a fresh temporary directory; never the user's own.
class TempSettings
{
public:
    TempSettings() : m_settings(std::make_unique<Settings>(path())) {}

    Settings& operator*() { return *m_settings; }
    Settings* operator->() { return m_settings.get(); }
    Settings* get() { return m_settings.get(); }

    QString path() const { return m_dir.filePath(QStringLiteral("virel.conf")); }
    // A second store on the same file, as a restarted process would see it.
    std::unique_ptr<Settings> reopen() const { return std::make_unique<Settings>(path()); }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Settings> m_settings;
};

} // namespace virel::test
