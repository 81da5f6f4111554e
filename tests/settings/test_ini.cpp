// setup.ini access: names without case, in-place replacement, placement of new entries,
// integer and text reads, atomic and refused writes.
#include "platform/Ini.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class IniTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path;

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("setup.ini");
    }

    void put(const QByteArray& bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QByteArray contents() const
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return f.readAll();
    }
};

TEST_F(IniTest, MissingFileGivesDefaultsAndIsNotCreatedByReads)
{
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("options", "saveformat", ".mp3"), ".mp3");
    EXPECT_EQ(ini.ReadInteger("options", "timelimit", -1), -1);
    EXPECT_FALSE(ini.KeyExists("options", "timelimit"));
    EXPECT_FALSE(QFile::exists(path));
}

TEST_F(IniTest, SectionAndKeyNamesMatchWithoutCase)
{
    put("[OPTIONS]\nSaveFormat=.wav\n[Mp3]\n  BitRate = 192 \n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("options", "saveformat", ".mp3"), ".wav");
    EXPECT_EQ(ini.ReadInteger("mp3", "bitrate", 128), 192);

    ini.WriteInteger("mp3", "BITRATE", 320);
    EXPECT_EQ(contents(), QByteArray("[OPTIONS]\nSaveFormat=.wav\n[Mp3]\n  BitRate = 320 \n"));
}

TEST_F(IniTest, DuplicateLookingNamesAreNotConfused)
{
    const QByteArray original =
        "; freq=1 in a comment\n"
        "[mp3x]\nfreq=1\n"
        "[mp3]\nfreq2=2\n;freq=3\n#freq=4\nfreq=22050\nfreq=11025\n"
        "[wav]\nfreq=8000\n"
        "[mp3]\nfreq=5\n";
    put(original);
    IniFile ini(path);
    // The first matching section and the first matching key inside it count.
    EXPECT_EQ(ini.ReadInteger("mp3", "freq", 0), 22050);
    EXPECT_EQ(ini.ReadInteger("wav", "freq", 0), 8000);
    EXPECT_EQ(ini.ReadInteger("mp3", "freq2", 0), 2);

    ini.WriteInteger("wav", "freq", 44100);
    QByteArray expected = original;
    expected.replace("[wav]\nfreq=8000", "[wav]\nfreq=44100");
    EXPECT_EQ(contents(), expected);

    ini.WriteInteger("mp3", "freq", 48000);
    expected.replace("freq=22050", "freq=48000");
    EXPECT_EQ(contents(), expected);
}

TEST_F(IniTest, ReplacingAValueKeepsEveryOtherByte)
{
    const QByteArray original =
        "\xEF\xBB\xBF; Tavrin settings\r\n"
        "\r\n"
        "[options]\r\n"
        "savepath=/home/u/Recording/\r\n"
        "unknown = kept as is   \r\n"
        "timelimit=-1\r\n"
        "\r\n"
        "[wav]\r\n"
        "ind=15";  // no final line end
    put(original);
    IniFile ini(path);
    ini.WriteInteger("options", "timelimit", 3725);
    ini.WriteInteger("wav", "ind", 3);

    QByteArray expected = original;
    expected.replace("timelimit=-1", "timelimit=3725");
    expected.replace("ind=15", "ind=3");
    EXPECT_EQ(contents(), expected);
    EXPECT_EQ(ini.ReadString("options", "savepath", ""), "/home/u/Recording/");
}

TEST_F(IniTest, NewKeyGoesToTheEndOfItsSectionWithTheFileLineEnds)
{
    put("[options]\r\nsaveformat=.mp3\r\n; about mp3\r\n\r\n[mp3]\r\nbitrate=128\r\n");
    IniFile ini(path);
    ini.WriteInteger("options", "timelimit", -1);
    ini.WriteInteger("mp3", "freq", 44100);
    EXPECT_EQ(contents(),
              QByteArray("[options]\r\nsaveformat=.mp3\r\ntimelimit=-1\r\n; about mp3\r\n\r\n"
                         "[mp3]\r\nbitrate=128\r\nfreq=44100\r\n"));
}

TEST_F(IniTest, NewKeyAfterAnUnterminatedLastLine)
{
    put("[tips]\ntipno=3");
    IniFile ini(path);
    ini.WriteInteger("tips", "showtip", 0);
    EXPECT_EQ(contents(), QByteArray("[tips]\ntipno=3\nshowtip=0\n"));
    EXPECT_EQ(ini.ReadInteger("tips", "tipno", 1), 3);
}

TEST_F(IniTest, NewKeyInAnEmptySectionFollowsItsHeader)
{
    put("[wma]\n[wav]\nch=1\n");
    IniFile ini(path);
    ini.WriteInteger("wma", "profile", 38);
    EXPECT_EQ(contents(), QByteArray("[wma]\nprofile=38\n[wav]\nch=1\n"));
}

TEST_F(IniTest, NewSectionGoesToTheEndOfTheFile)
{
    put("[options]\ntimelimit=10");
    IniFile ini(path);
    ini.WriteString("wma", "profile", "38");
    EXPECT_EQ(contents(), QByteArray("[options]\ntimelimit=10\n\n[wma]\nprofile=38\n"));
}

TEST_F(IniTest, FirstWriteCreatesTheFile)
{
    IniFile ini(path);
    ini.WriteInteger("options", "timelimit", -1);
    EXPECT_EQ(contents(), QByteArray("[options]\ntimelimit=-1\n"));
    ini.WriteString("options", "savepath", "/tmp/Запись/");
    EXPECT_EQ(ini.ReadString("options", "savepath", ""), "/tmp/Запись/");
    EXPECT_EQ(ini.ReadInteger("options", "timelimit", 0), -1);
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"setup.ini"});
}

TEST_F(IniTest, IntegerReadsAcceptOnlySignAndDigits)
{
    put("[n]\nempty=\nword=abc\ntail=12abc\nspaced= 42 \nplus=+7\nminus=-1\n"
        "huge=99999999999\nhex=0x10\nfrac=1.5\nsign=-\nmax=2147483647\nmin=-2147483648\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("n", "empty", 5), 5);
    EXPECT_EQ(ini.ReadInteger("n", "word", 5), 5);
    EXPECT_EQ(ini.ReadInteger("n", "tail", 5), 5);
    EXPECT_EQ(ini.ReadInteger("n", "spaced", 5), 42);
    EXPECT_EQ(ini.ReadInteger("n", "plus", 5), 7);
    EXPECT_EQ(ini.ReadInteger("n", "minus", 5), -1);
    EXPECT_EQ(ini.ReadInteger("n", "huge", 5), 5);
    EXPECT_EQ(ini.ReadInteger("n", "hex", 5), 5);
    EXPECT_EQ(ini.ReadInteger("n", "frac", 5), 5);
    EXPECT_EQ(ini.ReadInteger("n", "sign", 5), 5);
    EXPECT_EQ(ini.ReadInteger("n", "max", 5), 2147483647);
    EXPECT_EQ(ini.ReadInteger("n", "min", 5), -2147483647 - 1);
}

TEST_F(IniTest, EmptyTextValueIsKeptMissingOneGivesDefault)
{
    put("[options]\nsaveformat=\n");
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("options", "saveformat", ".mp3"), "");
    EXPECT_EQ(ini.ReadString("options", "savepath", "/x/"), "/x/");
    ini.WriteString("options", "saveformat", ".wav");
    EXPECT_EQ(contents(), QByteArray("[options]\nsaveformat=.wav\n"));
    ini.WriteString("options", "saveformat", "");
    EXPECT_EQ(contents(), QByteArray("[options]\nsaveformat=\n"));
}

TEST_F(IniTest, RefusedWriteRaisesWithTheFullPath)
{
    // A folder that is really a regular file refuses every write, even to root.
    QFile blocker(dir.filePath("notafolder"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString bad = dir.filePath("notafolder/setup.ini");
    IniFile ini(bad);
    try {
        ini.WriteInteger("options", "timelimit", 10);
        FAIL() << "the write should have been refused";
    } catch (const IniError& e) {
        EXPECT_EQ(e.message(), "Unable to write to " + bad);
    }
    EXPECT_EQ(ini.ReadInteger("options", "timelimit", -1), -1);
}

TEST_F(IniTest, ValueWithALineBreakIsRefusedAndTheFileKept)
{
    put("[options]\nsavepath=/a/\n");
    IniFile ini(path);
    EXPECT_THROW(ini.WriteString("options", "savepath", "/a/\n[options]\ntimelimit=1/"), IniError);
    EXPECT_EQ(contents(), QByteArray("[options]\nsavepath=/a/\n"));
}

TEST_F(IniTest, EachAccessSeesTheFileAsItIsNow)
{
    IniFile ini(path);
    put("[tips]\ntipno=2\n");
    EXPECT_EQ(ini.ReadInteger("tips", "tipno", 1), 2);
    put("[tips]\ntipno=9\n");
    EXPECT_EQ(ini.ReadInteger("tips", "tipno", 1), 9);
}

}  // namespace

namespace {

TEST_F(IniTest, RewriteKeepsTheFilePermissions)
{
    put("[options]\ntimelimit=1\n");
    ASSERT_TRUE(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    IniFile(path).WriteInteger("options", "timelimit", 2);
    EXPECT_EQ(QFile::permissions(path) & 0x7077, QFile::ReadOwner | QFile::WriteOwner);
}

}  // namespace

namespace {

// Runs `body` without the right to write a folder that only its owner may write: as root (who
// may write everything), in a child process that has become "nobody". Its result, or 99.
int withoutRoot(const std::function<int()>& body)
{
    if (geteuid() != 0)
        return body();
    const pid_t pid = fork();
    if (pid == 0)
        _exit(setgid(65534) == 0 && setuid(65534) == 0 ? body() : 98);
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 99;
}

TEST(IniInPlace, AFolderThatMayNotBeWrittenGetsItsWritableFileWrittenInPlace)
{
    QTemporaryDir dir(QStringLiteral("/tmp/tavrin-ini-XXXXXX"));
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("setup.ini");
    const QString absent = dir.filePath("other.ini");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[options]\r\ntimelimit=1\r\n; kept\r\n");
    }
    const auto all = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const auto exec = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    const auto write = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    ASSERT_TRUE(QFile::setPermissions(path, all | write));
    ASSERT_TRUE(QFile::setPermissions(dir.path(), all | exec));
    const int result = withoutRoot([&] {
        try {
            IniFile(path).WriteInteger("options", "timelimit", 1234567);  // grows
            IniFile(path).WriteString("mp3", "bitrate", "128");
            IniFile(path).WriteInteger("options", "timelimit", -1);       // shrinks
        } catch (const IniError&) {
            return 1;
        }
        try {
            IniFile(absent).WriteInteger("options", "timelimit", 5);
            return 2;
        } catch (const IniError& e) {
            return e.message() == "Unable to write to " + absent ? 0 : 3;
        }
    });
    QFile::setPermissions(dir.path(), all | exec | QFile::WriteOwner);
    EXPECT_EQ(result, 0) << "1: the in-place write failed; 2, 3: a new file was not refused as it should be";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("[options]\r\ntimelimit=-1\r\n; kept\r\n\r\n[mp3]\r\nbitrate=128\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"setup.ini"});
}

}  // namespace
