// Output formats: the choice tables, the line-to-values rules and the order of the engine
// calls that hand a format over.
#include "settings/OutputFormats.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

TEST(OutputFormat, MatchesTheThreeExtensionsInAsciiUpperCaseOnly)
{
    EXPECT_EQ(OutputFormatOf(".mp3"), OutputFormat::Mp3);
    EXPECT_EQ(OutputFormatOf(".Mp3"), OutputFormat::Mp3);
    EXPECT_EQ(OutputFormatOf(".WAV"), OutputFormat::Wav);
    EXPECT_EQ(OutputFormatOf(".Wma"), OutputFormat::Wma);
    EXPECT_EQ(OutputFormatOf("mp3"), OutputFormat::None);
    EXPECT_EQ(OutputFormatOf(".mp3 "), OutputFormat::None);
    EXPECT_EQ(OutputFormatOf(" .wav"), OutputFormat::None);
    EXPECT_EQ(OutputFormatOf(".ogg"), OutputFormat::None);
    EXPECT_EQ(OutputFormatOf(""), OutputFormat::None);
    EXPECT_EQ(AsciiUpper("ab.ßé"), QStringLiteral("AB.ßé"));
}

TEST(OutputFormat, Mp3LinesAndTheirValues)
{
    const QStringList& lines = Mp3ChoiceLines();
    ASSERT_EQ(lines.size(), 10);
    EXPECT_EQ(lines.at(0), "22050 Hz, 40 kbps");
    EXPECT_EQ(lines.at(DefaultMp3Choice), "44100 Hz, 128 kbps");
    EXPECT_EQ(lines.at(9), "44100 Hz, 320 kbps");

    auto values = [](int line) {
        const Mp3Values v = Mp3ValuesOf(line);
        return std::pair(v.frequency, v.bitrate);
    };
    EXPECT_EQ(values(3), std::pair(22050, 80));
    EXPECT_EQ(values(5), std::pair(44100, 128));
    EXPECT_EQ(values(9), std::pair(44100, 320));
    // No line chosen, or a line beyond the list: the defaults.
    EXPECT_EQ(values(-1), std::pair(44100, 128));
    EXPECT_EQ(values(10), std::pair(44100, 128));
    EXPECT_EQ(values(12), std::pair(44100, 128));
}

TEST(OutputFormat, WavLinesAndTheirValues)
{
    const QStringList& lines = WavChoiceLines();
    ASSERT_EQ(lines.size(), 16);
    EXPECT_EQ(lines.at(0), "8000 Hz - 8 bit,Mono");
    EXPECT_EQ(lines.at(6), "11025 Hz - 8 bit,Stereo");
    EXPECT_EQ(lines.at(DefaultWavChoice), "44100 Hz - 16 bit,Stereo");

    struct Case { int line, frequency, channels, bits; };
    for (const Case c : {Case{6, 11025, 2, 8}, Case{9, 22050, 1, 16}, Case{15, 44100, 2, 16},
                         Case{0, 8000, 1, 8}, Case{12, 44100, 1, 8}}) {
        int f = 1, ch = 1, b = 1;
        WavValuesOf(c.line, f, ch, b);
        EXPECT_EQ(f, c.frequency) << c.line;
        EXPECT_EQ(ch, c.channels) << c.line;
        EXPECT_EQ(b, c.bits) << c.line;
    }
}

TEST(OutputFormat, WavPositionsWithoutARowUpdateOnlyWhatTheyName)
{
    int f = 44100, ch = 2, b = 16;
    WavValuesOf(-1, f, ch, b);   // quotient 0, remainder -1
    EXPECT_EQ(f, 8000);
    EXPECT_EQ(ch, 2);
    EXPECT_EQ(b, 16);

    f = 44100;
    WavValuesOf(17, f, ch, b);   // quotient 4 has no rate, remainder 1 is 16 bit mono
    EXPECT_EQ(f, 44100);
    EXPECT_EQ(ch, 1);
    EXPECT_EQ(b, 16);

    f = 11025, ch = 2, b = 8;
    WavValuesOf(-5, f, ch, b);   // quotient -1, remainder -1: nothing
    EXPECT_EQ(f, 11025);
    EXPECT_EQ(ch, 2);
    EXPECT_EQ(b, 8);
}

TEST(OutputFormat, FlacAndOpusLinesAndTheirValuesBothWays)
{
    EXPECT_EQ(FlacChoiceLines().size(), 16);
    EXPECT_EQ(FlacChoiceLines().at(7), "44100 Hz - 24 bit,Stereo");
    EXPECT_EQ(OpusChoiceLines().at(13), "96 kbps, Stereo");
    EXPECT_EQ(OpusChoiceLines().at(0), "6 kbps, Mono");
    int f = 0, ch = 0, b = 0, k = 0;
    for (int line = 0; line < FlacChoiceLines().size(); ++line) {
        ASSERT_TRUE(FlacValuesOf(line, f, ch, b));
        EXPECT_EQ(FlacLineOf(f, ch, b), line);
    }
    for (int line = 0; line < OpusChoiceLines().size(); ++line) {
        ASSERT_TRUE(OpusValuesOf(line, k, ch));
        EXPECT_EQ(OpusLineOf(k, ch), line);
    }
    EXPECT_FALSE(FlacValuesOf(-1, f, ch, b));
    EXPECT_FALSE(OpusValuesOf(18, k, ch));
    EXPECT_EQ(FlacLineOf(44100, 2, 8), -1);   // a hand-edited value no line has
    EXPECT_EQ(OpusLineOf(100, 2), -1);
}

TEST(OutputFormat, WmaLineIsCharactersFiveToOneHundredFour)
{
    EXPECT_EQ(WmaLineOf("WMA:Windows Media Audio 9, 128 kbps"), "Windows Media Audio 9, 128 kbps");
    EXPECT_EQ(WmaLineOf("abcd"), "");
    EXPECT_EQ(WmaLineOf("ab"), "");
    const QString longText = "1234" + QString(150, u'x');
    EXPECT_EQ(WmaLineOf(longText), QString(100, u'x'));
}

// Records the engine calls in order.
struct Calls {
    std::vector<std::string> log;
};
struct SpyEncoder {
    Calls* calls;
    void setSampleRate(int hz) { calls->log.push_back("enc.rate " + std::to_string(hz)); }
    void setBitrate(int kbps) { calls->log.push_back("enc.bitrate " + std::to_string(kbps)); }
    SpyEncoder* DefaultInterface() { return this; }
};
struct SpyFile {
    Calls* calls;
    std::string name;
    void add(const std::string& s) { calls->log.push_back(name + "." + s); }
    void setActive(bool on) { add(on ? "active" : "inactive"); }
    void SetFormatPCM(int r, int c, int b)
    {
        add("pcm " + std::to_string(r) + " " + std::to_string(c) + " " + std::to_string(b));
    }
    void SetFormatMP3(int r, int k, int m)
    {
        add("mp3 " + std::to_string(r) + " " + std::to_string(k) + " " + std::to_string(m));
    }
    void SetFormatWMA(int p) { add("wma " + std::to_string(p)); }
    void SetFormatFLAC(int r, int c, int b, int l)
    {
        add("flac " + std::to_string(r) + " " + std::to_string(c) + " " + std::to_string(b) + " " + std::to_string(l));
    }
    void SetFormatOpus(int k, int c) { add("opus " + std::to_string(k) + " " + std::to_string(c)); }
    void SetMP3Encoder(SpyEncoder*) { add("encoder"); }
};

std::vector<std::string> apply(const QString& format, TRecordingSettings s = {})
{
    Calls calls;
    SpyFile f1{&calls, "f1"}, f2{&calls, "f2"};
    SpyEncoder enc{&calls};
    s.SaveFormat = format;
    ApplyOutputFormatTo(f1, f2, enc, s);
    return calls.log;
}

TEST(ApplyOutputFormat, CallsTheEngineInTheFixedOrder)
{
    TRecordingSettings s;
    s.Mp3Frequency = 22050;
    s.Mp3Bitrate = 100;   // unchecked: goes to the engine as it stands
    s.WavFrequency = 8000;
    s.WavChannels = 1;
    s.WavBits = 8;
    s.WmaProfile = 38;
    const std::vector<std::string> tail = {"enc.rate 22050", "enc.bitrate 100", "f2.encoder", "f1.encoder"};
    auto expect = [&](std::vector<std::string> middle) {
        std::vector<std::string> all = {"f1.active", "f2.active"};
        all.insert(all.end(), middle.begin(), middle.end());
        all.insert(all.end(), tail.begin(), tail.end());
        return all;
    };
    EXPECT_EQ(apply(".mp3", s), expect({"f2.mp3 22050 100 2", "f1.mp3 22050 100 2"}));
    EXPECT_EQ(apply(".Mp3", s), expect({"f2.mp3 22050 100 2", "f1.mp3 22050 100 2"}));
    // WAV still hands the encoder its values and both files the encoder.
    EXPECT_EQ(apply(".wav", s), expect({"f2.pcm 8000 1 8", "f1.pcm 8000 1 8"}));
    EXPECT_EQ(apply(".Wma", s), expect({"f2.wma 38", "f1.wma 38"}));
    EXPECT_EQ(apply(".Flac", s), expect({"f2.flac 44100 2 16 5", "f1.flac 44100 2 16 5"}));
    EXPECT_EQ(apply(".OPUS", s), expect({"f2.opus 96 2", "f1.opus 96 2"}));
    // An extension that names no format: no format call, the encoder steps still run.
    EXPECT_EQ(apply(".ogg", s), expect({}));
    EXPECT_EQ(apply("", s), expect({}));
    EXPECT_EQ(apply("mp3", s), expect({}));
}

}  // namespace
