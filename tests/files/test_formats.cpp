// Reading the other types of the open dialog: generated files of each type open, decode to
// the right tone and length, and seek exactly.
#include "FilesTestUtil.h"

#include "engine/EngineError.h"
#include "engine/TAudioFile2.h"
#include "engine/files/FfmpegModule.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>

using namespace filetest;

namespace {

// Encodes a tone with an FFmpeg encoder and muxer; returns the frames written.
int makeWithFfmpeg(const QString& path, const files::FfmpegWriterSpec& spec, double seconds)
{
    const int frames = static_cast<int>(spec.sampleRate * seconds);
    const std::vector<float> s = tone(frames, spec.channels, spec.sampleRate, 440);
    const auto w = files::openFfmpegWriter(path, spec);
    for (int at = 0; at < frames; at += 4000) {
        const int n = std::min(4000, frames - at);
        w->write(s.data() + static_cast<std::size_t>(at) * spec.channels, n);
    }
    w->finish();
    return frames;
}

struct Decoded {
    int rate = 0, channels = 0, length = 0;
    QString description;
    std::vector<float> samples;
    int frames() const { return channels ? static_cast<int>(samples.size()) / channels : 0; }
};

Decoded decode(const QString& path)
{
    Decoded d;
    TAudioFile2 r;
    r.Open(path, 0, 1);
    EXPECT_EQ(r.LastError(), 0) << path.toStdString() << ": " << r.LastErrorText().toStdString();
    d.rate = r.SampleRate();
    d.channels = r.Channels();
    d.length = r.Length();
    d.description = r.FormatDescription();
    d.samples = readAll(r);
    EXPECT_EQ(r.Length(), d.frames()) << "Length after reading through, " << path.toStdString();
    return d;
}

void expectTone(const Decoded& d, double freq, double tolerance)
{
    ASSERT_GT(d.frames(), d.rate / 2);
    EXPECT_NEAR(frequency(d.samples, d.channels, 0, d.rate, d.rate / 4, d.frames() - d.rate / 4), freq, tolerance);
}

struct Case {
    const char* file;
    files::FfmpegWriterSpec spec;
    const char* descriptionStart;
    bool lengthExactAtOpen;
};

class ContainerTypes : public ::testing::TestWithParam<Case> {};

TEST_P(ContainerTypes, OpenDecodeAndSeek)
{
    const Case c = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath(c.file);
    const int written = makeWithFfmpeg(path, c.spec, 3.0);
    const Decoded d = decode(path);
    EXPECT_EQ(d.rate, c.spec.sampleRate);
    EXPECT_EQ(d.channels, c.spec.channels);
    EXPECT_TRUE(d.description.startsWith(c.descriptionStart)) << d.description.toStdString();
    EXPECT_NEAR(d.frames(), written, 2 * 1152 + 2048);
    if (c.lengthExactAtOpen) {
        EXPECT_EQ(d.length, d.frames());
    }
    expectTone(d, 440, 3);
    expectSeeksExact(path, 16, 5, 1500);
}

INSTANTIATE_TEST_SUITE_P(
    Types, ContainerTypes,
    ::testing::Values(
        // FFmpeg's own MP3 writer puts in a Xing tag with its "Lavc" encoder delay.
        Case{"c.mp3", {"mp3", "libmp3lame", 44100, 2, 128000, {}, {}}, "MPEG 1.0 layer-3: 44100 Hz, 128 kbps, Stereo", true},
        Case{"a.mp2", {"mp2", "mp2", 44100, 2, 192000, {}, {}}, "MPEG 1.0 layer-2: 44100 Hz, 192 kbps, Stereo", true},
        Case{"a.mpeg", {"mpeg", "mp2", 48000, 2, 128000, {}, {}}, "MPEG 1.0 layer-2: 48000 Hz", false},
        Case{"a.ogg", {"ogg", "libvorbis", 44100, 2, 128000, {}, {}}, "Ogg Vorbis: 44100 Hz", true},
        Case{"a.wma", {"asf", "wmav2", 44100, 2, 128000, {}, {}}, "WMA 44100 Hz, 128 kbps, Stereo", false},
        Case{"b.wma", {"asf", "wmav2", 22050, 1, 32000, {}, {}}, "WMA 22050 Hz, 32 kbps, Mono", false},
        Case{"a.avi", {"avi", "pcm_s16le", 22050, 1, 0, {}, {}}, "PCM 16 bit: 22050 Hz, Mono", false},
        Case{"b.avi", {"avi", "libmp3lame", 44100, 2, 128000, {}, {}}, "MPEG 1.0 layer-3: 44100 Hz", false},
        Case{"a.gsm", {"gsm", "libgsm", 8000, 1, 13000, {}, {}}, "GSM 6.10: 8000 Hz", true},
        Case{"a.g721", {"data", "g726le", 8000, 1, 32000, "code_size=4", {}}, "G.726 ADPCM: 8000 Hz", true},
        Case{"a.g726", {"data", "g726le", 8000, 1, 32000, "code_size=4", {}}, "G.726 ADPCM: 8000 Hz", true},
        Case{"a.g723", {"data", "g726le", 8000, 1, 24000, "code_size=3", {}}, "G.723 ADPCM: 8000 Hz", true},
        Case{"gsm.wav", {"wav", "libgsm_ms", 8000, 1, 13000, {}, {}}, "GSM", false},
        Case{"ima.wav", {"wav", "adpcm_ima_wav", 22050, 2, 0, {}, {}}, "ADPCM IMA WAV: 22050 Hz", false},
        // Codecs by their short names, not FFmpeg's long ones ("FLAC (Free Lossless Audio Codec)").
        Case{"a.flac", {"flac", "flac", 44100, 2, 0, {}, {}}, "FLAC: 44100 Hz", true}),
    [](const auto& test) {
        std::string n = test.param.file;
        for (char& ch : n)
            if (ch == '.')
                ch = '_';
        return n;
    });

// Dialogic (OKI) ADPCM, 4 bits, high nibble first: a small encoder for the test.
QByteArray okiEncode(const std::vector<float>& mono)
{
    static const int steps[49] = {16, 17, 19, 21, 23, 25, 28, 31, 34, 37, 41, 45, 50, 55, 60, 66, 73, 80, 88, 97,
                                  107, 118, 130, 143, 157, 173, 190, 209, 230, 253, 279, 307, 337, 371, 408,
                                  449, 494, 544, 598, 658, 724, 796, 876, 963, 1060, 1166, 1282, 1411, 1552};
    static const int adjust[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
    int predictor = 0, index = 0;
    QByteArray out;
    int pending = -1;
    for (float x : mono) {
        const int target = std::clamp(static_cast<int>(std::lrint(x * 2048)), -2048, 2047);
        const int step = steps[index];
        int best = 0, bestErr = 1 << 30, bestValue = predictor;
        for (int nibble = 0; nibble < 16; ++nibble) {
            const int diff = ((2 * (nibble & 7) + 1) * step) >> 3;
            const int value = std::clamp(predictor + ((nibble & 8) ? -diff : diff), -2048, 2047);
            if (std::abs(value - target) < bestErr) {
                bestErr = std::abs(value - target);
                best = nibble;
                bestValue = value;
            }
        }
        predictor = bestValue;
        index = std::clamp(index + adjust[best & 7], 0, 48);
        if (pending < 0) {
            pending = best;
        } else {
            out.append(static_cast<char>((pending << 4) | best));
            pending = -1;
        }
    }
    return out;
}

TEST(HeaderlessTypes, VoxIsEightKilohertzDialogicAdpcm)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.vox");
    writeBytes(path, okiEncode(tone(8000 * 3, 1, 8000, 440)));
    const Decoded d = decode(path);
    EXPECT_EQ(d.rate, 8000);
    EXPECT_EQ(d.channels, 1);
    EXPECT_EQ(d.length, 8000 * 3);
    EXPECT_EQ(d.description, "Dialogic ADPCM: 8000 Hz, 32 kbps, Mono");
    expectTone(d, 440, 2);
    EXPECT_NEAR(rms(d.samples, 1, 0, 4000, 20000), 0.5 / std::sqrt(2.0), 0.05);
    expectSeeksExact(path, 12, 6, 1000);
}

TEST(HeaderlessTypes, RawAndPcmAreSixteenBitStereoAt44100)
{
    QTemporaryDir dir;
    const std::vector<float> s = tone(44100, 2, 44100, 440);
    QByteArray bytes;
    for (float x : s) {
        const qint16 v = static_cast<qint16>(std::lrint(x * 32767));
        bytes.append(static_cast<char>(v & 0xFF));
        bytes.append(static_cast<char>((v >> 8) & 0xFF));
    }
    bytes.append('\x01');   // a stray byte at the end is no frame
    for (const char* name : {"a.raw", "a.pcm"}) {
        const QString path = dir.filePath(name);
        writeBytes(path, bytes);
        const Decoded d = decode(path);
        EXPECT_EQ(d.rate, 44100);
        EXPECT_EQ(d.channels, 2);
        EXPECT_EQ(d.length, 44100);
        EXPECT_EQ(d.description, "PCM 16 bit: 44100 Hz, 1411 kbps, Stereo");
        ASSERT_EQ(d.samples.size(), s.size());
        for (std::size_t i = 0; i < s.size(); i += 97)
            EXPECT_NEAR(d.samples[i], s[i], 1.0 / 32000);
        expectSeeksExact(path, 12, 7, 1000);
    }
}

TEST(HeaderlessTypes, AWavFileUnderAHeaderlessNameIsStillWav)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("really-a-wav.vox");
    TAudioFile2 w;
    w.SetFormatPCM(11025, 1, 16);
    writeAll(w, path, tone(11025, 1, 11025, 300), 1, 2205);
    const Decoded d = decode(path);
    EXPECT_EQ(d.rate, 11025);
    EXPECT_EQ(d.length, 11025);
}


// A recording's target before its first block is read from its header without FFmpeg, and
// gives what FFmpeg gives for it; a file with audio is left to FFmpeg.
TEST(EmptyRecordings, ReadAsTheFfmpegModuleReadsThem)
{
    QTemporaryDir dir;
    std::vector<std::function<void(TAudioFile2&)>> formats;
    for (int rate : {8000, 22050, 44100})
        for (int ch : {1, 2})
            for (int bits : {8, 16})
                formats.push_back([=](TAudioFile2& f) { f.SetFormatPCM(rate, ch, bits); });
    for (int rate : {16000, 32000, 44100, 48000})
        for (int kbps : {32, 128, 320})
            for (int mode : {1, 2})
                formats.push_back([=](TAudioFile2& f) { f.SetFormatMP3(rate, kbps, mode); });
    int n = 0;
    for (const auto& set : formats) {
        TAudioFile2 w;
        set(w);
        ++n;
        const QString path = dir.filePath(QStringLiteral("Untitled%1.%2").arg(n).arg(n <= 12 ? "wav" : "mp3"));
        w.CreateNew(path, 0);
        w.Close();
        SCOPED_TRACE(path.toStdString());
        // The same reader, or the same error.
        auto outcome = [&](auto open) {
            try {
                const auto r = open();
                if (!r)
                    return QStringLiteral("not recognised");
                return QStringLiteral("%1 %2 %3 %4").arg(r->description()).arg(r->sampleRate()).arg(r->channels()).arg(r->length());
            } catch (const EngineError& e) {
                return e.message();
            }
        };
        EXPECT_EQ(outcome([&] { return files::openEmptyRecording(path); }),
                  outcome([&] { return files::openFfmpegReader(path, files::ReadVia::Module); }));
    }
    const QString full = dir.filePath(QStringLiteral("tone.wav"));
    TAudioFile2 w;
    w.SetFormatPCM(44100, 2, 16);
    writeAll(w, full, tone(4410, 2, 44100, 440), 2, 4410);
    EXPECT_FALSE(files::openEmptyRecording(full));
    EXPECT_EQ(files::openFfmpegReader(full)->length(), 4410);
}

} // namespace
