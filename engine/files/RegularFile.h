#pragma once
// Whether a path names something a file can be read from without waiting: a named pipe blocks
// its reader until a writer comes, a device such as /dev/zero never ends, and a folder or a
// socket holds no file at all. Looks with stat() alone, so it never opens (and never waits on)
// what it looks at; a link is judged by what it leads to.
#include <QString>

namespace files {

// Empty for a regular file and for a path where nothing is (the caller's own "does not exist"
// applies); else the whole message, e.g. "/tmp/a.wav is a named pipe (FIFO), not a regular
// file" or "/tmp/z.mp3 leads to /dev/zero, a character device, not a regular file".
QString notRegularFile(const QString& path);
// Throws EngineError with that message when there is one.
void requireRegularFile(const QString& path);

} // namespace files
