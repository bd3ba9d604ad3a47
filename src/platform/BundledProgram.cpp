#include "platform/BundledProgram.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace virel {

QString bundledProgram(const QString& name)
{
    const QDir dir(QCoreApplication::applicationDirPath());
    const QString besideApp = dir.filePath(name);
    const QString installed = dir.filePath(QStringLiteral("../lib/virel/") + name);
    return QFileInfo(besideApp).isExecutable() || !QFileInfo(installed).isExecutable()
               ? besideApp
               : QDir::cleanPath(installed);
}

} // namespace virel
