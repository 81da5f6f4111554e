#include "engine/dsp/SpectrumAnalyser.h"

#include "engine/EngineError.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>

#include <fftw3.h>

namespace {

constexpr double kPi = 3.14159265358979323846;

// A sample limited to -1..1; one that is not finite counts as silence.
inline float limited(float v)
{
    if (v >= -1.0f && v <= 1.0f)
        return v;
    constexpr float most = std::numeric_limits<float>::max();
    return v > 1.0f && v <= most ? 1.0f : v < -1.0f && v >= -most ? -1.0f : 0.0f;
}

// log2 of a positive normal float to within 0.005 (0.015 dB as a level): the exponent, and a
// parabola through the mantissa.
inline float roughLog2(float x)
{
    const auto bits = std::bit_cast<std::uint32_t>(x);
    const float exponent = float(int(bits >> 23) - 127);
    const float m = std::bit_cast<float>((bits & 0x7FFFFFu) | 0x3F800000u);   // 1 <= m < 2
    return exponent + (-0.34484843f * m + 2.02466578f) * m - 1.67487759f;
}

// One real-to-complex transform of a fixed size with its aligned buffers.
class RealFft {
public:
    explicit RealFft(int n) : n_(n)
    {
        in_ = static_cast<float*>(fftwf_malloc(sizeof(float) * std::size_t(n)));
        out_ = static_cast<fftwf_complex*>(fftwf_malloc(sizeof(fftwf_complex) * std::size_t(n / 2 + 1)));
        if (!in_ || !out_) {
            release();
            throw EngineError(QStringLiteral("Cannot allocate the buffers of a %1-point spectrum transform (FFTW)").arg(n));
        }
        plan_ = fftwf_plan_dft_r2c_1d(n, in_, out_, FFTW_ESTIMATE);
        if (!plan_) {
            release();
            throw EngineError(QStringLiteral("FFTW could not plan a %1-point spectrum transform").arg(n));
        }
    }
    ~RealFft() { release(); }
    RealFft(const RealFft&) = delete;
    RealFft& operator=(const RealFft&) = delete;

    float* input() { return in_; }
    const fftwf_complex* output() const { return out_; }
    void run() { fftwf_execute(plan_); }

private:
    void release()
    {
        if (plan_)
            fftwf_destroy_plan(plan_);
        if (in_)
            fftwf_free(in_);
        if (out_)
            fftwf_free(out_);
        plan_ = nullptr;
        in_ = nullptr;
        out_ = nullptr;
    }

    int n_;
    float* in_ = nullptr;
    fftwf_complex* out_ = nullptr;
    fftwf_plan plan_ = nullptr;
};

}  // namespace

struct SpectrumAnalyser::Impl {
    int size = 1024;
    int windowType = None;
    std::map<int, std::unique_ptr<RealFft>> ffts;   // one plan per size, kept
    std::vector<float> window;
    int windowFor = -1, windowTypeFor = -1;
    double windowSum = 1;
    std::vector<float> power;
    int channels = 0;
    std::array<std::vector<float>, 2> wave;
    std::array<std::vector<float>, 2> spectrum;

    RealFft& fft()
    {
        auto& slot = ffts[size];
        if (!slot)
            slot = std::make_unique<RealFft>(size);
        return *slot;
    }

    void prepareWindow()
    {
        if (windowFor == size && windowTypeFor == windowType)
            return;
        window.resize(std::size_t(size));
        windowSum = 0;
        for (int i = 0; i < size; ++i) {
            window[std::size_t(i)] = float(windowValue(windowType, i, size));
            windowSum += window[std::size_t(i)];
        }
        if (windowSum <= 0)
            windowSum = 1;
        windowFor = size;
        windowTypeFor = windowType;
    }
};

SpectrumAnalyser::SpectrumAnalyser() : d(std::make_unique<Impl>()) {}
SpectrumAnalyser::~SpectrumAnalyser() = default;

void SpectrumAnalyser::setSize(int n) { d->size = n <= 512 ? 256 : n <= 2048 ? 1024 : 4096; }
int SpectrumAnalyser::size() const { return d->size; }
void SpectrumAnalyser::setWindow(int type) { d->windowType = std::clamp(type, 0, 4); }
int SpectrumAnalyser::window() const { return d->windowType; }
int SpectrumAnalyser::channels() const { return d->channels; }
int SpectrumAnalyser::bins() const { return d->size / 2 + 1; }

const std::vector<float>& SpectrumAnalyser::spectrum(int channel) const
{
    return d->spectrum[std::size_t(std::clamp(channel, 0, 1))];
}

const std::vector<float>& SpectrumAnalyser::wave(int channel) const
{
    return d->wave[std::size_t(std::clamp(channel, 0, 1))];
}

double SpectrumAnalyser::windowValue(int type, int i, int n)
{
    if (i < 0 || i >= n)
        return 0.0;
    if (n < 2)
        return 1.0;
    const double m = n - 1.0;
    switch (type) {
    case Welch: {
        const double t = (i - m / 2) / (m / 2 + 1);
        return 1.0 - t * t;
    }
    case Bartlett: return 1.0 - std::abs(2.0 * i / m - 1.0);
    case Hanning: return 0.5 - 0.5 * std::cos(2 * kPi * i / m);
    case Hamming: return 0.54 - 0.46 * std::cos(2 * kPi * i / m);
    default: return 1.0;
    }
}

void SpectrumAnalyser::clear()
{
    d->channels = 0;
    for (auto& v : d->wave)
        v.clear();
    for (auto& v : d->spectrum)
        v.clear();
}

void SpectrumAnalyser::analyse(const float* src, int frames, int srcCh)
{
    if (!src || frames <= 0 || srcCh <= 0) {
        clear();
        return;
    }
    d->channels = std::min(srcCh, 2);
    for (int c = 0; c < d->channels; ++c) {
        auto& w = d->wave[std::size_t(c)];
        w.resize(std::size_t(frames));
        const float* in = src + c;
        for (int i = 0; i < frames; ++i, in += srcCh)
            w[std::size_t(i)] = limited(*in);
    }
    for (int c = d->channels; c < 2; ++c)
        d->wave[std::size_t(c)].clear();

    const int n = d->size;
    RealFft& t = d->fft();
    d->prepareWindow();
    const int bins = n / 2 + 1;
    // Starts of the transforms: up to three, half overlapping, over the last 2 x n frames.
    int starts[3] = {0, 0, 0};
    int count = 0;
    if (frames >= n) {
        for (int s = std::max(0, frames - 2 * n); s + n <= frames && count < 3; s += n / 2)
            starts[count++] = s;
    } else {
        count = 1;
    }
    const double norm = 2.0 / d->windowSum;
    d->power.resize(std::size_t(bins));
    float* power = d->power.data();
    const float* window = d->window.data();
    for (int c = 0; c < d->channels; ++c) {
        std::fill_n(power, bins, 0.0f);
        const float* w = d->wave[std::size_t(c)].data();
        for (int k = 0; k < count; ++k) {
            const int s = starts[k];
            float* in = t.input();
            const int avail = std::min(n, frames - s);
            for (int i = 0; i < avail; ++i)
                in[i] = w[s + i] * window[i];
            std::fill(in + avail, in + n, 0.0f);
            t.run();
            const fftwf_complex* out = t.output();
            for (int b = 0; b < bins; ++b)
                power[b] += out[b][0] * out[b][0] + out[b][1] * out[b][1];
        }
        // 20 log10(sqrt(power / count) x norm) as 10 log10(power) plus a constant: this runs
        // for every bin of every frame, and a level is drawn to a pixel.
        auto& levels = d->spectrum[std::size_t(c)];
        levels.resize(std::size_t(bins));
        const float floorPower = float(1e-20 * double(count) / (norm * norm));   // amplitude 1e-10
        const float offset = float(10.0 * std::log10(norm * norm / double(count)));
        constexpr float dbPerOctave = 3.0102999566f;                              // 10 log10(2)
        for (int b = 0; b < bins; ++b)
            levels[std::size_t(b)] = power[b] > floorPower ? dbPerOctave * roughLog2(power[b]) + offset : SilentDb;
    }
    for (int c = d->channels; c < 2; ++c)
        d->spectrum[std::size_t(c)].clear();
}
