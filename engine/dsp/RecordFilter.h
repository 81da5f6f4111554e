#pragma once
// The record filter: a mains-hum notch, a high-pass and a low-pass (second order, Butterworth)
// on interleaved float audio. The setters may be called from any thread while process() runs
// on another; changes take effect at the next process() call without a click or gap.
#include <atomic>
#include <memory>

class RecordFilter {
public:
    RecordFilter();
    ~RecordFilter();
    void setFormat(int sampleRate, int channels);   // resets the filter state
    void setNotch(bool on, float hz);
    void setHighPass(bool on, float hz);
    void setLowPass(bool on, float hz);
    bool anyEnabled() const;
    void process(float* interleaved, int frames) noexcept;  // no allocation, no locks

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
