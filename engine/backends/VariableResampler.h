#pragma once
// Sample-rate conversion at a ratio that may change from one call to the next (libsamplerate,
// its fastest band-limited converter): a second input runs on a clock of its own and is
// brought to the first input's frames by a ratio a controller keeps adjusting. Interleaved
// float frames. Nothing is allocated after construction.
#include <memory>

class VariableResampler {
public:
    // Throws EngineError with the library's message when the converter cannot be made.
    explicit VariableResampler(int channels);
    ~VariableResampler();
    VariableResampler(const VariableResampler&) = delete;
    VariableResampler& operator=(const VariableResampler&) = delete;

    int channels() const;

    struct Result {
        int used = 0;       // input frames taken
        int made = 0;       // output frames written
    };
    // Converts at `ratio` (output frames per input frame, held for the whole call: no ramp, so
    // the position of every output frame in the input is known exactly). Takes what it can of
    // `frames` input frames and writes at most `capacity` output frames. Throws EngineError on
    // an error of the library.
    Result convert(const float* input, int frames, float* output, int capacity, double ratio);

    // Forgets the history, as for a new stream.
    void reset();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
