#pragma once
// The spectrum of the signal picture. analyse() takes the latest frames of a signal and gives,
// per channel, the level of every transform bin in dB of full scale (a full-scale sine reads
// 0 dB whatever the window), as Welch's average of up to three half-overlapping windowed
// transforms over the last 2 x size() frames; fewer than size() frames make one zero-padded
// transform. It keeps the frames it analysed, de-interleaved and limited to -1..1, for a
// picture of the wave. Buffers and the transform plan are made when the size changes, not on
// every call.
#include <memory>
#include <vector>

class SpectrumAnalyser {
public:
    static constexpr float SilentDb = -200.0f;   // a bin with no energy
    enum Window { None = 0, Welch = 1, Bartlett = 2, Hanning = 3, Hamming = 4 };

    SpectrumAnalyser();
    ~SpectrumAnalyser();
    SpectrumAnalyser(const SpectrumAnalyser&) = delete;
    SpectrumAnalyser& operator=(const SpectrumAnalyser&) = delete;

    // Transform size: 256, 1024 or 4096 (anything else goes to the nearest of them).
    void setSize(int n);
    int size() const;
    void setWindow(int type);   // a Window; out-of-range values are limited to 0..4
    int window() const;

    // interleaved: frames x channels samples; only the first two channels are analysed.
    // Non-finite samples count as silence.
    void analyse(const float* interleaved, int frames, int channels);
    void clear();

    int channels() const;    // channels of the last analysis, 0..2 (0: nothing analysed)
    int bins() const;        // size() / 2 + 1
    const std::vector<float>& spectrum(int channel) const;   // dB per bin; empty if none
    const std::vector<float>& wave(int channel) const;       // the frames analysed

    // The window's value at point i of n, for the window type (0 outside the window).
    static double windowValue(int type, int i, int n);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
