#pragma once
// A second handle on a file that a library is writing (libsndfile, LAME's writer, FFmpeg's
// muxer): it reads back what was written, mends fields of the header in place, and pushes the
// file to stable storage. Used from the thread that writes the file, between its writes.
#include <QString>
#include <cstddef>
#include <cstdint>

namespace files {

class SideFile {
public:
    // Opens the file (just created by its writer) for reading and, where allowed, writing.
    // Throws EngineError when it cannot be opened at all.
    explicit SideFile(const QString& path);
    ~SideFile();
    SideFile(const SideFile&) = delete;
    SideFile& operator=(const SideFile&) = delete;

    std::int64_t size() const;                                    // throws EngineError
    // Up to size bytes from offset; returns how many were read (fewer at the end).
    std::size_t readAt(std::int64_t offset, void* data, std::size_t size) const;
    void writeAt(std::int64_t offset, const void* data, std::size_t size);   // throws EngineError
    bool writable() const { return writable_; }
    // fdatasync: what was written so far survives a power cut or a crash of the system. The
    // first call also makes the file's entry in its folder durable. Throws EngineError when the
    // system reports that written data was lost (an I/O error, a full disk on write-back).
    void sync();
    const QString& path() const { return path_; }

private:
    int fd_ = -1;
    bool writable_ = false;
    bool folderSynced_ = false;
    QString path_;
};

} // namespace files
