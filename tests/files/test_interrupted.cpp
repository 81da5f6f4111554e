// Recordings that end badly: a program killed while writing (the file as it is on disk at that
// moment) and a disk that fills up. What was written must stay a playable file.
#include "FilesTestUtil.h"

#include "engine/EngineError.h"
#include "engine/TAudioFile2.h"
#include "engine/files/SndfileWriter.h"
#include "support/FileSizeLimit.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>

using namespace filetest;

namespace {

struct Format {
    const char* ext;
    int rate, channels;
    void (*set)(TAudioFile2&);
    int slack;   // frames the encoder may still hold (or add) at the moment of the cut
};

class Interrupted : public ::testing::TestWithParam<Format> {};

// Copies the file while the writer still has it open: what a crash would leave behind.
TEST_P(Interrupted, AFileCutOffMidRecordingPlaysToTheCut)
{
    const Format fmt = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rec.%1").arg(fmt.ext));
    const QString copy = dir.filePath(QStringLiteral("crash.%1").arg(fmt.ext));
    TAudioFile2 w;
    fmt.set(w);
    w.CreateNew(path, 0);
    const int block = fmt.rate / 5;   // the program's 200 ms blocks
    const std::vector<float> s = tone(block * 23, fmt.channels, fmt.rate, 440);
    for (int b = 0; b < 23; ++b) {
        std::vector<float> part(s.begin() + static_cast<std::ptrdiff_t>(b) * block * fmt.channels,
                                s.begin() + static_cast<std::ptrdiff_t>(b + 1) * block * fmt.channels);
        w.WriteArray(SampleArray(fmt.channels, std::move(part)));
    }
    ASSERT_TRUE(QFile::copy(path, copy));
    w.Close();
    if (QString(fmt.ext) == "wav") {
        EXPECT_TRUE(readBytes(copy).startsWith("RIFF")) << "a plain WAV header while below 4 GiB";
    }

    TAudioFile2 r;
    r.Open(copy, 0, 1);
    ASSERT_EQ(r.LastError(), 0) << r.LastErrorText().toStdString();
    const int declared = r.Length();   // what the header says, before anything is decoded
    const int written = block * 23;
    const std::vector<float> out = readAll(r);
    const int got = static_cast<int>(out.size()) / fmt.channels;
    EXPECT_GE(got, written - fmt.slack);
    EXPECT_LE(got, written + fmt.slack);
    EXPECT_EQ(r.Length(), got);
    EXPECT_NEAR(declared, got, fmt.rate / 1000 + 1) << "the header's length is not what the file holds";
    EXPECT_NEAR(frequency(out, fmt.channels, 0, fmt.rate, fmt.rate / 2, got - fmt.rate / 2), 440, 3);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Interrupted,
    ::testing::Values(Format{"wav", 44100, 2, [](TAudioFile2& w) { w.SetFormatPCM(44100, 2, 16); }, 0},
                      Format{"wav", 8000, 1, [](TAudioFile2& w) { w.SetFormatPCM(8000, 1, 8); }, 0},
                      // LAME holds back about two frames plus its look-ahead; the placeholder
                      // of the tag frame decodes as one silent frame.
                      Format{"mp3", 44100, 2, [](TAudioFile2& w) { w.SetFormatMP3(44100, 128, 2); }, 4 * 1152},
                      Format{"mp3", 22050, 2, [](TAudioFile2& w) { w.SetFormatMP3(22050, 40, 2); }, 6 * 576},
                      // The ASF muxer holds at most the packet it is filling.
                      Format{"wma", 44100, 2, [](TAudioFile2& w) { w.SetFormatWMA(38); }, 44100 / 2},
                      Format{"wma", 8000, 1, [](TAudioFile2& w) { w.SetFormatWMA(0); }, 8000 / 2},
                      // libFLAC holds back up to a frame of 4096 and one sample.
                      Format{"flac", 44100, 2, [](TAudioFile2& w) { w.SetFormatFLAC(44100, 2, 16, 5); }, 4097},
                      Format{"flac", 8000, 1, [](TAudioFile2& w) { w.SetFormatFLAC(8000, 1, 24, 0); }, 1153}),
    [](const auto& test) { return std::string(test.param.ext) + "_" + std::to_string(test.param.rate); });

class DiskFull : public ::testing::TestWithParam<Format> {};

TEST_P(DiskFull, TheFailureIsRaisedOnceAndWhatWasWrittenPlays)
{
    const Format fmt = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full.%1").arg(fmt.ext));
    TAudioFile2 w;
    fmt.set(w);
    const int block = fmt.rate / 5;
    const std::vector<float> s = tone(block, fmt.channels, fmt.rate, 440);
    int accepted = 0;
    int failures = 0;
    QString message;
    {
        FileSizeLimit limit(60000);
        w.CreateNew(path, 0);
        for (int b = 0; b < 100; ++b) {
            try {
                w.WriteArray(SampleArray(fmt.channels, std::vector<float>(s)));
                if (failures == 0)
                    accepted += block;
            } catch (const EngineError& e) {
                ++failures;
                message = e.message();
            }
        }
        EXPECT_NO_THROW(w.Close());   // already reported: Close completes what it can
    }
    EXPECT_EQ(failures, 1);
    EXPECT_TRUE(message.contains(path)) << message.toStdString();
    EXPECT_TRUE(message.contains("large") || message.contains("space")) << message.toStdString();
    EXPECT_LE(QFileInfo(path).size(), 60000);

    TAudioFile2 r;
    r.Open(path, 0, 1);
    ASSERT_EQ(r.LastError(), 0) << r.LastErrorText().toStdString();
    const int got = static_cast<int>(readAll(r).size()) / fmt.channels;
    EXPECT_GE(got, accepted - fmt.slack - fmt.rate / 2);
    EXPECT_GT(got, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, DiskFull,
    ::testing::Values(Format{"wav", 44100, 2, [](TAudioFile2& w) { w.SetFormatPCM(44100, 2, 16); }, 0},
                      Format{"mp3", 44100, 2, [](TAudioFile2& w) { w.SetFormatMP3(44100, 128, 2); }, 4 * 1152},
                      Format{"wma", 44100, 2, [](TAudioFile2& w) { w.SetFormatWMA(38); }, 44100 / 2}),
    [](const auto& test) { return std::string(test.param.ext); });

// Strict readers refuse WAVE_FORMAT_EXTENSIBLE: up to two channels of 8 or 16 bit carry the
// plain PCM tag, with sizes current after every block and the samples libsndfile would write.
TEST(Wav, PlainPcmFormatTagBelowFourGigabytes)
{
    QTemporaryDir dir;
    const auto le = [](const QByteArray& b, qsizetype at, int bytes) {
        quint32 v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = v << 8 | quint8(b[at + i]);
        return qint64(v);
    };
    for (const auto& [channels, bits] : {std::pair{2, 16}, std::pair{1, 8}}) {
        std::vector<float> s = tone(4411, channels, 44100, 440);
        for (float& x : s)
            x *= 1.3f;   // some samples clip
        const QString path = dir.filePath(QStringLiteral("h%1.wav").arg(bits));
        TAudioFile2 w;
        w.SetFormatPCM(44100, channels, bits);
        writeAll(w, path, s, channels, 1000, false);
        const QByteArray open = readBytes(path);   // what a killed program leaves
        w.Close();
        for (const QByteArray& b : {open, readBytes(path)}) {
            ASSERT_TRUE(b.startsWith("RIFF"));
            EXPECT_EQ(b.mid(8, 4), "WAVE");
            const qsizetype fmt = b.indexOf("fmt ");
            ASSERT_GT(fmt, 0);
            EXPECT_EQ(le(b, fmt + 8, 2), 1) << "format tag";
            EXPECT_EQ(le(b, fmt + 10, 2), channels);
            EXPECT_EQ(le(b, fmt + 22, 2), bits);
            const qsizetype data = b.indexOf("data");
            EXPECT_EQ(le(b, data + 4, 4), 4411 * channels * bits / 8);
            EXPECT_EQ(le(b, 4, 4), b.size() - 8);
        }
        files::SndfileWriter reference(dir.filePath("reference.wav"), 44100, channels, bits);
        reference.write(s.data(), 4411);
        reference.finish();
        const QByteArray mine = readBytes(path), theirs = readBytes(dir.filePath("reference.wav"));
        EXPECT_EQ(mine.mid(mine.indexOf("data") + 8, 4411 * channels * bits / 8),
                  theirs.mid(theirs.indexOf("data") + 8, 4411 * channels * bits / 8));
    }
}

} // namespace
