#pragma once
// The files this process is writing audio into right now. Tag writing refuses them: a tag
// inserted under a running encoder would corrupt the file.
#include <QString>

namespace files {

// Returns the key to hand back to unregisterWriting (the path may be gone by then).
QString registerWriting(const QString& path);
void unregisterWriting(const QString& key);
bool isBeingWritten(const QString& path);

} // namespace files
