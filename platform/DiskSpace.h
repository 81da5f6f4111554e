#pragma once
// Room left on the file system that holds a folder.
#include <QString>
#include <functional>

// Bytes an ordinary writer may still put on the file system holding `path` (its nearest
// existing parent folder while the path does not exist yet); -1 when that cannot be told.
qint64 FreeDiskBytes(const QString& path);

// Tests: while set, `probe` answers instead of the file system (an empty function restores it).
void setFreeDiskBytesForTests(std::function<qint64(const QString& path)> probe);
