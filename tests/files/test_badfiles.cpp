// Damaged input: empty files, random bytes, cut and scrambled files of every type of the open
// dialog fail to open or read to a clean end. Nothing crashes (also run under AddressSanitizer).
#include "FilesTestUtil.h"

#include "engine/EngineError.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioInformation2.h"
#include "engine/files/FfmpegModule.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace filetest;

namespace {

const char* const kExtensions[] = {"wav", "mp3", "mp2", "mp1", "mpeg", "ogg", "avi", "g721", "mpc", "mp+",
                                   "wma", "vox", "raw", "pcm", "gsm", "g723", "g726"};

// Opens the file and, if it opens, reads it through and seeks about: must end, must not crash.
void exercise(const QString& path)
{
    TAudioFile2 f;
    f.Open(path, 0, 1);
    if (f.LastError() != 0) {
        EXPECT_FALSE(f.LastErrorText().isEmpty());
        EXPECT_EQ(f.Length(), 0);
        EXPECT_TRUE(f.ReadArray(1000).isEmpty());
    } else {
        EXPECT_GE(f.Length(), 0);
        EXPECT_GT(f.SampleRate(), 0);
        EXPECT_GE(f.Channels(), 1);
        EXPECT_LE(f.Channels(), 2);
        long total = 0;
        for (int guard = 0; guard < 100000; ++guard) {
            SampleArray a = f.ReadArray(8820);
            if (a.isEmpty())
                break;
            EXPECT_EQ(a.channels(), f.Channels());
            total += a.frames();
        }
        EXPECT_EQ(f.Length(), total) << "read through: the length is what was read";
        EXPECT_TRUE(f.ReadArray(10).isEmpty());
        for (int p : {0, static_cast<int>(total / 2), static_cast<int>(total), static_cast<int>(total) + 5000, 1}) {
            const int reached = f.Seek(p, 3);
            EXPECT_GE(reached, 0);
            EXPECT_LE(reached, std::max(p, 0));
            f.ReadArray(3000);
        }
    }
    f.Close();
    TAudioInformation2 info;
    try {
        info.ReadInfo(path);
        EXPECT_GE(info.Duration(), 0);
    } catch (const EngineError&) {
    }
}

TEST(BadFiles, EmptyFilesOfEveryType)
{
    QTemporaryDir dir;
    for (const char* ext : kExtensions) {
        SCOPED_TRACE(ext);
        const QString path = dir.filePath(QStringLiteral("empty.%1").arg(ext));
        writeBytes(path, {});
        TAudioFile2 f;
        f.Open(path, 0, 1);
        EXPECT_TRUE(f.LastError() != 0 || f.Length() == 0);
        exercise(path);
    }
}

TEST(BadFiles, RandomBytesOfEveryType)
{
    QTemporaryDir dir;
    std::mt19937 rng(2024);
    for (const char* ext : kExtensions) {
        for (int size : {1, 7, 300, 5000, 70000}) {
            SCOPED_TRACE(std::string(ext) + " " + std::to_string(size));
            QByteArray bytes(size, '\0');
            for (char& b : bytes)
                b = static_cast<char>(rng());
            const QString path = dir.filePath(QStringLiteral("random%1.%2").arg(size).arg(ext));
            writeBytes(path, bytes);
            exercise(path);
        }
    }
}

// Random bytes behind the magic numbers of the containers, so that their parsers go deeper.
TEST(BadFiles, PlausibleHeadersWithGarbageBehind)
{
    QTemporaryDir dir;
    std::mt19937 rng(99);
    const std::pair<const char*, QByteArray> heads[] = {
        {"wav", QByteArray("RIFF\xff\xff\xff\x7fWAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xac\0\0\x10\xb1\x02\0\x04\0\x10\0data\xff\xff\xff\x7f", 44)},
        {"wav", QByteArray("RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x11\0\x07\0\x01\0\0\0\0\0\0\0\0\0\0\0data", 40)},
        {"mp3", QByteArray("ID3\x03\0\0\0\0\x10\x00", 10)},
        {"mp3", QByteArray("\xff\xfb\x90\x64", 4)},
        {"mp2", QByteArray("\xff\xfd\xa4\x00", 4)},
        {"ogg", QByteArray("OggS\0\x02\0\0\0\0\0\0\0\0", 14)},
        {"avi", QByteArray("RIFF\xff\xff\0\0AVI LIST", 16)},
        {"mpc", QByteArray("MP+\x07", 4)},
        {"mp+", QByteArray("MPCK", 4)},
        {"wma", QByteArray("\x30\x26\xb2\x75\x8e\x66\xcf\x11\xa6\xd9\x00\xaa\x00\x62\xce\x6c", 16)},
        {"mpeg", QByteArray("\x00\x00\x01\xba\x44\x00\x04\x00\x04\x01", 10)},
    };
    int n = 0;
    for (const auto& [ext, head] : heads) {
        for (int round = 0; round < 6; ++round) {
            SCOPED_TRACE(std::string(ext) + " round " + std::to_string(round));
            QByteArray bytes = head;
            const int size = 200 << (round * 2);
            for (int i = 0; i < size; ++i) {
                // Mostly garbage, sometimes repeated headers, as real damage looks.
                if (rng() % 500 == 0)
                    bytes.append(head);
                bytes.append(static_cast<char>(rng()));
            }
            const QString path = dir.filePath(QStringLiteral("p%1.%2").arg(n++).arg(ext));
            writeBytes(path, bytes);
            exercise(path);
        }
    }
}

// Real files of each type we can make, cut at many places and scrambled in the middle.
TEST(BadFiles, CutAndScrambledRealFiles)
{
    QTemporaryDir dir;
    struct Source {
        QString name;
        std::function<void(const QString&)> make;
    };
    auto withFile = [](auto setFormat, int rate, int channels) {
        return [=](const QString& path) {
            TAudioFile2 w;
            setFormat(w);
            writeAll(w, path, tone(rate * 2, channels, rate, 440), channels, rate / 5);
        };
    };
    auto withFfmpeg = [](files::FfmpegWriterSpec spec) {
        return [=](const QString& path) {
            const auto w = files::openFfmpegWriter(path, spec);
            const std::vector<float> s = tone(spec.sampleRate * 2, spec.channels, spec.sampleRate, 440);
            w->write(s.data(), spec.sampleRate * 2);
            w->finish();
        };
    };
    const std::vector<Source> sources = {
        {"a.wav", withFile([](TAudioFile2& w) { w.SetFormatPCM(22050, 2, 16); }, 22050, 2)},
        {"b.wav", withFile([](TAudioFile2& w) { w.SetFormatPCM(8000, 1, 8); }, 8000, 1)},
        {"a.mp3", withFile([](TAudioFile2& w) { w.SetFormatMP3(44100, 128, 2); }, 44100, 2)},
        {"b.mp3", withFile([](TAudioFile2& w) { w.SetFormatMP3(22050, 40, 2); }, 22050, 2)},
        {"a.wma", withFile([](TAudioFile2& w) { w.SetFormatWMA(38); }, 44100, 2)},
        {"a.mp2", withFfmpeg({"mp2", "mp2", 44100, 2, 160000, {}, {}})},
        {"a.mpeg", withFfmpeg({"mpeg", "mp2", 44100, 2, 160000, {}, {}})},
        {"a.ogg", withFfmpeg({"ogg", "libvorbis", 44100, 2, 96000, {}, {}})},
        {"a.avi", withFfmpeg({"avi", "libmp3lame", 44100, 2, 128000, {}, {}})},
        {"a.g721", withFfmpeg({"data", "g726le", 8000, 1, 32000, "code_size=4", {}})},
        {"a.gsm", withFfmpeg({"gsm", "libgsm", 8000, 1, 13000, {}, {}})},
        {"c.wav", withFfmpeg({"wav", "adpcm_ima_wav", 22050, 2, 0, {}, {}})},
    };
    std::mt19937 rng(5);
    for (const Source& src : sources) {
        const QString original = dir.filePath(src.name);
        src.make(original);
        const QByteArray bytes = readBytes(original);
        ASSERT_GT(bytes.size(), 1000) << src.name.toStdString();
        const QString ext = QFileInfo(src.name).suffix();
        std::vector<int> cuts = {1, 4, 12, 40, 44, 100, 200, 417, 1000, static_cast<int>(bytes.size() / 2),
                                 static_cast<int>(bytes.size()) - 129, static_cast<int>(bytes.size()) - 1};
        for (int i = 0; i < 6; ++i)
            cuts.push_back(static_cast<int>(rng() % bytes.size()));
        for (int cut : cuts) {
            SCOPED_TRACE(src.name.toStdString() + " cut at " + std::to_string(cut));
            const QString path = dir.filePath(QStringLiteral("cut%1.%2").arg(cut).arg(ext));
            writeBytes(path, bytes.left(cut));
            exercise(path);
        }
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE(src.name.toStdString() + " scrambled " + std::to_string(round));
            QByteArray damaged = bytes;
            const int from = static_cast<int>(rng() % damaged.size());
            const int len = std::min<int>(static_cast<int>(rng() % 3000), damaged.size() - from);
            for (int i = from; i < from + len; ++i)
                damaged[i] = static_cast<char>(rng());
            const QString path = dir.filePath(QStringLiteral("scrambled%1.%2").arg(round).arg(ext));
            writeBytes(path, damaged);
            exercise(path);
        }
    }
}

// A WAV whose header was written once at the start (sizes 0) and never brought up to date, as
// other programs leave them after a crash: the data that is there plays.
TEST(BadFiles, WavWithSizesNeverFilledIn)
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.wav");
    TAudioFile2 w;
    w.SetFormatPCM(22050, 2, 16);
    writeAll(w, good, tone(22050, 2, 22050, 440), 2, 4410);
    QByteArray bytes = readBytes(good);
    const int data = bytes.indexOf("data");
    ASSERT_GT(data, 0);
    for (int sizeField : {4, data + 4})
        for (int i = 0; i < 4; ++i)
            bytes[sizeField + i] = 0;
    const QString path = dir.filePath("zero.wav");
    writeBytes(path, bytes);
    TAudioFile2 r;
    r.Open(path, 0, 1);
    ASSERT_EQ(r.LastError(), 0) << r.LastErrorText().toStdString();
    EXPECT_EQ(r.Length(), 22050);
    EXPECT_EQ(readAll(r).size(), 22050u * 2);
}

// Unreadable files have no stream description: neither a made-up one from the format last set
// nor the one of the file read before.
TEST(BadFiles, AFileThatDoesNotOpenIsNotDescribed)
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.wav");
    TAudioFile2 w;
    w.SetFormatPCM(22050, 2, 16);
    writeAll(w, good, tone(2205, 2, 22050, 440), 2, 2205);
    const QString empty = dir.filePath("empty.wav");
    writeBytes(empty, {});
    const QString text = dir.filePath("text.mp3");
    writeBytes(text, QByteArray("this is not sound, only words; ").repeated(200));

    TAudioFile2 f;
    f.SetFormatPCM(44100, 2, 16);
    TAudioInformation2 info;
    for (const QString& bad : {empty, text}) {
        SCOPED_TRACE(bad.toStdString());
        f.Open(good, 0, 1);
        f.Open(bad, 0, 1);
        EXPECT_NE(f.LastError(), 0);
        EXPECT_EQ(f.FormatDescription(), QString());
        info.ReadInfo(good);
        ASSERT_FALSE(info.FormatDescription().isEmpty());
        info.ReadInfo(bad);
        EXPECT_EQ(info.FormatDescription(), QString());
        EXPECT_EQ(info.Duration(), 0);
    }
    f.Close();
    EXPECT_EQ(f.FormatDescription(), "PCM 16 bit: 44100 Hz, Stereo");   // the format set, once closed
}

// A call that has not come back after a generous while would block the window for good. Its
// thread cannot be joined then, so the test program ends at once, failing.
void mustReturn(const QString& what, const std::function<void()>& call)
{
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> returned = done->get_future();
    std::thread([done, call] {
        call();
        done->set_value();
    }).detach();
    if (returned.wait_for(std::chrono::seconds(30)) != std::future_status::ready) {
        std::fprintf(stderr, "FAILED: %s has not returned after 30 s: it blocks\n", qPrintable(what));
        std::_Exit(1);
    }
}

// Named pipes (a reader waits for a writer that never comes), devices (/dev/zero never ends),
// sockets and folders, also behind links, are refused at once by every opening road, with a
// message that says what they are.
TEST(NotAFile, PipesDevicesSocketsAndFoldersAreRefusedAtOnce)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath("pipe.wav");
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString zero = dir.filePath("zero.mp3");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));
    const QString pipeLink = dir.filePath("link.flac");
    ASSERT_TRUE(QFile::link(pipe, pipeLink));
    const QString folder = dir.filePath("folder.wma");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString socketPath = dir.filePath("socket.ogg");
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", QFile::encodeName(socketPath).constData());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    const std::pair<QString, QString> cases[] = {
        {pipe, pipe + " is a named pipe (FIFO), not a regular file"},
        {zero, zero + " leads to /dev/zero, a character device, not a regular file"},
        {pipeLink, pipeLink + " leads to " + QFileInfo(pipe).canonicalFilePath() + ", a named pipe (FIFO), not a regular file"},
        {folder, folder + " is a folder, not a regular file"},
        {socketPath, socketPath + " is a socket, not a regular file"},
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path.toStdString());
        mustReturn(path, [path = path, message = message] {
            TAudioFile2 f;
            f.SetFormatPCM(44100, 2, 16);
            f.Open(path, 0, 1);
            EXPECT_EQ(f.LastError(), 1);
            EXPECT_EQ(f.LastErrorText(), message);
            EXPECT_EQ(f.FormatDescription(), QString());
            TAudioInformation2 info;
            for (bool write : {false, true}) {
                try {
                    write ? info.WriteInfo(path) : info.ReadInfo(path);
                    ADD_FAILURE() << (write ? "written" : "read");
                } catch (const EngineError& e) {
                    EXPECT_EQ(e.message(), message);
                }
            }
        });
    }
    ::close(sock);
}

TEST(BadFiles, NamesThatLookLikeUrlsOrOptions)
{
    QTemporaryDir dir;
    for (const char* name : {"http:x.wav", "-i.wav", "a|b.mp3", "concat:x.mp3", "пример.wav", "sp ace.wav"}) {
        const QString path = dir.filePath(name);
        TAudioFile2 w;
        w.SetFormatPCM(8000, 1, 16);
        writeAll(w, path, tone(800, 1, 8000, 300), 1, 800);
        TAudioFile2 r;
        r.Open(path, 0, 1);
        EXPECT_EQ(r.LastError(), 0) << name << " " << r.LastErrorText().toStdString();
        EXPECT_EQ(r.Length(), 800) << name;
    }
}

} // namespace
