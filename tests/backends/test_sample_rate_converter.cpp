#include "engine/EngineError.h"
#include "engine/backends/SampleRateConverter.h"

#include <gtest/gtest.h>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

// Converts a sine block by block and returns the output of channel 0.
std::vector<float> convertSine(SampleRateConverter& c, double hz, double seconds, int block)
{
    const int ch = c.channels();
    const int total = static_cast<int>(seconds * c.inputRate());
    std::vector<float> in(static_cast<std::size_t>(block) * ch);
    std::vector<float> out(static_cast<std::size_t>(c.maxOutputFrames()) * ch);
    std::vector<float> result;
    for (int done = 0; done < total; done += block) {
        const int n = std::min(block, total - done);
        for (int i = 0; i < n; ++i)
            for (int k = 0; k < ch; ++k)
                in[static_cast<std::size_t>(i) * ch + k] =
                    static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * hz * (done + i) / c.inputRate()));
        const int got = c.convert(in.data(), n, out.data(), c.maxOutputFrames());
        EXPECT_GE(got, 0);
        for (int i = 0; i < got; ++i)
            result.push_back(out[static_cast<std::size_t>(i) * ch]);
    }
    return result;
}

double frequency(const std::vector<float>& x, double rate)
{
    int crossings = 0, first = -1, last = -1;
    for (std::size_t i = x.size() / 10 + 1; i < x.size(); ++i)
        if (x[i - 1] < 0 && x[i] >= 0) {
            if (first < 0)
                first = static_cast<int>(i);
            last = static_cast<int>(i);
            ++crossings;
        }
    return crossings > 1 ? (crossings - 1) * rate / (last - first) : 0;
}

} // namespace

TEST(SampleRateConverter, KeepsPitchAndLengthBothWays)
{
    struct Case { int from, to, channels; };
    for (Case c : {Case{48000, 8000, 1}, Case{8000, 48000, 2}, Case{44100, 48000, 2}, Case{48000, 11025, 2}}) {
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
        const int block = c.from / 20;
        SampleRateConverter conv(c.from, c.to, c.channels, block);
        const auto out = convertSine(conv, 700, 2.0, block);
        // Everything arrives except the filter's delay.
        EXPECT_NEAR(static_cast<double>(out.size()), 2.0 * c.to, c.to * 0.01 + 64);
        EXPECT_NEAR(frequency(out, c.to), 700, 1.0);
        double peak = 0;
        for (std::size_t i = out.size() / 4; i < out.size(); ++i)
            peak = std::max(peak, static_cast<double>(std::fabs(out[i])));
        EXPECT_NEAR(peak, 0.5, 0.02);
    }
}

TEST(SampleRateConverter, RefusesWhatItCannotDoAndBadCalls)
{
    EXPECT_THROW(SampleRateConverter(0, 48000, 2, 100), EngineError);
    EXPECT_THROW(SampleRateConverter(44100, 48000, 0, 100), EngineError);
    EXPECT_THROW(SampleRateConverter(44100, 48000, 2, 0), EngineError);
    SampleRateConverter c(44100, 48000, 1, 100);
    std::vector<float> in(200, 0.0f), out(static_cast<std::size_t>(c.maxOutputFrames()));
    EXPECT_EQ(c.convert(in.data(), 200, out.data(), c.maxOutputFrames()), -1);   // over the block size
    EXPECT_EQ(c.convert(in.data(), 0, out.data(), c.maxOutputFrames()), 0);
    EXPECT_EQ(c.convert(in.data(), 10, nullptr, 10), -1);
    c.reset();
    EXPECT_GE(c.convert(in.data(), 100, out.data(), c.maxOutputFrames()), 0);
}
