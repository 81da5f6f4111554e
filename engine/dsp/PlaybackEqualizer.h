#pragma once
// The playback equaliser: twelve peaking bands (centre frequencies in bandFrequency()) with
// gains in dB, -15..15. Thread rules as for RecordFilter.
#include <memory>
#include <vector>

class PlaybackEqualizer {
public:
    static constexpr int BandCount = 12;
    PlaybackEqualizer();
    ~PlaybackEqualizer();
    static float bandFrequency(int band);           // band 0..11, Hz
    void setFormat(int sampleRate, int channels);
    void setEnabled(bool on);
    bool enabled() const;
    void setGains(const std::vector<float>& gainsDb); // up to 12 values, band 0 first
    void process(float* interleaved, int frames) noexcept;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
