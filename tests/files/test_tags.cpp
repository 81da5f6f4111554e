// Tags through TAudioInformation2: every field round-trips, the audio stays as it was.
#include "FilesTestUtil.h"

#include "engine/EngineError.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioInformation2.h"
#include "engine/files/FfmpegModule.h"

#include <QProcess>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace filetest;

namespace {

struct Fields {
    QString title, artist, album, comments, copyright;
    int genre, year, track;
};

void put(TAudioInformation2& info, const Fields& f)
{
    info.setInfoTitle(f.title);
    info.setInfoArtist(f.artist);
    info.setInfoAlbum(f.album);
    info.setInfoComments(f.comments);
    info.setInfoCopyright(f.copyright);
    info.setInfoGenre(f.genre);
    info.setInfoYear(f.year);
    info.setInfoTrack(f.track);
}

void expectFields(const QString& path, const Fields& f, bool copyrightKept = true)
{
    TAudioInformation2 info;
    info.ReadInfo(path);
    EXPECT_EQ(info.infoTitle(), f.title);
    EXPECT_EQ(info.infoArtist(), f.artist);
    EXPECT_EQ(info.infoAlbum(), f.album);
    EXPECT_EQ(info.infoComments(), f.comments);
    EXPECT_EQ(info.infoCopyright(), copyrightKept ? f.copyright : QString());
    EXPECT_EQ(info.infoGenre(), f.genre);
    EXPECT_EQ(info.infoYear(), f.year);
    EXPECT_EQ(info.infoTrack(), f.track);
}

QString makeFile(const QTemporaryDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    TAudioFile2 w;
    if (name.endsWith(".wav"))
        w.SetFormatPCM(22050, 2, 16);
    else if (name.endsWith(".wma"))
        w.SetFormatWMA(20);
    else
        w.SetFormatMP3(22050, 64, 2);
    writeAll(w, path, tone(22050 * 2, 2, 22050, 500), 2, 4410);
    return path;
}

std::vector<float> decoded(const QString& path)
{
    TAudioFile2 r;
    r.Open(path, 0, 1);
    EXPECT_EQ(r.LastError(), 0);
    return readAll(r);
}

const Fields kRich{QStringLiteral("Запись у реки"), QStringLiteral("Артист & Co"), QStringLiteral("Альбом 2"),
                   QStringLiteral("Комментарий, длинный: ") + QString(200, QChar('x')),
                   QStringLiteral("© Автор"), 17, 1999, 7};
const Fields kAscii{"Title of thirty characters ok.", "Artist", "Album", "A comment", "", 52, 2024, 12};

TEST(Tags, Mp3Id3v2RoundTripKeepsTheAudio)
{
    QTemporaryDir dir;
    const QString path = makeFile(dir, "v2.mp3");
    const std::vector<float> before = decoded(path);
    TAudioInformation2 info;
    info.setTagVersion(2);
    put(info, kRich);
    info.WriteInfo(path);
    expectFields(path, kRich);
    EXPECT_EQ(decoded(path), before);
    EXPECT_EQ(QFileInfo(path).size(), [&] { TAudioInformation2 i; i.ReadInfo(path); return i.FileSize(); }());
}

TEST(Tags, Mp3Id3v1RoundTripKeepsTheAudio)
{
    QTemporaryDir dir;
    const QString path = makeFile(dir, "v1.mp3");
    const std::vector<float> before = decoded(path);
    TAudioInformation2 info;
    EXPECT_EQ(info.TagVersion(), 2);   // the default until the program chooses
    info.setTagVersion(1);
    put(info, kAscii);
    info.setInfoCopyright("not kept by ID3v1");
    info.WriteInfo(path);
    expectFields(path, kAscii, false);
    EXPECT_EQ(decoded(path), before);
    // The ID3v1 tag is the file's last 128 bytes.
    EXPECT_TRUE(readBytes(path).right(128).startsWith("TAG"));
}

TEST(Tags, BothKindsAgreeAfterAnyWrite)
{
    QTemporaryDir dir;
    const QString path = makeFile(dir, "both.mp3");
    TAudioInformation2 info;
    info.setTagVersion(2);
    put(info, kRich);
    info.WriteInfo(path);
    info.setTagVersion(1);
    put(info, kAscii);
    info.WriteInfo(path);
    expectFields(path, kAscii, false);   // the ID3v2 tag was brought up to date too
}

TEST(Tags, NoGenreReadsOutsideTheList)
{
    QTemporaryDir dir;
    const QString path = makeFile(dir, "g.mp3");
    TAudioInformation2 info;
    info.ReadInfo(path);   // no tag at all
    EXPECT_TRUE(info.infoGenre() < 0 || info.infoGenre() > 146);
    for (int version : {1, 2}) {
        info.setTagVersion(version);
        info.setInfoGenre(-1);   // the program's "nothing chosen"
        info.setInfoTitle("t");
        info.WriteInfo(path);
        TAudioInformation2 again;
        again.ReadInfo(path);
        EXPECT_EQ(again.infoGenre(), 255) << version;
    }
    // The ID3v1 byte of "no genre" is 255.
    EXPECT_EQ(static_cast<unsigned char>(readBytes(path).back()), 255);
}

TEST(Tags, NumbersBeyondWhatId3v1Holds)
{
    QTemporaryDir dir;
    const QString path = makeFile(dir, "n.mp3");
    TAudioInformation2 info;
    info.setTagVersion(2);
    info.setInfoTrack(300);
    info.setInfoYear(-5);
    info.WriteInfo(path);
    info.ReadInfo(path);
    EXPECT_EQ(info.infoTrack(), 300);
    EXPECT_EQ(info.infoYear(), 0);   // a year below 1 is no year

    const QString path1 = makeFile(dir, "n1.mp3");
    info.setTagVersion(1);
    info.setInfoTrack(300);
    info.WriteInfo(path1);
    info.ReadInfo(path1);
    EXPECT_EQ(info.infoTrack(), 0);   // ID3v1 holds 1..255
}

TEST(Tags, WavAndWmaKeepTheirOwnTagKinds)
{
    QTemporaryDir dir;
    for (const char* name : {"t.wav", "t.wma"}) {
        const QString path = makeFile(dir, name);
        const std::vector<float> before = decoded(path);
        TAudioInformation2 info;
        put(info, kRich);
        info.WriteInfo(path);
        expectFields(path, kRich);
        EXPECT_EQ(decoded(path), before) << name;
        TAudioFile2 r;
        r.Open(path, 0, 1);
        EXPECT_EQ(r.LastError(), 0);
    }
    // RIFF INFO, not ID3, in the WAV file.
    const QByteArray wav = readBytes(dir.filePath("t.wav"));
    EXPECT_TRUE(wav.contains("INFO"));
    EXPECT_FALSE(wav.contains("ID3"));
}

TEST(Tags, OggVorbisComments)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t.ogg");
    {
        const auto w = files::openFfmpegWriter(path, {"ogg", "libvorbis", 44100, 2, 96000, {}, {}});
        const std::vector<float> s = tone(44100, 2, 44100, 500);
        w->write(s.data(), 44100);
        w->finish();
    }
    TAudioInformation2 info;
    put(info, kRich);
    info.WriteInfo(path);
    expectFields(path, kRich);
}

TEST(Tags, FailuresRaiseClearErrors)
{
    QTemporaryDir dir;
    TAudioInformation2 info;
    // A type without tags: reading gives stream data and empty tags, writing refuses.
    const QString vox = dir.filePath("a.vox");
    writeBytes(vox, QByteArray(8000, '\x11'));
    info.ReadInfo(vox);
    EXPECT_TRUE(info.infoTitle().isEmpty());
    EXPECT_EQ(info.Duration(), 2000);
    EXPECT_EQ(info.FileSize(), 8000);
    try {
        info.WriteInfo(vox);
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_TRUE(e.message().contains("cannot hold tags")) << e.message().toStdString();
    }

    // Read-only: "in use".
    const QString ro = makeFile(dir, "ro.mp3");
    ASSERT_EQ(::chmod(QFile::encodeName(ro).constData(), 0444), 0);
    if (::geteuid() != 0) {
        try {
            info.WriteInfo(ro);
            FAIL() << "no error";
        } catch (const EngineError& e) {
            EXPECT_TRUE(e.message().contains("in use")) << e.message().toStdString();
        }
    }

    // A file being recorded by the program is in use.
    const QString rec = dir.filePath("rec.mp3");
    TAudioFile2 w;
    w.SetFormatMP3(44100, 128, 2);
    w.CreateNew(rec, 0);
    w.WriteArray(SampleArray(2, tone(8820, 2, 44100, 300)));
    EXPECT_THROW(info.WriteInfo(rec), EngineError);
    info.ReadInfo(rec);   // reading is harmless
    w.Close();
    EXPECT_NO_THROW(info.WriteInfo(rec));
}

// An ID3v2.3 tag of text frames, Latin-1, as other programs write it.
QByteArray id3v23(const std::vector<std::pair<QByteArray, QByteArray>>& frames)
{
    QByteArray body;
    for (const auto& [id, text] : frames) {
        const int size = static_cast<int>(text.size()) + 1;
        body += id;
        body += QByteArray(1, char(size >> 24)) + char(size >> 16) + char(size >> 8) + char(size);
        body += QByteArray(3, '\0') + text;   // flags, Latin-1
    }
    const int n = static_cast<int>(body.size());
    return QByteArray("ID3\x03\0\0", 6) + char((n >> 21) & 0x7F) + char((n >> 14) & 0x7F) + char((n >> 7) & 0x7F)
        + char(n & 0x7F) + body;
}

QStringList flacTag(const QString& path, const QString& name)
{
    QProcess p;
    p.start("metaflac", {"--show-tag=" + name, path});
    EXPECT_TRUE(p.waitForFinished(20000)) << "metaflac did not run";
    return QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
}

// Two artist frames in ID3v2, two ARTIST comments in FLAC: both shown, joined with " / ", and
// still two values after the other fields are saved; an edited field of several values is
// split at " / " again.
TEST(Tags, SeveralValuesOfAFieldAreShownAllAndKept)
{
    QTemporaryDir dir;
    const QString mp3 = makeFile(dir, "two.mp3");
    writeBytes(mp3, id3v23({{"TIT2", "Song"}, {"TPE1", "piman"}, {"TPE1", "jzig"}}) + readBytes(mp3));
    const QString flac = dir.filePath("two.flac");
    TAudioFile2 w;
    w.SetFormatFLAC(22050, 2, 16, 5);
    writeAll(w, flac, tone(22050, 2, 22050, 500), 2, 4410);
    ASSERT_EQ(QProcess::execute("metaflac", {"--set-tag=TITLE=Song", "--set-tag=ARTIST=piman", "--set-tag=ARTIST=jzig", flac}), 0);

    for (const QString& path : {mp3, flac}) {
        SCOPED_TRACE(path.toStdString());
        TAudioInformation2 info;
        info.ReadInfo(path);
        EXPECT_EQ(info.infoArtist(), "piman / jzig");
        // The window sets every field back from its edit before the save.
        info.setInfoTitle("Another song");
        info.setInfoArtist(info.infoArtist());
        info.setInfoAlbum(info.infoAlbum());
        info.setInfoComments(info.infoComments());
        info.setInfoCopyright(info.infoCopyright());
        info.WriteInfo(path);
        TAudioInformation2 again;
        again.ReadInfo(path);
        EXPECT_EQ(again.infoTitle(), "Another song");
        EXPECT_EQ(again.infoArtist(), "piman / jzig");
    }
    EXPECT_EQ(readBytes(mp3).count("TPE1"), 2);   // the two frames as they were
    EXPECT_EQ(flacTag(flac, "ARTIST"), QStringList({"ARTIST=piman", "ARTIST=jzig"}));

    TAudioInformation2 info;
    info.ReadInfo(flac);
    info.setInfoArtist("piman / jzig / Третий");
    info.WriteInfo(flac);
    EXPECT_EQ(flacTag(flac, "ARTIST"), QStringList({"ARTIST=piman", "ARTIST=jzig", "ARTIST=Третий"}));
    info.ReadInfo(mp3);
    info.setInfoArtist("piman / Третий");
    info.WriteInfo(mp3);
    info.ReadInfo(mp3);
    EXPECT_EQ(info.infoArtist(), "piman / Третий");
    // A field of one value keeps a " / " of its own.
    info.setInfoTitle("AC / DC");
    info.WriteInfo(flac);
    EXPECT_EQ(flacTag(flac, "TITLE"), QStringList({"TITLE=AC / DC"}));
}

TEST(Tags, AnEmptyNewTargetReads)
{
    // A new recording target is created empty and its tags are loaded at once.
    QTemporaryDir dir;
    for (const char* name : {"e.mp3", "e.wav", "e.wma"}) {
        const QString path = dir.filePath(name);
        TAudioFile2 w;
        if (QString(name).endsWith("mp3"))
            w.SetFormatMP3(44100, 128, 2);
        else if (QString(name).endsWith("wav"))
            w.SetFormatPCM(44100, 2, 16);
        else
            w.SetFormatWMA(38);
        w.CreateNew(path, 0);
        w.Close();
        TAudioInformation2 info;
        EXPECT_NO_THROW(info.ReadInfo(path)) << name;
        EXPECT_EQ(info.Duration(), 0) << name;
        EXPECT_TRUE(info.infoTitle().isEmpty());
    }
}

} // namespace
