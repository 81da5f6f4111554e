#pragma once
// A block of audio travelling between the engine components: interleaved 32-bit floats in the
// range -1..1, counted in frames (one sample per channel). Move-only; its memory is released
// when it goes out of scope. An empty array stands for "no data" (it clears a picture, it ends
// a playback queue). An array from a running device also tells its sample rate.
#include <cstddef>
#include <utility>
#include <vector>

class SampleArray {
public:
    SampleArray() = default;
    SampleArray(int channels, std::vector<float> interleaved)
        : channels_(channels > 0 ? channels : 1), samples_(std::move(interleaved)) {}
    SampleArray(int channels, int frames)
        : channels_(channels > 0 ? channels : 1),
          samples_(static_cast<std::size_t>(frames > 0 ? frames : 0) * static_cast<std::size_t>(channels_)) {}

    SampleArray(SampleArray&&) noexcept = default;
    SampleArray& operator=(SampleArray&&) noexcept = default;
    SampleArray(const SampleArray&) = delete;
    SampleArray& operator=(const SampleArray&) = delete;

    bool isEmpty() const { return samples_.empty(); }
    int channels() const { return channels_; }
    int frames() const { return static_cast<int>(samples_.size() / static_cast<std::size_t>(channels_)); }
    const float* data() const { return samples_.data(); }
    float* data() { return samples_.data(); }
    const std::vector<float>& samples() const { return samples_; }
    std::vector<float>& samples() { return samples_; }
    // Frames a second of the audio, 0 where not known.
    int sampleRate() const { return sampleRate_; }
    void setSampleRate(int rate) { sampleRate_ = rate > 0 ? rate : 0; }
    // An explicit copy for the rare places that must keep the data.
    SampleArray clone() const
    {
        SampleArray copy(channels_, samples_);
        copy.sampleRate_ = sampleRate_;
        return copy;
    }

private:
    int channels_ = 1;
    int sampleRate_ = 0;
    std::vector<float> samples_;
};
