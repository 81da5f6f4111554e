#include "engine/EngineSupport.h"
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

using engine::PeakMeter;

TEST(PeakMeter, TakesTheLargestMagnitudeOfEachSideAndIgnoresNonNumbers)
{
    PeakMeter m;
    const float nan = std::nanf("");
    // Stereo: the left peak is a negative sample, the right one sits between NaNs.
    m.feed(std::vector<float>{0.1f, nan, -0.5f, 0.25f, 0.2f, nan, -0.0f, 0.0f}.data(), 4, 2);
    auto levels = m.take();
    EXPECT_EQ(levels.left, 16384);   // 0.5 of 32767, rounded
    EXPECT_EQ(levels.right, 8192);
    EXPECT_EQ(m.take().left, 0) << "take() starts the next period";

    // Past full scale (and infinity) reads as full scale; mono shows on both sides.
    m.feed(std::vector<float>{0.3f, -std::numeric_limits<float>::infinity(), 0.1f}.data(), 3, 1);
    levels = m.take();
    EXPECT_EQ(levels.left, 32767);
    EXPECT_EQ(levels.right, 32767);

    // Three channels: the first two are the sides; only NaN gives silence.
    m.feed(std::vector<float>{nan, 0.75f, 1.0f, nan, nan, 1.0f}.data(), 2, 3);
    levels = m.take();
    EXPECT_EQ(levels.left, 0);
    EXPECT_EQ(levels.right, 24575);
}
