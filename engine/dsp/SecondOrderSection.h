#pragma once
// Second-order filter sections shared by the record filter and the playback equaliser.
//
// The sections are the usual cookbook biquads (bilinear transform, prewarped at the centre or
// corner frequency) computed in the trapezoidal state-variable topology. Its two states are
// integrator memories rather than past outputs, so the coefficients may change from one block
// to the next while audio runs through it without the bumps a direct-form biquad gives: that
// is what lets the frequencies and gains glide instead of jumping.
#include <cmath>
#include <numbers>
#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace tavrin::dsp {

struct SectionCoefficients {
    double a1 = 1, a2 = 0, a3 = 0;   // state update
    double m0 = 1, m1 = 0, m2 = 0;   // output mix of input, band and low outputs
};

struct SectionState {
    double ic1 = 0, ic2 = 0;
    void reset() { ic1 = ic2 = 0; }
};

inline SectionCoefficients sectionBase(double hz, double sampleRate, double k)
{
    SectionCoefficients c;
    const double g = std::tan(std::numbers::pi * hz / sampleRate);
    c.a1 = 1.0 / (1.0 + g * (g + k));
    c.a2 = g * c.a1;
    c.a3 = g * c.a2;
    return c;
}

inline SectionCoefficients lowPassSection(double hz, double sampleRate, double q)
{
    SectionCoefficients c = sectionBase(hz, sampleRate, 1.0 / q);
    c.m0 = 0; c.m1 = 0; c.m2 = 1;
    return c;
}

inline SectionCoefficients highPassSection(double hz, double sampleRate, double q)
{
    const double k = 1.0 / q;
    SectionCoefficients c = sectionBase(hz, sampleRate, k);
    c.m0 = 1; c.m1 = -k; c.m2 = -1;
    return c;
}

inline SectionCoefficients notchSection(double hz, double sampleRate, double q)
{
    const double k = 1.0 / q;
    SectionCoefficients c = sectionBase(hz, sampleRate, k);
    c.m0 = 1; c.m1 = -k; c.m2 = 0;
    return c;
}

// Peaking (bell) section: gainDb at hz, 0 dB far from it. At 0 dB the output is the input
// exactly (m1 is then 0).
inline SectionCoefficients peakingSection(double hz, double sampleRate, double q, double gainDb)
{
    const double a = std::pow(10.0, gainDb / 40.0);
    const double k = 1.0 / (q * a);
    SectionCoefficients c = sectionBase(hz, sampleRate, k);
    c.m0 = 1; c.m1 = k * (a * a - 1.0); c.m2 = 0;
    return c;
}

inline double runSection(const SectionCoefficients& c, SectionState& s, double v0)
{
    const double v3 = v0 - s.ic2;
    const double v1 = c.a1 * s.ic1 + c.a2 * v3;
    const double v2 = s.ic2 + c.a2 * s.ic1 + c.a3 * v3;
    s.ic1 = 2.0 * v1 - s.ic1;
    s.ic2 = 2.0 * v2 - s.ic2;
    return c.m0 * v0 + c.m1 * v1 + c.m2 * v2;
}

// Denormal numbers make decaying filter states hundreds of times slower; flush them to zero
// for the duration of one process() call and restore the caller's mode afterwards.
class DenormalGuard {
public:
#if defined(__SSE__) || defined(__x86_64__)
    DenormalGuard() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | 0x8040u); } // FTZ | DAZ
    ~DenormalGuard() { _mm_setcsr(saved_); }
private:
    unsigned saved_;
#else
    DenormalGuard() = default;
#endif
public:
    DenormalGuard(const DenormalGuard&) = delete;
    DenormalGuard& operator=(const DenormalGuard&) = delete;
};

} // namespace tavrin::dsp
