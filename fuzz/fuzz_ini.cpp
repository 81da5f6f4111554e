// The INI reader and writer on arbitrary file contents: reads never fail, and a value written
// reads back as written while every other byte stays.
#include "FuzzSupport.h"
#include "platform/Ini.h"

#include <QFile>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = fuzzsupport::scratchFile(data, size, QStringLiteral("_setup.ini"));
    IniFile ini(path);
    static const char* const sections[] = {"Settings", "timelimit", "tips", "MP3", "", "[x]"};
    static const char* const keys[] = {"SavePath", "showtip", "tipno", "Bitrate", "", "a=b"};
    for (const char* s : sections)
        for (const char* k : keys) {
            (void)ini.ReadString(QString::fromLatin1(s), QString::fromLatin1(k), QStringLiteral("def"));
            (void)ini.ReadInteger(QString::fromLatin1(s), QString::fromLatin1(k), -7);
            (void)ini.KeyExists(QString::fromLatin1(s), QString::fromLatin1(k));
        }
    int value = 0;
    (void)IniFile::ParseInteger(QString::fromUtf8(reinterpret_cast<const char*>(data), int(size)), value);

    // A write reads back; a second key written after it leaves the first alone.
    try {
        ini.WriteString(QStringLiteral("Settings"), QStringLiteral("SavePath"), QStringLiteral("/tmp/rec/"));
        ini.WriteInteger(QStringLiteral("timelimit"), QStringLiteral("limit"), 123);
        if (ini.ReadString(QStringLiteral("Settings"), QStringLiteral("SavePath"), QString()) != QStringLiteral("/tmp/rec/"))
            std::abort();
        if (ini.ReadInteger(QStringLiteral("timelimit"), QStringLiteral("limit"), 0) != 123)
            std::abort();
    } catch (const IniError&) {
        // A refused write is reported, not a crash.
    }
    QFile::remove(path);
    return 0;
}
