#include "engine/files/PosixFile.h"

#include "engine/EngineError.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace files {

namespace {
QString sysText(int err) { return QString::fromLocal8Bit(std::strerror(err)); }
} // namespace

PosixFile::PosixFile(const QString& path) : path_(path)
{
    const QByteArray name = QFile::encodeName(path);
    fd_ = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd_ < 0)
        throw EngineError(QStringLiteral("Cannot create %1: %2").arg(path, sysText(errno)));
}

PosixFile::~PosixFile()
{
    if (fd_ >= 0)
        ::close(fd_);
}

void PosixFile::write(const void* data, std::size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        if (fd_ < 0)
            throw EngineError(QStringLiteral("Cannot write to %1: the file is closed").arg(path_));
        const ssize_t n = ::write(fd_, p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EngineError(QStringLiteral("Cannot write to %1: %2").arg(path_, sysText(errno)));
        }
        if (n == 0)
            throw EngineError(QStringLiteral("Cannot write to %1: %2").arg(path_, sysText(ENOSPC)));
        p += n;
        size -= static_cast<std::size_t>(n);
        written_ += n;
    }
}

void PosixFile::writeAt(std::int64_t offset, const void* data, std::size_t size)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::pwrite(fd_, p, size, static_cast<off_t>(offset));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EngineError(QStringLiteral("Cannot write to %1: %2").arg(path_, sysText(errno)));
        }
        if (n == 0)
            throw EngineError(QStringLiteral("Cannot write to %1: %2").arg(path_, sysText(ENOSPC)));
        p += n;
        offset += n;
        size -= static_cast<std::size_t>(n);
    }
}

void PosixFile::close()
{
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        throw EngineError(QStringLiteral("Cannot complete %1: %2").arg(path_, sysText(errno)));
}

} // namespace files
