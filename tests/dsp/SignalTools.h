#pragma once
// Generated signals and measurements for the filter and equaliser tests.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <numbers>
#include <vector>

namespace dsptest {

// Interleaved sine of `seconds`, the same on every channel.
inline std::vector<float> sine(double hz, double rate, double seconds, int channels,
                               double amplitude = 0.5)
{
    const int frames = static_cast<int>(seconds * rate);
    std::vector<float> out(static_cast<std::size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        const float v = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate));
        for (int c = 0; c < channels; ++c)
            out[static_cast<std::size_t>(i) * channels + c] = v;
    }
    return out;
}

// RMS of channel `ch` over frames [from, to).
inline double rms(const std::vector<float>& x, int channels, int ch, int from, int to)
{
    double sum = 0;
    for (int i = from; i < to; ++i) {
        const double v = x[static_cast<std::size_t>(i) * channels + ch];
        sum += v * v;
    }
    return std::sqrt(sum / std::max(1, to - from));
}

inline double db(double ratio) { return 20.0 * std::log10(std::max(ratio, 1e-12)); }

// Largest step between neighbouring samples of one channel.
inline double maxStep(const std::vector<float>& x, int channels, int ch)
{
    double m = 0;
    const std::size_t frames = x.size() / channels;
    for (std::size_t i = 1; i < frames; ++i)
        m = std::max(m, static_cast<double>(std::fabs(x[i * channels + ch] - x[(i - 1) * channels + ch])));
    return m;
}

// Runs `process(ptr, frames)` over the signal in chunks of `chunk` frames.
template <class F>
void inChunks(std::vector<float>& x, int channels, int chunk, F&& process)
{
    const int frames = static_cast<int>(x.size() / channels);
    for (int i = 0; i < frames; i += chunk)
        process(x.data() + static_cast<std::size_t>(i) * channels, std::min(chunk, frames - i));
}

} // namespace dsptest
