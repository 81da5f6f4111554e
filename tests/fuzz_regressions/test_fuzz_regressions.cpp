// Every input that once broke a fuzz target (tests/data/fuzz/<target>/*) runs again through
// the same work (fuzz/FuzzBodies.h), plus a few hand-made edge inputs; none may crash, and the
// properties the fuzzers check must hold.
#include <gtest/gtest.h>

#define FUZZ_CHECK(condition) EXPECT_TRUE(condition) << #condition
#include "fuzz/FuzzBodies.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <functional>
#include <string>
#include <vector>

namespace {

using Body = std::function<void(const std::uint8_t*, std::size_t)>;

QString dataFolder(const QString& target)
{
    return QFileInfo(QStringLiteral(__FILE__)).dir().absoluteFilePath(QStringLiteral("../data/fuzz/") + target);
}

// Runs every stored input of a target; returns how many there were.
int replay(const QString& target, const Body& body)
{
    const QDir dir(dataFolder(target));
    int count = 0;
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = f.readAll();
        SCOPED_TRACE(name.toStdString());
        body(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
        ++count;
    }
    return count;
}

void run(const Body& body, const std::string& bytes)
{
    body(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

} // namespace

TEST(FuzzRegressions, IniReaderAndWriter)
{
    replay(QStringLiteral("fuzz_ini"), fuzzbodies::ini);
    run(fuzzbodies::ini, "");
    run(fuzzbodies::ini, std::string("[options\n=\n[]\n\0\0=\r\r\n", 18));
    run(fuzzbodies::ini, "[options]\nsavepath\ntimelimit=99999999999999999999\n[options]\ntimelimit=5");
}

TEST(FuzzRegressions, Tips)
{
    replay(QStringLiteral("fuzz_tips"), fuzzbodies::tips);
    run(fuzzbodies::tips, "");
    run(fuzzbodies::tips, std::string("\r\r\n\0\n \t\n\xff\xfe", 11));
}

TEST(FuzzRegressions, ShortFormatText)
{
    replay(QStringLiteral("fuzz_shortformattext"), fuzzbodies::shortFormatText);
    for (const char* text : {"", ":", ",", ": ,", "MPEG 1.0 layer-3: , , ,", "a:b:c,d,e,f,g", "\xd0"})
        run(fuzzbodies::shortFormatText, text);
}

TEST(FuzzRegressions, ShortenPath)
{
    replay(QStringLiteral("fuzz_shortenpath"), fuzzbodies::shortenPath);
    for (const char* head : {"\x00\x00", "\x03\xe8", "\xff\xff", "\x03\xe9"})
        for (const char* path : {"", "/", "//", "a", "/a/b/c/d/e/f/g/h", "////x////", "/ы/ы/ы"})
            run(fuzzbodies::shortenPath, std::string(head, 2) + path);
}

TEST(FuzzRegressions, AudioFileOpenAndRead)
{
    replay(QStringLiteral("fuzz_audiofile"), fuzzbodies::audioFile);
    for (int ext = 0; ext < 20; ++ext) {
        run(fuzzbodies::audioFile, std::string(1, char(ext)));
        run(fuzzbodies::audioFile, std::string(1, char(ext)) + "RIFF\x24\0\0\0WAVEfmt ");
        run(fuzzbodies::audioFile, std::string(1, char(ext)) + std::string(300, '\xff'));
    }
}

TEST(FuzzRegressions, AudioInformationReadInfo)
{
    replay(QStringLiteral("fuzz_audioinfo"), fuzzbodies::audioInfo);
    for (int ext = 0; ext < 20; ++ext) {
        run(fuzzbodies::audioInfo, std::string(1, char(ext)));
        run(fuzzbodies::audioInfo, std::string(1, char(ext)) + "ID3\x04\0\0\0\0\0\x7f");
        run(fuzzbodies::audioInfo, std::string(1, char(ext)) + "TAG" + std::string(125, '\0'));
    }
}
