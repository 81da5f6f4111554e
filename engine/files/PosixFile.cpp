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

// Hands the bytes to `call` (one write(2)-like call: bytes and count in, the count it took or
// -1 out) until all are taken, again after an interruption. An error, or a call that takes
// nothing (no room left), throws.
template <class Call>
void writeAll(const QString& path, const void* data, std::size_t size, Call call)
{
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = call(p, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw EngineError(QStringLiteral("Cannot write to %1: %2").arg(path, sysText(errno)));
        }
        if (n == 0)
            throw EngineError(QStringLiteral("Cannot write to %1: %2").arg(path, sysText(ENOSPC)));
        p += n;
        size -= static_cast<std::size_t>(n);
    }
}

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
    writeAll(path_, data, size, [this](const char* p, std::size_t n) {
        if (fd_ < 0)
            throw EngineError(QStringLiteral("Cannot write to %1: the file is closed").arg(path_));
        const ssize_t done = ::write(fd_, p, n);
        if (done > 0)
            written_ += done;
        return done;
    });
}

void PosixFile::writeAt(std::int64_t offset, const void* data, std::size_t size)
{
    writeAll(path_, data, size, [this, &offset](const char* p, std::size_t n) {
        const ssize_t done = ::pwrite(fd_, p, n, static_cast<off_t>(offset));
        if (done > 0)
            offset += done;
        return done;
    });
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
