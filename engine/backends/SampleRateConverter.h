#pragma once
// Sample-rate conversion of interleaved float audio (libswresample), for devices that cannot
// run at the rate a stream asks for. Construction allocates and primes every buffer the
// converter needs for blocks of up to maxInputFrames, so convert() does not allocate and may
// run in an audio callback.
#include <memory>

class SampleRateConverter {
public:
    // Throws EngineError with libswresample's message when the conversion cannot be set up.
    SampleRateConverter(int inputRate, int outputRate, int channels, int maxInputFrames);
    ~SampleRateConverter();
    SampleRateConverter(const SampleRateConverter&) = delete;
    SampleRateConverter& operator=(const SampleRateConverter&) = delete;

    int inputRate() const;
    int outputRate() const;
    int channels() const;
    int maxInputFrames() const;
    // Most frames one convert() of maxInputFrames frames can give.
    int maxOutputFrames() const;

    // Converts up to maxInputFrames frames; writes at most outputCapacity frames and returns
    // how many (the resampler keeps a few frames of history, so this varies by a few frames
    // around frames * outputRate / inputRate). -1 on an error of the library.
    int convert(const float* input, int frames, float* output, int outputCapacity) noexcept;

    // Forgets the history, as for a new stream (not for the audio thread).
    void reset();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
