// Paths as the file list and the status bar show them.
#include "app/PathText.h"

#include <QFontMetrics>

QString folderOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash >= 0 ? path.left(slash + 1) : QString();
}

QString nameOf(const QString& path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

namespace {

// Replaces the first folder of a folder part by "..."; a leading "..." counts as a folder:
// "/a/b/" -> "/.../b/" -> "/.../", and ".../" -> "".
QString cutFirstFolder(QString folder)
{
    if (folder == QLatin1String("/"))
        return QString();
    const bool root = folder.startsWith(QLatin1Char('/'));
    if (root)
        folder.remove(0, 1);
    if (folder.startsWith(QLatin1String(".../")))
        folder.remove(0, 4);
    const qsizetype slash = folder.indexOf(QLatin1Char('/'));
    if (slash >= 0)
        folder = QStringLiteral(".../") + folder.mid(slash + 1);
    else
        folder.clear();
    if (root)
        folder.prepend(QLatin1Char('/'));
    return folder;
}

} // namespace

QString ShortenPath(const QString& path, const QFontMetrics& metrics, int width)
{
    QString drive;
    QString rest = path;
    if (rest.size() >= 2 && rest.at(1) == QLatin1Char(':')) {
        drive = rest.left(2);
        rest.remove(0, 2);
    }
    QString folder = folderOf(rest);
    const QString name = nameOf(rest);
    QString text = drive + folder + name;
    while ((!drive.isEmpty() || !folder.isEmpty()) && metrics.horizontalAdvance(text) > width) {
        if (folder == QLatin1String("/.../")) {
            drive.clear();
            folder = QStringLiteral(".../");
        } else if (!folder.isEmpty()) {
            folder = cutFirstFolder(folder);
        } else {
            drive.clear();
        }
        text = drive + folder + name;
    }
    return text;
}
