#include "platform/DiskSpace.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/statvfs.h>

namespace {
std::function<qint64(const QString&)>& probeForTests()
{
    static std::function<qint64(const QString&)> probe;
    return probe;
}
} // namespace

qint64 FreeDiskBytes(const QString& path)
{
    if (probeForTests())
        return probeForTests()(path);
    QString folder = QFileInfo(path).absoluteFilePath();
    while (!QFileInfo::exists(folder)) {
        const QString parent = QFileInfo(folder).absolutePath();
        if (parent == folder)
            return -1;
        folder = parent;
    }
    struct statvfs fs{};
    if (::statvfs(QFile::encodeName(folder).constData(), &fs) != 0)
        return -1;
    return qint64(fs.f_bavail) * qint64(fs.f_frsize);
}

void setFreeDiskBytesForTests(std::function<qint64(const QString&)> probe)
{
    probeForTests() = std::move(probe);
}
