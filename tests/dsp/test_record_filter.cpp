#include "engine/dsp/RecordFilter.h"
#include "SignalTools.h"

#include <gtest/gtest.h>
#include <atomic>
#include <thread>

using namespace dsptest;

namespace {

// Gain in dB of the filter for a sine at `hz`, measured on the last second of three.
double gainAt(RecordFilter& f, double hz, double rate, int channels = 2)
{
    f.setFormat(static_cast<int>(rate), channels);
    auto x = sine(hz, rate, 3.0, channels);
    const int frames = static_cast<int>(x.size() / channels);
    inChunks(x, channels, 441, [&](float* p, int n) { f.process(p, n); });
    const double ref = 0.5 / std::sqrt(2.0);
    return db(rms(x, channels, 0, frames - static_cast<int>(rate), frames) / ref);
}

} // namespace

TEST(RecordFilter, StartsWithEveryStageOffAndLeavesTheSignalAlone)
{
    RecordFilter f;
    EXPECT_FALSE(f.anyEnabled());
    auto x = sine(1000, 44100, 0.2, 2);
    const auto original = x;
    f.setFormat(44100, 2);
    inChunks(x, 2, 512, [&](float* p, int n) { f.process(p, n); });
    EXPECT_EQ(x, original);
}

TEST(RecordFilter, NotchRemovesMainsHumAndSparesAnOctaveAway)
{
    for (double rate : {44100.0, 48000.0, 8000.0}) {
        for (double mains : {50.0, 60.0}) {
            RecordFilter f;
            f.setNotch(true, static_cast<float>(mains));
            EXPECT_LE(gainAt(f, mains, rate), -30.0) << mains << " Hz at " << rate;
            EXPECT_GT(gainAt(f, mains * 2, rate), -1.0) << mains * 2 << " Hz at " << rate;
            EXPECT_GT(gainAt(f, mains / 2, rate), -1.0) << mains / 2 << " Hz at " << rate;
        }
    }
}

TEST(RecordFilter, HighPassIsThreeDecibelsDownAtItsFrequency)
{
    for (double rate : {44100.0, 22050.0}) {
        for (double fc : {100.0, 400.0, 2000.0}) {
            RecordFilter f;
            f.setHighPass(true, static_cast<float>(fc));
            // The -3 dB point lies between 0.9 fc and 1.1 fc.
            EXPECT_LT(gainAt(f, fc * 0.9, rate), -3.0) << fc;
            EXPECT_GT(gainAt(f, fc * 1.1, rate), -3.0) << fc;
            EXPECT_NEAR(gainAt(f, fc, rate), -3.01, 0.3) << fc;
            // Second order: about 12 dB per octave further down, and flat well above.
            EXPECT_LT(gainAt(f, fc / 4, rate), -20.0) << fc;
            EXPECT_NEAR(gainAt(f, fc * 4, rate), 0.0, 0.2) << fc;
        }
    }
}

TEST(RecordFilter, LowPassIsThreeDecibelsDownAtItsFrequency)
{
    for (double rate : {44100.0, 48000.0}) {
        for (double fc : {300.0, 4000.0, 10000.0}) {
            RecordFilter f;
            f.setLowPass(true, static_cast<float>(fc));
            EXPECT_GT(gainAt(f, fc * 0.9, rate), -3.0) << fc;
            EXPECT_LT(gainAt(f, fc * 1.1, rate), -3.0) << fc;
            EXPECT_NEAR(gainAt(f, fc / 4, rate), 0.0, 0.2) << fc;
        }
    }
}

TEST(RecordFilter, FrequenciesBeyondTheSampleRateAreClampedSafely)
{
    RecordFilter f;
    f.setLowPass(true, 44100.0f);    // the slider's top at an 8 kHz recording
    f.setHighPass(true, 44100.0f);
    f.setNotch(true, 1e9f);
    f.setFormat(8000, 1);
    auto x = sine(1000, 8000, 1.0, 1);
    inChunks(x, 1, 256, [&](float* p, int n) { f.process(p, n); });
    for (float v : x)
        ASSERT_TRUE(std::isfinite(v) && std::fabs(v) < 2.0f);

    // A low-pass above the Nyquist frequency still passes the audible band.
    RecordFilter lp;
    lp.setLowPass(true, 30000.0f);
    EXPECT_NEAR(gainAt(lp, 1000, 8000, 1), 0.0, 0.5);

    // Nonsense values keep the last good frequency.
    RecordFilter odd;
    odd.setNotch(true, 50.0f);
    odd.setNotch(true, std::nanf(""));
    odd.setNotch(true, -5.0f);
    EXPECT_LE(gainAt(odd, 50, 44100), -30.0);
}

TEST(RecordFilter, ChannelsAreFilteredIndependently)
{
    RecordFilter f;
    f.setHighPass(true, 1000.0f);
    f.setFormat(44100, 2);
    auto x = sine(100, 44100, 1.0, 2);
    for (std::size_t i = 1; i < x.size(); i += 2)
        x[i] = 0.0f;   // right channel silent
    inChunks(x, 2, 300, [&](float* p, int n) { f.process(p, n); });
    for (std::size_t i = 1; i < x.size(); i += 2)
        ASSERT_EQ(x[i], 0.0f);
    EXPECT_LT(rms(x, 2, 0, 22050, 44100), 0.5 / std::sqrt(2.0) * 0.1);
}

// Switching a stage or moving its frequency while recording must not make a click: no step
// between two samples larger than the signal itself makes.
TEST(RecordFilter, ChangesWhileRecordingMakeNoDiscontinuity)
{
    const double rate = 44100;
    auto x = sine(1000, rate, 4.0, 2, 0.5);
    const auto hum = sine(50, rate, 4.0, 2, 0.3);
    for (std::size_t i = 0; i < x.size(); ++i)
        x[i] += hum[i];
    const double inputStep = maxStep(x, 2, 0);

    RecordFilter f;
    f.setFormat(44100, 2);
    const int frames = static_cast<int>(x.size() / 2);
    int done = 0;
    auto run = [&](double untilSeconds) {
        const int until = std::min(frames, static_cast<int>(untilSeconds * rate));
        while (done < until) {
            const int n = std::min(256, until - done);
            f.process(x.data() + static_cast<std::size_t>(done) * 2, n);
            done += n;
        }
    };
    run(0.5);
    f.setLowPass(true, 4000.0f);
    run(0.8);
    f.setNotch(true, 50.0f);
    run(1.1);
    f.setHighPass(true, 400.0f);
    run(1.4);
    f.setLowPass(true, 300.0f);      // a big jump of frequency
    run(1.7);
    f.setHighPass(true, 2000.0f);    // corners cross
    run(2.0);
    f.setLowPass(true, 4000.0f);
    f.setHighPass(false, 2000.0f);
    run(2.5);
    f.setNotch(false, 50.0f);
    f.setLowPass(false, 4000.0f);
    run(4.0);
    EXPECT_LE(maxStep(x, 2, 0), inputStep * 1.05);
    EXPECT_FALSE(f.anyEnabled());
    // After everything is off again the signal passes untouched.
    const int last = static_cast<int>(3.5 * rate);
    const auto original = sine(1000, rate, 4.0, 2, 0.5);
    for (int i = last; i < frames; ++i)
        ASSERT_FLOAT_EQ(x[static_cast<std::size_t>(i) * 2], original[static_cast<std::size_t>(i) * 2] + hum[static_cast<std::size_t>(i) * 2]);
}

TEST(RecordFilter, StaysActiveUntilASwitchedOffStageHasFadedOut)
{
    RecordFilter f;
    f.setFormat(44100, 1);
    f.setLowPass(true, 1000.0f);
    EXPECT_TRUE(f.anyEnabled());
    std::vector<float> block(64, 0.25f);
    f.process(block.data(), 64);
    f.setLowPass(false, 1000.0f);
    EXPECT_TRUE(f.anyEnabled());   // the caller must keep calling process() for the fade
    for (int i = 0; i < 100; ++i)
        f.process(block.data(), 64);
    EXPECT_FALSE(f.anyEnabled());
}

TEST(RecordFilter, SettersFromAnotherThreadWhileProcessing)
{
    RecordFilter f;
    f.setFormat(48000, 2);
    std::atomic<bool> stop{false};
    std::thread ui([&] {
        for (int i = 0; !stop.load(); ++i) {
            f.setNotch(i % 2 == 0, 40.0f + static_cast<float>(i % 160));
            f.setHighPass(i % 3 == 0, 100.0f + static_cast<float>(i % 5000));
            f.setLowPass(i % 5 != 0, 20000.0f - static_cast<float>(i % 19000));
        }
    });
    auto x = sine(440, 48000, 2.0, 2);
    inChunks(x, 2, 480, [&](float* p, int n) { f.process(p, n); });
    stop = true;
    ui.join();
    for (float v : x)
        ASSERT_TRUE(std::isfinite(v) && std::fabs(v) < 4.0f);
}

// What the filter costs: all three stages on 44.1 kHz stereo, in CPU time per second of audio.
TEST(RecordFilter, AllThreeStagesCostLittleCpu)
{
    RecordFilter f;
    f.setFormat(44100, 2);
    f.setNotch(true, 50.0f);
    f.setHighPass(true, 400.0f);
    f.setLowPass(true, 4000.0f);
    auto x = sine(1000, 44100, 10.0, 2, 0.3);
    timespec a{}, b{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &a);
    inChunks(x, 2, 8820, [&](float* p, int n) { f.process(p, n); });   // 200 ms blocks
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &b);
    const double ms = ((b.tv_sec - a.tv_sec) * 1e9 + (b.tv_nsec - a.tv_nsec)) / 1e6;
    std::printf("[ measure  ] record filter, 3 stages, 44.1 kHz stereo: %.2f ms CPU per second of audio\n", ms / 10.0);
    EXPECT_LT(ms / 10.0, 50.0);   // far below a real-time budget even on a slow machine
}
