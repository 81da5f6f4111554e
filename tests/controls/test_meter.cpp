#include "ControlsTestSupport.h"
#include "engine/controls/MeterBallistics.h"
#include "engine/controls/TNCTAmpBar2.h"

#include <gtest/gtest.h>

#include <QTimer>

using namespace controls_test;

TEST(MeterScale, DecibelsAndPositions)
{
    EXPECT_DOUBLE_EQ(MeterBallistics::toDb(32767), 0.0);
    EXPECT_NEAR(MeterBallistics::toDb(16384), -6.02, 0.01);
    EXPECT_NEAR(MeterBallistics::toDb(3277), -20.0, 0.01);
    EXPECT_LT(MeterBallistics::toDb(0), -500);
    EXPECT_EQ(MeterBallistics::scalePosition(0), 1.0);
    EXPECT_EQ(MeterBallistics::scalePosition(-60), 0.0);
    EXPECT_EQ(MeterBallistics::scalePosition(-90), 0.0);
    EXPECT_EQ(MeterBallistics::scalePosition(-20), 0.5);
    // Strictly rising and continuous over the whole range.
    double last = MeterBallistics::scalePosition(-60);
    for (double db = -59.75; db <= 0.001; db += 0.25) {
        const double p = MeterBallistics::scalePosition(db);
        EXPECT_GT(p, last) << db;
        EXPECT_LT(p - last, 0.01) << "jump at " << db;
        last = p;
    }
}

TEST(MeterBallistics, ClampsAndHoldsThePeak)
{
    MeterBallistics m;
    EXPECT_EQ(m.feed(-10, 0), 0);
    EXPECT_EQ(m.feed(50000, 0), 32767);
    EXPECT_TRUE(m.clipLit(0));
    EXPECT_TRUE(m.clipLit(MeterBallistics::ClipHoldMs - 1));
    EXPECT_FALSE(m.clipLit(MeterBallistics::ClipHoldMs));

    MeterBallistics p;
    p.feed(3277, 1000);  // -20 dB
    p.feed(0, 1080);     // silence right after
    EXPECT_NEAR(p.peakDb(1080), -20, 0.01);
    EXPECT_NEAR(p.peakDb(1000 + MeterBallistics::PeakHoldMs), -20, 0.01);  // still held
    EXPECT_LT(p.peakDb(1000 + MeterBallistics::PeakHoldMs + 500), -20.0 - 11);  // sinking
    EXPECT_FALSE(p.clipLit(1080));
    // The bar falls at its own rate from -20 dB, starting at the drop.
    EXPECT_NEAR(p.barDb(1080), -20, 0.01);
    EXPECT_NEAR(p.barDb(1580), -20 - MeterBallistics::BarFallDbPerSec / 2, 0.01);
    EXPECT_FALSE(p.settled(1580));
    EXPECT_TRUE(p.settled(1000 + MeterBallistics::PeakHoldMs + 3000));
    EXPECT_LT(p.barDb(5000), -500);

    // A higher reading takes over the peak at once; a lower one does not.
    p.feed(16384, 6000);
    p.feed(8000, 6100);
    EXPECT_NEAR(p.peakDb(6100), -6.02, 0.01);
}

TEST(MeterBallistics, ASteadyLevelSettlesOnTheReading)
{
    // A paused recording leaves the meter at its last value: the bar and the mark rest there.
    MeterBallistics m;
    m.feed(20000, 0);
    m.feed(10000, 80);
    const double level = MeterBallistics::toDb(10000);
    EXPECT_GT(m.barDb(80), level);  // still falling from the louder reading
    EXPECT_NEAR(m.barDb(60000), level, 1e-9);
    EXPECT_NEAR(m.peakDb(60000), level, 1e-9);
    EXPECT_TRUE(m.settled(60000));
    // From rest, a drop makes the bar fall from the resting level, not jump.
    m.feed(100, 60000);
    EXPECT_NEAR(m.barDb(60000), level, 1e-9);
    EXPECT_NEAR(m.barDb(60100), level - MeterBallistics::BarFallDbPerSec / 10, 1e-9);
    // A click clears the peak down to the present reading.
    m.feed(32767, 61000);
    m.feed(100, 61050);
    m.resetHolds();
    EXPECT_FALSE(m.clipLit(61050));
    EXPECT_NEAR(m.peakDb(61050), MeterBallistics::toDb(100), 1e-9);
}

TEST(AmpBar, ValueIsClampedAndIdleMeterRunsNoTimer)
{
    app();
    TNCTAmpBar2 bar;
    bar.resize(153, 13);
    bar.show();
    QTimer* animation = bar.findChild<QTimer*>();
    ASSERT_NE(animation, nullptr);
    bar.setValue(0);
    EXPECT_EQ(bar.Value(), 0);
    EXPECT_FALSE(animation->isActive());
    bar.setValue(40000);
    EXPECT_EQ(bar.Value(), 32767);
    EXPECT_TRUE(animation->isActive());  // peak and clip to fade
    bar.setValue(-7);
    EXPECT_EQ(bar.Value(), 0);
    bar.hide();   // a hidden meter does no work of its own
    bar.setValue(40000);
    EXPECT_FALSE(animation->isActive());
}

TEST(AmpBar, DrawsLevelsAtBothSizes)
{
    app();
    for (QSize size : {QSize(153, 21), QSize(153, 13), QSize(300, 30)}) {
        TNCTAmpBar2 bar;
        bar.resize(size);
        bar.show();
        const QImage silent = render(&bar);
        bar.setValue(16000);
        const QImage loud = render(&bar);
        EXPECT_GT(differingPixels(silent, loud, loud.rect()), size.width() * 3) << size.height();
    }
}
