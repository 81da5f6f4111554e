#include "platform/ProgramFolder.h"

#include <QCoreApplication>

namespace {
QString& folderOverride()
{
    static QString folder;
    return folder;
}
} // namespace

QString ProgramFolder()
{
    const QString& forced = folderOverride();
    if (!forced.isEmpty())
        return forced;
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

void setProgramFolderForTests(const QString& folder)
{
    QString f = folder;
    if (!f.isEmpty() && !f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    folderOverride() = f;
}
