#include "engine/dsp/SpectrumAnalyser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

// A sine on an exact bin of an n-point transform, left channel at `amp`, right at amp / 10.
std::vector<float> stereoSine(int frames, int n, int bin, double amp)
{
    std::vector<float> s(std::size_t(frames) * 2);
    for (int i = 0; i < frames; ++i) {
        const double v = amp * std::sin(2 * M_PI * bin * i / n);
        s[std::size_t(2 * i)] = float(v);
        s[std::size_t(2 * i + 1)] = float(v / 10);
    }
    return s;
}

int loudestBin(const std::vector<float>& levels)
{
    return int(std::max_element(levels.begin(), levels.end()) - levels.begin());
}

}  // namespace

// A sine reads its level at its own bin with every window and size, per channel.
TEST(SpectrumAnalyser, SineReadsItsLevelAtItsBin)
{
    SpectrumAnalyser a;
    for (int n : {256, 1024, 4096}) {
        a.setSize(n);
        ASSERT_EQ(a.size(), n);
        ASSERT_EQ(a.bins(), n / 2 + 1);
        const int bin = n / 8;
        const auto s = stereoSine(2 * n, n, bin, 0.5);
        for (int w = SpectrumAnalyser::None; w <= SpectrumAnalyser::Hamming; ++w) {
            a.setWindow(w);
            a.analyse(s.data(), 2 * n, 2);
            ASSERT_EQ(a.channels(), 2);
            EXPECT_EQ(loudestBin(a.spectrum(0)), bin) << n << " window " << w;
            EXPECT_NEAR(a.spectrum(0)[std::size_t(bin)], -6.02, 0.5) << n << " window " << w;
            EXPECT_NEAR(a.spectrum(1)[std::size_t(bin)], -26.02, 0.5) << n << " window " << w;
        }
    }
    a.setSize(700);
    EXPECT_EQ(a.size(), 1024);
    a.setWindow(9);
    EXPECT_EQ(a.window(), SpectrumAnalyser::Hamming);
}

// Short, mono, silent and broken input: no harm, silence reads as silence, the wave is kept.
TEST(SpectrumAnalyser, OddInput)
{
    SpectrumAnalyser a;
    a.setSize(1024);
    std::vector<float> mono(100, 0.25f);
    mono[3] = std::numeric_limits<float>::quiet_NaN();
    mono[4] = std::numeric_limits<float>::infinity();
    mono[5] = 40.0f;
    a.analyse(mono.data(), 100, 1);
    ASSERT_EQ(a.channels(), 1);
    ASSERT_EQ(a.wave(0).size(), 100u);
    EXPECT_EQ(a.wave(0)[3], 0.0f);
    EXPECT_EQ(a.wave(0)[4], 0.0f);
    EXPECT_EQ(a.wave(0)[5], 1.0f);
    EXPECT_TRUE(a.spectrum(1).empty());
    for (float v : a.spectrum(0))
        EXPECT_TRUE(std::isfinite(v));

    const std::vector<float> silence(4096, 0.0f);
    a.analyse(silence.data(), 2048, 2);
    EXPECT_EQ(a.spectrum(0)[10], SpectrumAnalyser::SilentDb);
    a.analyse(nullptr, 0, 2);
    EXPECT_EQ(a.channels(), 0);
}
