// WMA writing: every profile encodes, and the profile numbering agrees with the descriptions.
#include "FilesTestUtil.h"

#include "engine/EngineError.h"
#include "engine/TAudioFile2.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace filetest;

namespace {

struct ProfileFormat {
    int rate = 0, kbps = 0, channels = 0;
};

ProfileFormat parse(const QString& d)
{
    static const QRegularExpression re("^WMA (\\d+) Hz, (\\d+) kbps, (Mono|Stereo)$");
    const auto m = re.match(d);
    if (!m.hasMatch())
        return {};
    return {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3) == "Mono" ? 1 : 2};
}

TEST(WmaProfiles, DefaultExistsAndDescriptionsDescribeTheProfileChosen)
{
    TAudioFile2 f;
    f.setActive(true);
    ASSERT_GE(f.WmaProfileCount(), 39);
    f.SetFormatWMA(38);
    EXPECT_EQ(f.FormatDescription(), "WMA 44100 Hz, 128 kbps, Stereo");
    // The settings list shows characters 5 on: the description must read well from there.
    EXPECT_EQ(f.FormatDescription().mid(4), "44100 Hz, 128 kbps, Stereo");
    QStringList seen;
    for (int p = 0; p < f.WmaProfileCount(); ++p) {
        f.SetFormatWMA(p);
        const ProfileFormat pf = parse(f.FormatDescription());
        ASSERT_GT(pf.rate, 0) << p << " " << f.FormatDescription().toStdString();
        EXPECT_EQ(f.SampleRate(), pf.rate);
        EXPECT_EQ(f.Channels(), pf.channels);
        EXPECT_FALSE(seen.contains(f.FormatDescription())) << "duplicate profile " << p;
        seen << f.FormatDescription();
    }
    f.SetFormatWMA(f.WmaProfileCount());
    EXPECT_TRUE(f.FormatDescription().isEmpty());
    EXPECT_THROW(f.CreateNew(QDir::tempPath() + "/tavrin-never.wma", 0), EngineError);
    f.SetFormatWMA(-1);
    EXPECT_TRUE(f.FormatDescription().isEmpty());
}

// Every profile writes a file that reads back in the format the profile describes.
TEST(WmaProfiles, EveryProfileEncodes)
{
    QTemporaryDir dir;
    TAudioFile2 w;
    const int count = w.WmaProfileCount();
    for (int p = 0; p < count; ++p) {
        w.SetFormatWMA(p);
        const ProfileFormat pf = parse(w.FormatDescription());
        const QString path = dir.filePath(QStringLiteral("p%1.wma").arg(p));
        const int frames = pf.rate / 2;
        writeAll(w, path, tone(frames, pf.channels, pf.rate, 400), pf.channels, pf.rate / 5);
        TAudioFile2 r;
        r.Open(path, 0, 1);
        ASSERT_EQ(r.LastError(), 0) << "profile " << p << ": " << r.LastErrorText().toStdString();
        EXPECT_EQ(r.SampleRate(), pf.rate) << p;
        EXPECT_EQ(r.Channels(), pf.channels) << p;
        EXPECT_TRUE(r.FormatDescription().startsWith(QStringLiteral("WMA %1 Hz").arg(pf.rate))) << p;
        const std::vector<float> out = readAll(r);
        EXPECT_GT(static_cast<int>(out.size()) / pf.channels, frames / 2) << p;
    }
}

class WmaRoundTrip : public ::testing::TestWithParam<int> {};

TEST_P(WmaRoundTrip, LengthToneLevelAndAlignment)
{
    const int profile = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("t.wma");
    TAudioFile2 w;
    w.SetFormatWMA(profile);
    const ProfileFormat pf = parse(w.FormatDescription());
    const int frames = 3 * pf.rate + 777;
    const double freq = pf.rate >= 22050 ? 440.0 : 250.0;
    std::vector<float> in = tone(frames, pf.channels, pf.rate, freq);
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> noise(-0.3f, 0.3f);
    for (int i = pf.rate / 4; i < pf.rate / 4 + 1500; ++i)
        in[static_cast<std::size_t>(i) * pf.channels] += noise(rng);
    writeAll(w, path, in, pf.channels, pf.rate / 5);

    TAudioFile2 r;
    r.Open(path, 0, 1);
    ASSERT_EQ(r.LastError(), 0) << r.LastErrorText().toStdString();
    // The decoder needs the frame after the last one, so the file ends up to two codec frames
    // (of at most 2048 frames) after what was written: silence, nothing lost.
    const int codecFrame = 2048;
    // Before reading, Length is the header's play time (in milliseconds, a little more).
    EXPECT_GE(r.Length(), frames);
    EXPECT_LT(r.Length(), frames + 3 * codecFrame);
    const std::vector<float> out = readAll(r);
    const int got = static_cast<int>(out.size()) / pf.channels;
    EXPECT_GE(got, frames);
    EXPECT_LT(got, frames + 2 * codecFrame);
    EXPECT_EQ(r.Length(), got) << "Length is exact once the file was read through";
    // The audio lines up with what was written (the encoder's delay is compensated).
    EXPECT_EQ(bestLag(in, out, pf.channels, pf.rate / 4 - 200, pf.rate / 4 + 1700, 2100), 0);
    // The end of the recording is there, at full level.
    EXPECT_NEAR(rms(out, pf.channels, 0, frames - pf.rate / 10, frames), rms(in, pf.channels, 0, frames - pf.rate / 10, frames), 0.05);
    const int from = pf.rate / 2, to = std::min(got, frames) - pf.rate / 2;
    EXPECT_NEAR(frequency(out, pf.channels, 0, pf.rate, from, to), freq, freq * 0.01);
    if (pf.channels == 2) {
        EXPECT_NEAR(frequency(out, 2, 1, pf.rate, from, to), freq * 1.5, freq * 0.015);
    }
    const double level = 20 * std::log10(rms(out, pf.channels, 0, from, to) / rms(in, pf.channels, 0, from, to));
    EXPECT_NEAR(level, 0.0, 2.0) << "dB";
}

INSTANTIATE_TEST_SUITE_P(Profiles, WmaRoundTrip, ::testing::Values(0, 9, 20, 31, 38, 42, 48));

} // namespace
