#include "engine/files/WriteRegistry.h"

#include <QFileInfo>
#include <QHash>
#include <mutex>

namespace files {

namespace {
std::mutex& lock()
{
    static std::mutex m;
    return m;
}
QHash<QString, int>& table()
{
    static QHash<QString, int> t;
    return t;
}
QString key(const QString& path)
{
    const QFileInfo fi(path);
    const QString canonical = fi.canonicalFilePath();
    return canonical.isEmpty() ? fi.absoluteFilePath() : canonical;
}
} // namespace

QString registerWriting(const QString& path)
{
    const QString k = key(path);
    std::lock_guard g(lock());
    ++table()[k];
    return k;
}

void unregisterWriting(const QString& k)
{
    std::lock_guard g(lock());
    auto it = table().find(k);
    if (it != table().end() && --it.value() <= 0)
        table().erase(it);
}

bool isBeingWritten(const QString& path)
{
    const QString k = key(path);
    std::lock_guard g(lock());
    return table().contains(k);
}

} // namespace files
