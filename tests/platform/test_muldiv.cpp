#include "platform/MulDiv.h"

#include <gtest/gtest.h>
#include <limits>

namespace {
constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
} // namespace

TEST(MulDiv, RoundsToNearestWithHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(1, 1, 3), 0);        // 0.333
    EXPECT_EQ(MulDiv(2, 1, 3), 1);        // 0.667
    EXPECT_EQ(MulDiv(1, 1, 2), 1);        // 0.5 -> 1
    EXPECT_EQ(MulDiv(3, 1, 2), 2);        // 1.5 -> 2
    EXPECT_EQ(MulDiv(5, 1, 2), 3);        // 2.5 -> 3 (not to even)
    EXPECT_EQ(MulDiv(500, 1001, 1000), 501);
    EXPECT_EQ(MulDiv(499, 1001, 1000), 499);  // 499.499
}

TEST(MulDiv, NegativeOperandsRoundAwayFromZero)
{
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);
    EXPECT_EQ(MulDiv(1, -1, 2), -1);
    EXPECT_EQ(MulDiv(1, 1, -2), -1);
    EXPECT_EQ(MulDiv(-1, -1, 2), 1);
    EXPECT_EQ(MulDiv(-1, 1, -2), 1);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(-1, 1, 3), 0);
    EXPECT_EQ(MulDiv(-2, 1, 3), -1);
    EXPECT_EQ(MulDiv(-500, 1001, 1000), -501);
}

TEST(MulDiv, ZeroDivisorGivesMinusOne)
{
    EXPECT_EQ(MulDiv(5, 7, 0), -1);
    EXPECT_EQ(MulDiv(0, 0, 0), -1);
    EXPECT_EQ(MulDiv(0, 7, 5), 0);
}

TEST(MulDiv, UsesAWideProductAndRejectsResultsOutside32Bits)
{
    // The product overflows 32 bits but the quotient fits.
    EXPECT_EQ(MulDiv(kMax, kMax, kMax), kMax);
    EXPECT_EQ(MulDiv(kMin, kMin, kMin), kMin);
    EXPECT_EQ(MulDiv(1000, 2000000000, 1000), 2000000000);
    EXPECT_EQ(MulDiv(kMin, 1, 1), kMin);
    // The quotient does not fit.
    EXPECT_EQ(MulDiv(kMax, 2, 1), -1);
    EXPECT_EQ(MulDiv(kMin, -1, 1), -1);
    EXPECT_EQ(MulDiv(kMin, 2, 1), -1);
    // 2147483647.5: the rounding itself carries the result past the limit.
    EXPECT_EQ(MulDiv(65535, 65537, 2), -1);
    EXPECT_EQ(MulDiv(-65535, 65537, 2), kMin);   // -2147483647.5 -> -2147483648 fits
}

TEST(MulDiv, SliderConversionsOfTheTransport)
{
    // Slider value (per mille) to a sample position and back, for a 3-minute file.
    const int32_t length = 44100 * 180;
    EXPECT_EQ(MulDiv(0, length, 1000), 0);
    EXPECT_EQ(MulDiv(1000, length, 1000), length);
    EXPECT_EQ(MulDiv(500, length, 1000), length / 2);
    EXPECT_EQ(MulDiv(length, 1000, length), 1000);
    EXPECT_EQ(MulDiv(length / 3, 1000, length), 333);
    // An empty file: the position cannot be computed.
    EXPECT_EQ(MulDiv(12345, 1000, 0), -1);
}
