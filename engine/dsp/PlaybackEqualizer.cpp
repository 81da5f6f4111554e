// The playback equaliser: twelve peaking sections in series per channel.
//
// Band centres (bandFrequency): 31, 63, 125, 250, 500 Hz, 1, 2, 4, 8, 12, 16 and 20 kHz, one
// octave apart up to 8 kHz and closer above, where an octave would leave the audible range.
// Every band has a bandwidth of about one octave (Q 1.41). A band whose centre lies at or above
// 47.5 % of the sample rate (20 kHz at 44.1 kHz still works; at 8 kHz everything from 4 kHz up)
// cannot be realised and is left out: it passes the signal unchanged.
//
// Gains glide to their new values (a one-pole glide in dB, coefficients recomputed every
// ControlFrames frames), and switching the equaliser on or off crossfades over FadeSeconds, so
// moving a slider while playing makes no click. A band at exactly 0 dB is not computed at all,
// and with the equaliser off (after its fade) the audio is not touched: all bands at 0 give the
// input back bit for bit.
#include "engine/dsp/PlaybackEqualizer.h"
#include "engine/dsp/SecondOrderSection.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>

using namespace tavrin::dsp;

namespace {

constexpr int MaxChannels = 8;
constexpr int ControlFrames = 32;
constexpr double FadeSeconds = 0.02;
constexpr double GlideSeconds = 0.02;
constexpr double BandQ = 1.41;
constexpr double MaxFractionOfRate = 0.475;
constexpr float MinGainDb = -15.0f;
constexpr float MaxGainDb = 15.0f;
constexpr std::array<float, PlaybackEqualizer::BandCount> Centres = {
    31.0f, 63.0f, 125.0f, 250.0f, 500.0f, 1000.0f, 2000.0f, 4000.0f, 8000.0f, 12000.0f, 16000.0f,
    20000.0f};

struct Band {
    std::atomic<float> wantDb{0.0f};
    double db = 0;                 // current (gliding) gain
    bool usable = true;            // centre below the limit at this sample rate
    bool running = false;          // computed (gain not exactly 0)
    SectionCoefficients coef;
    std::array<SectionState, MaxChannels> state{};
};

} // namespace

struct PlaybackEqualizer::Impl {
    double rate = 44100;
    int channels = 2;
    double fadeStep = 0;
    double glideFactor = 0;
    std::array<Band, BandCount> bands;
    std::atomic<bool> wantOn{false};
    double mix = 0;    // 0 = bypassed, 1 = equalised

    // Once per control period: follow the gains; returns whether any band is computed.
    bool control()
    {
        bool any = false;
        for (int i = 0; i < BandCount; ++i) {
            Band& b = bands[static_cast<std::size_t>(i)];
            if (!b.usable)
                continue;
            const double target = b.wantDb.load(std::memory_order_relaxed);
            bool changed = false;
            if (b.db != target) {
                const double diff = target - b.db;
                b.db = std::fabs(diff) < 0.005 ? target : b.db + diff * glideFactor;
                changed = true;
            }
            if (b.db == 0.0) {
                b.running = false;
            } else if (!b.running) {
                // Resuming from 0 dB: the section contributes nothing yet, so a clean
                // state makes no step.
                b.running = true;
                changed = true;
                for (auto& st : b.state)
                    st.reset();
            }
            if (changed && b.running)
                b.coef = peakingSection(Centres[static_cast<std::size_t>(i)], rate, BandQ, b.db);
            any = any || b.running;
        }
        return any;
    }
};

PlaybackEqualizer::PlaybackEqualizer() : d(std::make_unique<Impl>())
{
    setFormat(44100, 2);
}

PlaybackEqualizer::~PlaybackEqualizer() = default;

float PlaybackEqualizer::bandFrequency(int band)
{
    if (band < 0 || band >= BandCount)
        return 0.0f;
    return Centres[static_cast<std::size_t>(band)];
}

void PlaybackEqualizer::setFormat(int sampleRate, int channels)
{
    d->rate = sampleRate > 0 ? sampleRate : 44100;
    d->channels = std::clamp(channels, 1, MaxChannels);
    d->fadeStep = 1.0 / (FadeSeconds * d->rate);
    d->glideFactor = 1.0 - std::exp(-ControlFrames / (GlideSeconds * d->rate));
    for (int i = 0; i < BandCount; ++i) {
        Band& b = d->bands[static_cast<std::size_t>(i)];
        b.usable = Centres[static_cast<std::size_t>(i)] < MaxFractionOfRate * d->rate;
        // A new stream starts at the wanted gains (nothing to glide from).
        b.db = b.usable ? b.wantDb.load(std::memory_order_relaxed) : 0.0;
        b.running = b.db != 0.0;
        if (b.running)
            b.coef = peakingSection(Centres[static_cast<std::size_t>(i)], d->rate, BandQ, b.db);
        for (auto& st : b.state)
            st.reset();
    }
    d->mix = d->wantOn.load(std::memory_order_relaxed) ? 1.0 : 0.0;
}

void PlaybackEqualizer::setEnabled(bool on) { d->wantOn.store(on, std::memory_order_release); }

bool PlaybackEqualizer::enabled() const { return d->wantOn.load(std::memory_order_acquire); }

void PlaybackEqualizer::setGains(const std::vector<float>& gainsDb)
{
    const std::size_t n = std::min<std::size_t>(gainsDb.size(), BandCount);
    for (std::size_t i = 0; i < n; ++i) {
        float g = gainsDb[i];
        g = std::isfinite(g) ? std::clamp(g, MinGainDb, MaxGainDb) : 0.0f;
        d->bands[i].wantDb.store(g, std::memory_order_relaxed);
    }
}

void PlaybackEqualizer::process(float* interleaved, int frames) noexcept
{
    if (!interleaved || frames <= 0)
        return;
    Impl& m = *d;
    const bool on = m.wantOn.load(std::memory_order_acquire);
    if (!on && m.mix == 0.0) {
        // Off: nothing computed. The bands still follow their gains so that switching on
        // later starts from where the sliders are.
        for (Band& b : m.bands) {
            if (b.usable)
                b.db = b.wantDb.load(std::memory_order_relaxed);
            b.running = false;   // restarted with a clean state when switched on
        }
        return;
    }
    DenormalGuard guard;
    const int ch = m.channels;
    const double step = on ? m.fadeStep : -m.fadeStep;
    for (int start = 0; start < frames; start += ControlFrames) {
        const int count = std::min(ControlFrames, frames - start);
        const bool anyBand = m.control();
        float* p = interleaved + static_cast<std::size_t>(start) * ch;
        const bool fading = !(on && m.mix == 1.0);
        if (!anyBand) {
            if (fading)
                m.mix = std::clamp(m.mix + step * count, 0.0, 1.0);
            continue;   // nothing to change: the samples stay as they are
        }
        for (int i = 0; i < count; ++i) {
            if (fading)
                m.mix = std::clamp(m.mix + step, 0.0, 1.0);
            for (int c = 0; c < ch; ++c, ++p) {
                const double x = *p;
                double y = x;
                for (Band& b : m.bands)
                    if (b.running)
                        y = runSection(b.coef, b.state[static_cast<std::size_t>(c)], y);
                *p = static_cast<float>(fading ? x + m.mix * (y - x) : y);
            }
        }
    }
}
