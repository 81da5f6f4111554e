#include "engine/backends/CaptureGapDetector.h"

#include <gtest/gtest.h>

namespace {

// Feeds buffers of `frames` frames, captured `period` seconds apart, delivered at the same
// time (plus `lag`), from stream time `from` until `until`; returns the frames reported.
struct Stream {
    CaptureGapDetector detector;
    double rate = 44100;
    int frames = 2048;
    double adc = 0;     // capture time of the next buffer
    double now = 0;     // wall clock
    long long reported = 0;
    int reports = 0;

    Stream() { detector.start(rate); }
    double period() const { return frames / rate; }
    void deliver(double adcOffset = 0)
    {
        const long long gap = detector.onBuffer(adc + adcOffset, now, frames);
        if (gap > 0) {
            reported += gap;
            ++reports;
        }
        adc += period();
    }
    void run(double seconds, double drift = 1.0)
    {
        const int n = static_cast<int>(seconds / period());
        for (int i = 0; i < n; ++i) {
            deliver();
            now += period() * drift;
        }
    }
};

} // namespace

TEST(CaptureGapDetector, ASteadyStreamHasNoGaps)
{
    Stream s;
    s.run(60);
    EXPECT_EQ(s.reports, 0);
}

TEST(CaptureGapDetector, JitterOfABufferOrTwoIsNoGap)
{
    Stream s;
    s.run(4);
    for (int i = 0; i < 200; ++i) {
        // Time stamps wobble by up to two buffers either way; buffers come in pairs.
        s.deliver((i % 7 - 3) * s.period() * 0.66);
        if (i % 2)
            s.now += 2 * s.period();
    }
    EXPECT_EQ(s.reports, 0);
}

TEST(CaptureGapDetector, ClockDriftIsNoGap)
{
    // The device clock 0.01 % off the stream clock: 6 ms a minute.
    Stream s;
    for (int i = 0; i < 10 * 60 * 22; ++i) {
        s.detector.onBuffer(s.adc * 1.0001, s.now, s.frames);
        s.adc += s.period();
        s.now += s.period();
    }
    EXPECT_EQ(s.detector.lostFrames(), 0);
}

TEST(CaptureGapDetector, FindsAGapAndItsSize)
{
    Stream s;
    s.run(5);
    s.adc += 1.1;             // 1.1 s of audio never arrives
    s.now += 1.1;
    s.run(3);
    EXPECT_EQ(s.reports, 1);
    EXPECT_NEAR(static_cast<double>(s.reported), 1.1 * 44100, 10);
    // Later buffers do not report it again.
    s.run(5);
    EXPECT_EQ(s.reports, 1);
    EXPECT_EQ(s.detector.lostFrames(), s.reported);
}

TEST(CaptureGapDetector, AStallCaughtUpLaterIsNoGap)
{
    // The client stalls for 4 s; the server kept everything and hands it over in a rush,
    // every buffer carrying its true capture time.
    Stream s;
    s.run(5);
    s.now += 4;
    for (int i = 0; i < static_cast<int>(4 / s.period()); ++i)
        s.deliver();          // all at the same wall time
    s.run(3);
    EXPECT_EQ(s.reports, 0);
}

TEST(CaptureGapDetector, AStallWithLossReportsOnlyTheLoss)
{
    Stream s;
    s.run(5);
    s.now += 13;
    s.adc += 1.0;             // the server dropped the oldest second
    for (int i = 0; i < static_cast<int>(12 / s.period()); ++i)
        s.deliver();
    s.run(2);
    EXPECT_EQ(s.reports, 1);
    EXPECT_NEAR(static_cast<double>(s.reported), 44100, 10);
}

TEST(CaptureGapDetector, BrieflyLateTimeStampsAreNoGap)
{
    Stream s;
    s.run(5);
    for (int i = 0; i < 5; ++i)
        s.deliver(0.4);       // a few buffers stamped 0.4 s late, the next ones right again
    s.run(3);
    EXPECT_EQ(s.reports, 0);
}

TEST(CaptureGapDetector, TheSettlingStartIsNotCounted)
{
    // PulseAudio's first latency estimate is half a second too high and converges within
    // about two seconds: the time stamps run fast meanwhile.
    Stream s;
    double error = 0.45;
    for (int i = 0; i < static_cast<int>(2.0 / s.period()); ++i) {
        s.deliver(-error);
        error = std::max(0.0, error - 0.0464);
        s.now += s.period();
    }
    s.run(10);
    EXPECT_EQ(s.reports, 0);
    // Once settled, gaps are found again.
    s.adc += 0.5;
    s.run(2);
    EXPECT_EQ(s.reports, 1);
}
