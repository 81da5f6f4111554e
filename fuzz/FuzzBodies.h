#pragma once
// The work of each fuzz target, shared with the regression tests (tests/fuzz_regressions),
// which run every input that once crashed through the same code. FUZZ_CHECK states what must
// hold for any input: in a fuzzer a failure aborts (and libFuzzer keeps the input); a test
// defines it as a test expectation before including this file.
#include "FuzzSupport.h"

#include "app/PathText.h"
#include "engine/EngineError.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioInformation2.h"
#include "platform/Ini.h"
#include "tags/StreamDescription.h"

#if __has_include("auxiliary/tip.h")
#include "auxiliary/tip.h"
#define TAVRIN_FUZZ_HAVE_TIPS 1
#endif

#include <QFile>
#include <QFont>
#include <QFontMetrics>

#include <climits>
#include <cstdlib>

#ifndef FUZZ_CHECK
#define FUZZ_CHECK(condition) \
    do {                      \
        if (!(condition))     \
            std::abort();     \
    } while (0)
#endif

namespace fuzzbodies {

// The INI reader and writer on arbitrary file contents: reads never fail, and a value written
// reads back as written.
inline void ini(const std::uint8_t* data, std::size_t size)
{
    const QString path = fuzzsupport::scratchFile(data, size, QStringLiteral("_setup.ini"));
    IniFile file(path);
    static const char* const sections[] = {"options", "mp3", "wav", "wma", "tips", "", "[x]"};
    static const char* const keys[] = {"savepath", "saveformat", "timelimit", "bitrate", "tipno", "", "a=b"};
    for (const char* s : sections)
        for (const char* k : keys) {
            (void)file.ReadString(QString::fromLatin1(s), QString::fromLatin1(k), QStringLiteral("def"));
            (void)file.ReadInteger(QString::fromLatin1(s), QString::fromLatin1(k), -7);
            (void)file.KeyExists(QString::fromLatin1(s), QString::fromLatin1(k));
        }
    int value = 0;
    (void)IniFile::ParseInteger(QString::fromUtf8(reinterpret_cast<const char*>(data), int(size)), value);
    try {
        file.WriteString(QStringLiteral("options"), QStringLiteral("savepath"), QStringLiteral("/tmp/rec/"));
        file.WriteInteger(QStringLiteral("options"), QStringLiteral("timelimit"), 123);
        FUZZ_CHECK(file.ReadString(QStringLiteral("options"), QStringLiteral("savepath"), QString()) ==
                   QStringLiteral("/tmp/rec/"));
        FUZZ_CHECK(file.ReadInteger(QStringLiteral("options"), QStringLiteral("timelimit"), 0) == 123);
    } catch (const IniError&) {
        // A refused write is reported, not a crash.
    }
    QFile::remove(path);
}

// The reading of tips.txt: its non-empty lines, whatever the bytes.
inline void tips(const std::uint8_t* data, std::size_t size)
{
#ifdef TAVRIN_FUZZ_HAVE_TIPS
    const QStringList list = TTipForm::TipsOf(QByteArray(reinterpret_cast<const char*>(data), int(size)));
    for (const QString& tip : list)
        FUZZ_CHECK(!tip.isEmpty() && !tip.contains(QLatin1Char('\n')));
#else
    (void)data;
    (void)size;
#endif
}

// The short stream description of the status bar, from any description text.
inline void shortFormatText(const std::uint8_t* data, std::size_t size)
{
    (void)ShortFormatText(QString::fromUtf8(reinterpret_cast<const char*>(data), int(size)));
}

// The path shortening of the status bar, for any path and width (negative ones too).
inline void shortenPath(const std::uint8_t* data, std::size_t size)
{
    fuzzsupport::guiApp();
    if (size < 2)
        return;
    static const QFontMetrics metrics{QFont()};
    const int width = (data[0] << 8 | data[1]) - 1000;
    const QString path = QString::fromUtf8(reinterpret_cast<const char*>(data + 2), int(size - 2));
    (void)ShortenPath(path, metrics, width);
}

// TAudioFile2 reading arbitrary bytes under the extension picked by the first byte: Open
// either fails cleanly (LastError) or the file reads, seeks and reads again.
inline void audioFile(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return;
    const QString path = fuzzsupport::scratchFile(data + 1, size - 1, fuzzsupport::extensionFor(data[0]));
    {
        TAudioFile2 file;
        file.setActive(true);
        file.Open(path, 0, 1);
        if (file.LastError() == 0) {
            const int length = file.Length();
            FUZZ_CHECK(length >= 0);
            FUZZ_CHECK(file.SampleRate() > 0);
            FUZZ_CHECK(file.Channels() >= 1 && file.Channels() <= 2);
            (void)file.FormatDescription();
            for (int reads = 0; reads < 400; ++reads) {
                SampleArray a = file.ReadArray(4410);
                if (a.isEmpty())
                    break;
                FUZZ_CHECK(a.channels() == file.Channels());
            }
            if (length > 0) {
                const int reached = file.Seek(length / 2, 3);
                FUZZ_CHECK(reached >= 0 && reached <= length);
                (void)file.ReadArray(4410);
                (void)file.Seek(length < INT_MAX - 1000 ? length + 1000 : INT_MAX, 3);   // past the end
                (void)file.ReadArray(100);
            }
            (void)file.Seek(-5, 3);
            (void)file.ReadArray(10);
        }
        file.Close();
    }
    QFile::remove(path);
}

// TAudioInformation2::ReadInfo on arbitrary bytes: tags and stream data are read, or a clear
// EngineError is raised; nothing else.
inline void audioInfo(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return;
    const QString path = fuzzsupport::scratchFile(data + 1, size - 1, fuzzsupport::extensionFor(data[0]));
    {
        TAudioInformation2 info;
        info.setInfoEnabled(true);
        try {
            info.ReadInfo(path);
            (void)info.infoTitle();
            (void)info.infoArtist();
            (void)info.infoAlbum();
            (void)info.infoComments();
            (void)info.infoCopyright();
            (void)info.infoGenre();
            (void)info.infoYear();
            (void)info.infoTrack();
            FUZZ_CHECK(info.Duration() >= 0);
            FUZZ_CHECK(info.FileSize() == qint64(size - 1));
            (void)info.FormatDescription();
        } catch (const EngineError&) {
        }
    }
    QFile::remove(path);
}

} // namespace fuzzbodies
