#include "engine/files/RegularFile.h"

#include "engine/EngineError.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace files {

QString notRegularFile(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat st{};
    if (::stat(name.constData(), &st) != 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR)
            return {};
        return QStringLiteral("Cannot open %1: %2").arg(path, QString::fromLocal8Bit(std::strerror(err)));
    }
    if (S_ISREG(st.st_mode))
        return {};
    QString kind;
    if (S_ISFIFO(st.st_mode))
        kind = QStringLiteral("a named pipe (FIFO)");
    else if (S_ISCHR(st.st_mode))
        kind = QStringLiteral("a character device");
    else if (S_ISBLK(st.st_mode))
        kind = QStringLiteral("a block device");
    else if (S_ISSOCK(st.st_mode))
        kind = QStringLiteral("a socket");
    else if (S_ISDIR(st.st_mode))
        kind = QStringLiteral("a folder");
    else
        kind = QStringLiteral("something other than a file");
    struct stat own{};
    if (::lstat(name.constData(), &own) == 0 && S_ISLNK(own.st_mode)) {
        const QString target = QFileInfo(path).canonicalFilePath();
        return QStringLiteral("%1 leads to %2, %3, not a regular file").arg(path, target.isEmpty() ? QStringLiteral("a link") : target, kind);
    }
    return QStringLiteral("%1 is %2, not a regular file").arg(path, kind);
}

void requireRegularFile(const QString& path)
{
    if (const QString why = notRegularFile(path); !why.isEmpty())
        throw EngineError(why);
}

} // namespace files
