// The record filter: high-pass, mains-hum notch and low-pass in that order, each a second-order
// section per channel.
//
// Switching and frequency changes never reach the audio as a step: a stage that is switched on
// or off fades between its input and its output over FadeSeconds, and a new frequency is
// approached along a smooth glide (in octaves) while the coefficients are recomputed every
// ControlFrames frames. The setters only store atomics; process() picks them up.
#include "engine/dsp/RecordFilter.h"
#include "engine/dsp/SecondOrderSection.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

using namespace tavrin::dsp;

namespace {

constexpr int MaxChannels = 8;
constexpr int ControlFrames = 16;          // coefficient update period while gliding
constexpr double FadeSeconds = 0.02;       // on/off crossfade
constexpr double GlideSeconds = 0.02;      // time constant of a frequency glide
constexpr double ButterworthQ = 0.70710678118654752;
constexpr double NotchQ = 10.0;            // about 5 Hz wide at 50 Hz: tolerant of mains drift
constexpr double MinHz = 10.0;
constexpr double MaxFractionOfRate = 0.45; // keeps every corner clear of the Nyquist frequency

enum class Kind { HighPass, Notch, LowPass };

struct Stage {
    explicit Stage(Kind k, float hz) : kind(k), wantHz(hz) {}
    const Kind kind;
    // Written by the setters (any thread).
    std::atomic<bool> wantOn{false};
    std::atomic<float> wantHz;
    // Audio side.
    bool running = false;          // processed at all (on, or fading out)
    double mix = 0;                // 0 = input passes, 1 = filtered
    double octaves = 0;            // current frequency as log2(Hz)
    SectionCoefficients coef;
    std::array<SectionState, MaxChannels> state{};

    SectionCoefficients design(double hz, double rate) const
    {
        switch (kind) {
        case Kind::HighPass: return highPassSection(hz, rate, ButterworthQ);
        case Kind::Notch: return notchSection(hz, rate, NotchQ);
        case Kind::LowPass: break;
        }
        return lowPassSection(hz, rate, ButterworthQ);
    }
};

} // namespace

struct RecordFilter::Impl {
    double rate = 44100;
    int channels = 2;
    double fadeStep = 0;       // mix change per frame
    double glideFactor = 0;    // fraction of the remaining glide done per control period
    std::array<Stage, 3> stages{Stage(Kind::HighPass, 400.0f), Stage(Kind::Notch, 50.0f),
                                Stage(Kind::LowPass, 4000.0f)};
    std::atomic<bool> active{false};   // some stage still runs on the audio side

    double clampedOctaves(float hz) const
    {
        const double top = rate * MaxFractionOfRate;
        const double f = std::clamp(static_cast<double>(hz), MinHz, top);
        return std::log2(f);
    }

    static void store(Stage& s, bool on, float hz)
    {
        if (std::isfinite(hz) && hz > 0)
            s.wantHz.store(hz, std::memory_order_relaxed);
        s.wantOn.store(on, std::memory_order_release);
    }

    // Called once per control period: follows the switches and glides the frequency.
    void control(Stage& s)
    {
        const bool on = s.wantOn.load(std::memory_order_acquire);
        const double target = clampedOctaves(s.wantHz.load(std::memory_order_relaxed));
        if (on && !s.running) {
            // Starting from rest: begin at the wanted frequency with a clean state, faded in.
            s.running = true;
            s.mix = 0;
            s.octaves = target;
            s.coef = s.design(std::exp2(target), rate);
            for (auto& st : s.state)
                st.reset();
            return;
        }
        if (!s.running)
            return;
        const double diff = target - s.octaves;
        if (diff != 0) {
            s.octaves = std::fabs(diff) < 1e-4 ? target : s.octaves + diff * glideFactor;
            s.coef = s.design(std::exp2(s.octaves), rate);
        }
    }
};

RecordFilter::RecordFilter() : d(std::make_unique<Impl>())
{
    setFormat(44100, 2);
}

RecordFilter::~RecordFilter() = default;

void RecordFilter::setFormat(int sampleRate, int channels)
{
    d->rate = sampleRate > 0 ? sampleRate : 44100;
    d->channels = std::clamp(channels, 1, MaxChannels);
    d->fadeStep = 1.0 / (FadeSeconds * d->rate);
    d->glideFactor = 1.0 - std::exp(-ControlFrames / (GlideSeconds * d->rate));
    for (Stage& s : d->stages) {
        s.running = false;
        s.mix = 0;
        for (auto& st : s.state)
            st.reset();
    }
    d->active.store(false, std::memory_order_release);
}

void RecordFilter::setNotch(bool on, float hz) { Impl::store(d->stages[1], on, hz); }
void RecordFilter::setHighPass(bool on, float hz) { Impl::store(d->stages[0], on, hz); }
void RecordFilter::setLowPass(bool on, float hz) { Impl::store(d->stages[2], on, hz); }

bool RecordFilter::anyEnabled() const
{
    if (d->active.load(std::memory_order_acquire))
        return true;   // a stage is still fading out: process() must keep running
    for (const Stage& s : d->stages)
        if (s.wantOn.load(std::memory_order_acquire))
            return true;
    return false;
}

void RecordFilter::process(float* interleaved, int frames) noexcept
{
    if (!interleaved || frames <= 0)
        return;
    DenormalGuard guard;
    Impl& m = *d;
    const int ch = m.channels;
    for (int start = 0; start < frames; start += ControlFrames) {
        const int count = std::min(ControlFrames, frames - start);
        bool anyRunning = false;
        for (Stage& s : m.stages) {
            m.control(s);
            anyRunning = anyRunning || s.running;
        }
        if (!anyRunning)
            continue;
        for (Stage& s : m.stages) {
            if (!s.running)
                continue;
            const bool on = s.wantOn.load(std::memory_order_relaxed);
            float* p = interleaved + static_cast<std::size_t>(start) * ch;
            if (s.mix == 1.0 && on) {
                for (int i = 0; i < count; ++i)
                    for (int c = 0; c < ch; ++c, ++p)
                        *p = static_cast<float>(runSection(s.coef, s.state[c], *p));
                continue;
            }
            const double step = on ? m.fadeStep : -m.fadeStep;
            for (int i = 0; i < count; ++i) {
                s.mix = std::clamp(s.mix + step, 0.0, 1.0);
                for (int c = 0; c < ch; ++c, ++p) {
                    const double x = *p;
                    const double y = runSection(s.coef, s.state[c], x);
                    *p = static_cast<float>(x + s.mix * (y - x));
                }
            }
            if (!on && s.mix == 0.0)
                s.running = false;
        }
    }
    bool running = false;
    for (const Stage& s : m.stages)
        running = running || s.running;
    m.active.store(running, std::memory_order_release);
}
