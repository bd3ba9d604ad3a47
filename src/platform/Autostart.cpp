#include "platform/Autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>

namespace virel {

namespace {

// The Exec key's quoting: a path with reserved characters goes in double quotes with ", `, $ and the
// backslash escaped; then the desktop entry's own escaping doubles every backslash, and % is doubled for the
// field codes.
QString execArgument(const QString& path)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString quoted = path;
    if (std::any_of(path.begin(), path.end(), [](QChar c) { return reserved.contains(c); })) {
        quoted.clear();
        for (const QChar c : path) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
                quoted += u'\\';
            }
            quoted += c;
        }
        quoted = u'"' + quoted + u'"';
    }
    return quoted.replace(u'\\', QStringLiteral("\\\\")).replace(u'%', QStringLiteral("%%"));
}

} // namespace

Autostart::Autostart(QString folder, QString executable)
    : m_folder(std::move(folder)), m_executable(std::move(executable))
{}

Autostart Autostart::forThisProgram()
{
    return {QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                QStringLiteral("/autostart"),
            QCoreApplication::applicationFilePath()};
}

QString Autostart::entryPath() const
{
    return m_folder + QStringLiteral("/app.virel.Virel.desktop");
}

bool Autostart::enabled() const
{
    return QFile::exists(entryPath());
}

bool Autostart::setEnabled(bool on) const
{
    if (!on) {
        return !QFile::exists(entryPath()) || QFile::remove(entryPath());
    }
    QSaveFile file(entryPath());
    if (!QDir().mkpath(m_folder) || !file.open(QIODevice::WriteOnly)) {
        return false;
    }
    file.write(entry(m_executable));
    return file.commit();
}

QByteArray Autostart::entry(const QString& executable)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Version=1.4\n"
                          "Name=Virel\n"
                          "Name[ko]=Virel 주식 시세\n"
                          "Exec=%1\n"
                          "Icon=app.virel.Virel\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(executable))
        .toUtf8();
}

} // namespace virel
