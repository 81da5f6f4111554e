// Generated signals through every writable format and back through the reader.
#include "FilesTestUtil.h"

#include "engine/EngineError.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioFile2LameEnc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace filetest;

namespace {

struct WavCase {
    int rate, channels, bits;
};

class WavRoundTrip : public ::testing::TestWithParam<WavCase> {};

TEST_P(WavRoundTrip, LengthSamplesAndDescriptionSurvive)
{
    const WavCase c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("t.wav");
    const int frames = c.rate + c.rate / 3 + 17;   // not a multiple of the block
    const std::vector<float> in = tone(frames, c.channels, c.rate, c.rate / 40.0);

    TAudioFile2 w;
    w.setActive(true);
    w.SetFormatPCM(c.rate, c.channels, c.bits);
    writeAll(w, path, in, c.channels, c.rate / 5);

    TAudioFile2 r;
    r.Open(path, 0, 1);
    ASSERT_EQ(r.LastError(), 0) << r.LastErrorText().toStdString();
    EXPECT_EQ(r.Length(), frames);
    EXPECT_EQ(r.SampleRate(), c.rate);
    EXPECT_EQ(r.Channels(), c.channels);
    EXPECT_EQ(r.FormatDescription(),
              QStringLiteral("PCM %1 bit: %2 Hz, %3").arg(c.bits).arg(c.rate).arg(c.channels == 1 ? "Mono" : "Stereo"));
    const std::vector<float> out = readAll(r, 3000);
    ASSERT_EQ(out.size(), in.size());
    const float step = c.bits == 8 ? 1.0f / 128 : 1.0f / 32768;
    for (std::size_t i = 0; i < in.size(); ++i)
        ASSERT_NEAR(out[i], in[i], step * 1.01f) << "sample " << i;
    EXPECT_TRUE(r.ReadArray(100).isEmpty());
}

std::vector<WavCase> wavCases()
{
    std::vector<WavCase> v;
    for (int rate : {8000, 11025, 22050, 44100})
        for (int bits : {8, 16})
            for (int ch : {1, 2})
                v.push_back({rate, ch, bits});
    return v;
}

INSTANTIATE_TEST_SUITE_P(WavTable, WavRoundTrip, ::testing::ValuesIn(wavCases()),
                         [](const auto& test) {
                             return std::to_string(test.param.rate) + "Hz_" + std::to_string(test.param.bits) + "bit_"
                                    + (test.param.channels == 1 ? "mono" : "stereo");
                         });

struct Mp3Case {
    int rate, kbps;
};

class Mp3RoundTrip : public ::testing::TestWithParam<Mp3Case> {};

TEST_P(Mp3RoundTrip, GaplessLengthToneAndLevel)
{
    const Mp3Case c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("t.mp3");
    const int frames = 2 * c.rate + 1234;
    const double freq = 441.0;
    std::vector<float> in = tone(frames, 2, c.rate, freq);
    // A burst of noise marks a place in time, so a delay cannot hide behind the tone's period.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> noise(-0.3f, 0.3f);
    for (int i = c.rate / 2; i < c.rate / 2 + 2000; ++i)
        in[static_cast<std::size_t>(i) * 2] += noise(rng);

    TAudioFile2LameEnc enc;
    enc.setSampleRate(c.rate);
    enc.setBitrate(c.kbps);
    TAudioFile2 w;
    w.setActive(true);
    w.SetFormatMP3(c.rate, c.kbps, 2);
    w.SetMP3Encoder(enc.DefaultInterface());
    EXPECT_EQ(w.SampleRate(), c.rate);
    EXPECT_EQ(w.Channels(), 2);
    writeAll(w, path, in, 2, c.rate / 5);

    TAudioFile2 r;
    r.Open(path, 0, 1);
    ASSERT_EQ(r.LastError(), 0) << r.LastErrorText().toStdString();
    EXPECT_EQ(r.Length(), frames);
    EXPECT_EQ(r.SampleRate(), c.rate);
    EXPECT_EQ(r.Channels(), 2);
    const QString prefix = c.rate >= 32000 ? "MPEG 1.0 layer-3: " : "MPEG 2.0 layer-3: ";
    EXPECT_EQ(r.FormatDescription(), prefix + QStringLiteral("%1 Hz, %2 kbps, Stereo").arg(c.rate).arg(c.kbps));
    const std::vector<float> out = readAll(r);
    ASSERT_EQ(static_cast<int>(out.size() / 2), frames);
    // Gapless: the decoded signal lines up with the original, no delay at the start.
    EXPECT_EQ(bestLag(in, out, 2, c.rate / 2, c.rate / 2 + 2000, 600), 0);
    const int from = c.rate, to = frames - c.rate / 4;
    EXPECT_NEAR(frequency(out, 2, 0, c.rate, from, to), freq, 1.0);
    EXPECT_NEAR(frequency(out, 2, 1, c.rate, from, to), freq * 1.5, 1.5);
    const double level = 20 * std::log10(rms(out, 2, 0, from, to) / rms(in, 2, 0, from, to));
    EXPECT_NEAR(level, 0.0, 1.0) << "dB";
}

INSTANTIATE_TEST_SUITE_P(Mp3Table, Mp3RoundTrip,
                         ::testing::Values(Mp3Case{22050, 40}, Mp3Case{22050, 48}, Mp3Case{22050, 64},
                                           Mp3Case{22050, 80}, Mp3Case{44100, 112}, Mp3Case{44100, 128},
                                           Mp3Case{44100, 160}, Mp3Case{44100, 192}, Mp3Case{44100, 256},
                                           Mp3Case{44100, 320}),
                         [](const auto& test) {
                             return std::to_string(test.param.rate) + "Hz_" + std::to_string(test.param.kbps) + "kbps";
                         });

TEST(Mp3Writing, MonoModeWritesOneChannel)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("m.mp3");
    TAudioFile2 w;
    w.SetFormatMP3(44100, 128, 1);
    writeAll(w, path, tone(44100, 2, 44100, 500), 2, 8820);   // stereo blocks, mono file
    TAudioFile2 r;
    r.Open(path, 0, 1);
    ASSERT_EQ(r.LastError(), 0);
    EXPECT_EQ(r.Channels(), 1);
    EXPECT_EQ(r.Length(), 44100);
    EXPECT_TRUE(r.FormatDescription().endsWith("Mono"));
}

TEST(Mp3Writing, EncoderObjectSettingsWin)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("e.mp3");
    TAudioFile2LameEnc enc;
    enc.setSampleRate(22050);
    enc.setBitrate(64);
    TAudioFile2 w;
    w.SetFormatMP3(44100, 128, 2);
    w.SetMP3Encoder(&enc);
    EXPECT_EQ(w.SampleRate(), 22050);
    EXPECT_EQ(w.FormatDescription(), "MPEG 2.0 layer-3: 22050 Hz, 64 kbps, Stereo");
    writeAll(w, path, tone(22050, 2, 22050, 500), 2, 4410);
    TAudioFile2 r;
    r.Open(path, 0, 1);
    ASSERT_EQ(r.LastError(), 0);
    EXPECT_EQ(r.SampleRate(), 22050);
    EXPECT_EQ(r.Length(), 22050);
}

TEST(Writing, LengthGrowsWhileWritingAndChannelsAreConverted)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("c.wav");
    TAudioFile2 w;
    w.SetFormatPCM(8000, 2, 16);
    w.CreateNew(path, 0);
    EXPECT_TRUE(w.Active() || !w.Active());
    EXPECT_EQ(w.Length(), 0);
    EXPECT_EQ(w.SampleRate(), 8000);
    EXPECT_EQ(w.Channels(), 2);
    std::vector<float> mono(1600, 0.25f);
    w.WriteArray(SampleArray(1, std::move(mono)));   // mono block into a stereo file
    EXPECT_EQ(w.Length(), 1600);
    w.Close();
    EXPECT_EQ(w.Length(), 0);

    TAudioFile2 r;
    r.Open(path, 0, 1);
    ASSERT_EQ(r.LastError(), 0);
    const std::vector<float> out = readAll(r);
    ASSERT_EQ(out.size(), 3200u);
    EXPECT_NEAR(out[0], 0.25f, 1e-4);
    EXPECT_NEAR(out[1], 0.25f, 1e-4);
}

TEST(Writing, SamplesPastFullScaleAreClippedAndNonNumbersSilenced)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("clip.wav");
    TAudioFile2 w;
    w.SetFormatPCM(8000, 2, 16);
    w.CreateNew(path, 0);
    const float inf = std::numeric_limits<float>::infinity();
    w.WriteArray(SampleArray(2, std::vector<float>{std::nanf(""), inf, -inf, 2.0f, -3.0f, 0.5f}));
    w.WriteArray(SampleArray(1, std::vector<float>{inf, 1.5f}));   // mono into stereo
    w.Close();

    TAudioFile2 r;
    r.Open(path, 0, 1);
    ASSERT_EQ(r.LastError(), 0);
    const std::vector<float> out = readAll(r);
    const std::vector<float> expected{0, 0, 0, 1, -1, 0.5f, 0, 0, 1, 1};
    ASSERT_EQ(out.size(), expected.size());
    for (std::size_t i = 0; i < out.size(); ++i)
        EXPECT_NEAR(out[i], expected[i], 1e-3) << "sample " << i;
}

TEST(Writing, CreateNewEmptiesAnExistingFileAndEmptyTargetsHaveNoLength)
{
    QTemporaryDir dir;
    for (const char* ext : {"wav", "mp3", "wma"}) {
        const QString path = dir.filePath(QStringLiteral("e.%1").arg(ext));
        writeBytes(path, QByteArray(100000, 'x'));
        TAudioFile2 w;
        if (QString(ext) == "wav")
            w.SetFormatPCM(44100, 2, 16);
        else if (QString(ext) == "mp3")
            w.SetFormatMP3(44100, 128, 2);
        else
            w.SetFormatWMA(38);
        w.CreateNew(path, 0);
        w.Close();
        EXPECT_LT(QFile(path).size(), 100000) << ext;
        // The recording probe: a fresh target is "empty" (fewer than 8820 frames).
        TAudioFile2 r;
        r.Open(path, 0, 1);
        EXPECT_LT(r.Length(), 8820) << ext;
        r.Close();
    }
}

TEST(Writing, FailuresRaiseClearErrors)
{
    TAudioFile2 w;
    EXPECT_THROW(w.WriteArray(SampleArray(2, 10)), EngineError);   // nothing open
    EXPECT_THROW(w.CreateNew("/nonexistent-folder/x.wav", 0), EngineError);   // no format yet
    w.SetFormatPCM(44100, 2, 16);
    try {
        w.CreateNew("/nonexistent-folder/x.wav", 0);
        FAIL() << "no error";
    } catch (const EngineError& e) {
        EXPECT_TRUE(e.message().contains("/nonexistent-folder/x.wav")) << e.message().toStdString();
    }
    w.SetFormatMP3(12345, 128, 2);
    EXPECT_THROW(w.CreateNew(QDir::tempPath() + "/tavrin-never.mp3", 0), EngineError);
    EXPECT_FALSE(QFile::exists(QDir::tempPath() + "/tavrin-never.mp3"));
    w.SetFormatPCM(44100, 2, 12);
    EXPECT_THROW(w.CreateNew(QDir::tempPath() + "/tavrin-never.wav", 0), EngineError);
}

TEST(Reading, OpenFailuresSetLastError)
{
    QTemporaryDir dir;
    TAudioFile2 r;
    r.Open(dir.filePath("missing.wav"), 0, 1);
    EXPECT_NE(r.LastError(), 0);
    EXPECT_FALSE(r.LastErrorText().isEmpty());
    EXPECT_EQ(r.Length(), 0);
    EXPECT_TRUE(r.ReadArray(100).isEmpty());
    EXPECT_EQ(r.Seek(1000, 3), 0);

    // A good open afterwards clears the error.
    const QString good = dir.filePath("g.wav");
    TAudioFile2 w;
    w.SetFormatPCM(8000, 1, 16);
    writeAll(w, good, tone(800, 1, 8000, 400), 1, 800);
    r.Open(good, 0, 1);
    EXPECT_EQ(r.LastError(), 0);
    EXPECT_TRUE(r.LastErrorText().isEmpty());
    EXPECT_EQ(r.Length(), 800);
    r.setActive(false);
    EXPECT_EQ(r.Length(), 0);
}

} // namespace
