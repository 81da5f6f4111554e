#include "engine/SampleArray.h"
#include <gtest/gtest.h>

TEST(SampleArray, CountsFramesAndMovesWithoutCopying)
{
    SampleArray a(2, 100);
    EXPECT_EQ(a.frames(), 100);
    EXPECT_EQ(a.channels(), 2);
    const float* p = a.data();
    SampleArray b = std::move(a);
    EXPECT_EQ(b.data(), p);
    EXPECT_EQ(b.frames(), 100);
    EXPECT_TRUE(SampleArray().isEmpty());
}
