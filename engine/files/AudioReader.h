#pragma once
// One file being read: interleaved 32-bit floats out, frame-exact positions.
#include <QString>
#include <cstdint>

namespace files {

class AudioReader {
public:
    virtual ~AudioReader() = default;
    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;                 // channels delivered (1 or 2)
    virtual std::int64_t length() const = 0;          // frames
    virtual bool lengthExact() const = 0;             // from the headers exactly, or measured
    virtual QString description() const = 0;          // e.g. "MPEG 1.0 layer-3: 44100 Hz, 128 kbps, Stereo"
    virtual std::int64_t position() const = 0;
    // Up to `frames` frames into out (interleaved, channels() per frame); fewer at the end.
    virtual int read(float* out, int frames) = 0;
    // Moves to the exact frame (clamped to 0..length()); returns the position reached.
    virtual std::int64_t seek(std::int64_t frame) = 0;
};

} // namespace files
