#include "engine/dsp/PlaybackEqualizer.h"
#include "SignalTools.h"

#include <gtest/gtest.h>

using namespace dsptest;

namespace {

double gainAt(PlaybackEqualizer& eq, double hz, double rate, double seconds = 2.0)
{
    eq.setFormat(static_cast<int>(rate), 2);
    auto x = sine(hz, rate, seconds, 2);
    const int frames = static_cast<int>(x.size() / 2);
    inChunks(x, 2, 512, [&](float* p, int n) { eq.process(p, n); });
    return db(rms(x, 2, 1, frames / 2, frames) / (0.5 / std::sqrt(2.0)));
}

std::vector<float> onlyBand(int band, float gain)
{
    std::vector<float> g(PlaybackEqualizer::BandCount, 0.0f);
    g[static_cast<std::size_t>(band)] = gain;
    return g;
}

} // namespace

TEST(PlaybackEqualizer, TwelveRisingBandsOverTheAudibleRange)
{
    EXPECT_GE(PlaybackEqualizer::bandFrequency(0), 20.0f);
    EXPECT_LE(PlaybackEqualizer::bandFrequency(11), 20000.0f);
    for (int b = 1; b < PlaybackEqualizer::BandCount; ++b)
        EXPECT_GT(PlaybackEqualizer::bandFrequency(b), PlaybackEqualizer::bandFrequency(b - 1));
    EXPECT_EQ(PlaybackEqualizer::bandFrequency(-1), 0.0f);
    EXPECT_EQ(PlaybackEqualizer::bandFrequency(12), 0.0f);
}

TEST(PlaybackEqualizer, EachBandRaisesAndLowersItsCentre)
{
    for (double rate : {44100.0, 48000.0}) {
        for (int b = 0; b < PlaybackEqualizer::BandCount; ++b) {
            const double fc = PlaybackEqualizer::bandFrequency(b);
            PlaybackEqualizer eq;
            eq.setEnabled(true);
            eq.setGains(onlyBand(b, 12.0f));
            EXPECT_NEAR(gainAt(eq, fc, rate), 12.0, 1.0) << "band " << b << " at " << rate;
            eq.setGains(onlyBand(b, -12.0f));
            EXPECT_NEAR(gainAt(eq, fc, rate), -12.0, 1.0) << "band " << b << " at " << rate;
        }
    }
    // Far from the band the signal is left nearly alone.
    PlaybackEqualizer eq;
    eq.setEnabled(true);
    eq.setGains(onlyBand(5, 12.0f));   // 1 kHz
    EXPECT_NEAR(gainAt(eq, 8000, 44100), 0.0, 1.0);
    EXPECT_NEAR(gainAt(eq, 125, 44100), 0.0, 1.0);
}

TEST(PlaybackEqualizer, GainsAreLimitedToFifteenDecibels)
{
    PlaybackEqualizer eq;
    eq.setEnabled(true);
    eq.setGains(onlyBand(5, 40.0f));
    EXPECT_NEAR(gainAt(eq, 1000, 44100), 15.0, 1.0);
    eq.setGains(onlyBand(5, std::nanf("")));
    EXPECT_NEAR(gainAt(eq, 1000, 44100), 0.0, 0.01);
}

TEST(PlaybackEqualizer, FlatOrSwitchedOffIsBitTransparent)
{
    auto original = sine(997, 44100, 0.5, 2);
    for (std::size_t i = 0; i < original.size(); i += 7)
        original[i] *= -0.37f;   // something less regular than a sine
    {
        PlaybackEqualizer eq;
        eq.setFormat(44100, 2);
        eq.setEnabled(true);
        eq.setGains(std::vector<float>(12, 0.0f));
        auto x = original;
        inChunks(x, 2, 333, [&](float* p, int n) { eq.process(p, n); });
        EXPECT_EQ(x, original);
    }
    {
        PlaybackEqualizer eq;
        eq.setGains(std::vector<float>(12, 9.0f));
        eq.setFormat(44100, 2);   // off by default
        EXPECT_FALSE(eq.enabled());
        auto x = original;
        inChunks(x, 2, 333, [&](float* p, int n) { eq.process(p, n); });
        EXPECT_EQ(x, original);
    }
    {
        // Bands brought back to 0 while playing end up transparent again.
        PlaybackEqualizer eq;
        eq.setFormat(44100, 2);
        eq.setEnabled(true);
        eq.setGains(std::vector<float>(12, 6.0f));
        auto warm = sine(440, 44100, 0.3, 2);
        inChunks(warm, 2, 256, [&](float* p, int n) { eq.process(p, n); });
        eq.setGains(std::vector<float>(12, 0.0f));
        inChunks(warm, 2, 256, [&](float* p, int n) { eq.process(p, n); });
        auto x = original;
        inChunks(x, 2, 256, [&](float* p, int n) { eq.process(p, n); });
        EXPECT_EQ(x, original);
    }
}

TEST(PlaybackEqualizer, BandsAboveNyquistAtLowRatesAreLeftOut)
{
    PlaybackEqualizer eq;
    eq.setEnabled(true);
    eq.setGains(std::vector<float>(12, 15.0f));
    eq.setFormat(8000, 1);
    auto x = sine(1000, 8000, 1.0, 1);
    inChunks(x, 1, 160, [&](float* p, int n) { eq.process(p, n); });
    for (float v : x)
        ASSERT_TRUE(std::isfinite(v));

    // Only the 20 kHz band boosted: a 1 kHz tone at 8 kHz passes bit for bit.
    PlaybackEqualizer top;
    top.setEnabled(true);
    top.setGains(onlyBand(11, 15.0f));
    top.setFormat(8000, 1);
    auto y = sine(1000, 8000, 0.5, 1);
    const auto original = y;
    inChunks(y, 1, 160, [&](float* p, int n) { top.process(p, n); });
    EXPECT_EQ(y, original);
    // Bands still below Nyquist keep working at that rate.
    PlaybackEqualizer low;
    low.setEnabled(true);
    low.setGains(onlyBand(6, 12.0f));
    EXPECT_NEAR(gainAt(low, 2000, 8000), 12.0, 1.0);
}

TEST(PlaybackEqualizer, ChangesWhilePlayingMakeNoClick)
{
    const double rate = 44100;
    const double hz = 1000;
    auto x = sine(hz, rate, 3.0, 2, 0.05);
    PlaybackEqualizer eq;
    eq.setFormat(44100, 2);
    const int frames = static_cast<int>(x.size() / 2);
    int done = 0;
    auto run = [&](double untilSeconds) {
        const int until = std::min(frames, static_cast<int>(untilSeconds * rate));
        while (done < until) {
            const int n = std::min(512, until - done);
            eq.process(x.data() + static_cast<std::size_t>(done) * 2, n);
            done += n;
        }
    };
    // Changes land a quarter period after a zero crossing, where a step would be largest.
    eq.setGains(onlyBand(5, 15.0f));
    run(0.50025);
    eq.setEnabled(true);            // fades the +15 dB in
    run(1.00025);
    eq.setGains(onlyBand(5, -15.0f));
    run(1.50025);
    eq.setGains(onlyBand(5, 15.0f));
    run(2.00025);
    eq.setEnabled(false);
    run(3.0);
    // The loudest the tone ever gets is +15 dB; a sine of that amplitude steps at most
    // 2 pi f A / rate between samples. A jump would be far larger.
    const double loudest = 0.05 * std::pow(10.0, 15.0 / 20.0);
    const double bound = 2 * std::numbers::pi * hz * loudest / rate;
    EXPECT_LE(maxStep(x, 2, 0), bound * 1.05);
    // And the gain really changed in between: the +15 dB stretch is loud.
    EXPECT_GT(rms(x, 2, 0, static_cast<int>(0.8 * rate), static_cast<int>(0.95 * rate)), 0.18);
}

TEST(PlaybackEqualizer, TwelveBandsCostLittleCpu)
{
    PlaybackEqualizer eq;
    eq.setFormat(44100, 2);
    eq.setEnabled(true);
    eq.setGains({3, -3, 6, -6, 9, -9, 12, -12, 4, -4, 2, -2});
    auto x = sine(1000, 44100, 10.0, 2, 0.1);
    timespec a{}, b{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    inChunks(x, 2, 2048, [&](float* p, int n) { eq.process(p, n); });
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    const double ms = ((b.tv_sec - a.tv_sec) * 1e9 + (b.tv_nsec - a.tv_nsec)) / 1e6;
    std::printf("[ measure  ] equaliser, 12 bands, 44.1 kHz stereo: %.2f ms CPU per second of audio\n", ms / 10.0);
    EXPECT_LT(ms / 10.0, 100.0);
}
