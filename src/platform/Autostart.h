#pragma once

#include <QString>

namespace virel {

// Start at login through the desktop's autostart folder (XDG Autostart): an entry there starts
// the program when the user's session begins. Whether it is on is read from the folder each time,
// so an entry removed by hand turns it off.
class Autostart
{
public:
    // `folder` is the autostart folder; `executable` the program the entry starts.
    Autostart(QString folder, QString executable);
    // $XDG_CONFIG_HOME/autostart for the running program.
    static Autostart forThisProgram();

    bool enabled() const;
    // Writes or removes the entry; false when the folder refused.
    bool setEnabled(bool on) const;
    QString entryPath() const;

    // The desktop entry that starts `executable` without arguments.
    static QByteArray entry(const QString& executable);

private:
    QString m_folder;
    QString m_executable;
};

} // namespace virel
