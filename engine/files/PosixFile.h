#pragma once
// A file opened for writing with unbuffered POSIX calls: what write() accepted is in the
// operating system's hands at once, so a killed program loses nothing it wrote. Every
// failure throws EngineError with the system's message.
#include <QString>
#include <cstddef>
#include <cstdint>

namespace files {

class PosixFile {
public:
    explicit PosixFile(const QString& path);   // creates or empties the file
    ~PosixFile();
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    void write(const void* data, std::size_t size);
    void writeAt(std::int64_t offset, const void* data, std::size_t size);
    void close();
    std::int64_t size() const { return written_; }
    const QString& path() const { return path_; }

private:
    int fd_ = -1;
    QString path_;
    std::int64_t written_ = 0;
};

} // namespace files
