#include "engine/files/SideFile.h"

#include "engine/EngineError.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace files {

namespace {
QString sysText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }

// Errors of fsync that say nothing was lost: the file system keeps no cache to flush.
bool syncUnsupported(int err) { return err == EINVAL || err == EROFS || err == ENOTSUP; }
} // namespace

SideFile::SideFile(const QString& path) : path_(path)
{
    const QByteArray name = QFile::encodeName(path);
    fd_ = ::open(name.constData(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
    writable_ = fd_ >= 0;
    if (fd_ < 0)
        fd_ = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        throw EngineError(QStringLiteral("Cannot open %1: %2").arg(path, sysText(errno)));
}

SideFile::~SideFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

std::int64_t SideFile::size() const
{
    struct stat st{};
    if (::fstat(fd_, &st) != 0)
        throw EngineError(QStringLiteral("Cannot read %1: %2").arg(path_, sysText(errno)));
    return st.st_size;
}

std::size_t SideFile::readAt(std::int64_t offset, void* data, std::size_t size) const
{
    char* p = static_cast<char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd_, p + done, size - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EngineError(QStringLiteral("Cannot read %1: %2").arg(path_, sysText(errno)));
        if (n == 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

void SideFile::writeAt(std::int64_t offset, const void* data, std::size_t size)
{
    if (!writable_)
        throw EngineError(QStringLiteral("Cannot write to %1: %2").arg(path_, sysText(EBADF)));
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw EngineError(QStringLiteral("Cannot write to %1: %2").arg(path_, sysText(n < 0 ? errno : ENOSPC)));
        p += n;
        offset += n;
        size -= static_cast<std::size_t>(n);
    }
}

void SideFile::sync()
{
    if (::fdatasync(fd_) != 0 && !syncUnsupported(errno))
        throw EngineError(QStringLiteral("Cannot write to %1: %2").arg(path_, sysText(errno)));
    if (folderSynced_)
        return;
    folderSynced_ = true;
    const QByteArray folder = QFile::encodeName(QFileInfo(path_).absolutePath());
    const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return;   // the file's data is safe; only its name might not be
    const int r = ::fsync(dir);
    const int err = errno;
    ::close(dir);
    if (r != 0 && !syncUnsupported(err))
        throw EngineError(QStringLiteral("Cannot write to %1: %2").arg(path_, sysText(err)));
}

} // namespace files
