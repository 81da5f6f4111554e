#pragma once
// One file being written: blocks of interleaved floats in, the file's format out.
#include <cstdint>

namespace files {

class AudioWriter {
public:
    virtual ~AudioWriter() = default;
    // frames frames of channels() interleaved samples, each within -1..1. Throws EngineError
    // when the data cannot be written; what was written before stays a playable file.
    virtual void write(const float* interleaved, int frames) = 0;
    // Completes the file (trailers, tags, header). Throws EngineError on failure.
    virtual void finish() = 0;
    virtual int channels() const = 0;
    virtual std::int64_t frames() const = 0;   // frames accepted so far
};

} // namespace files
