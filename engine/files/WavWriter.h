#pragma once
// WAV writing of up to two channels of 8-bit (unsigned) or 16-bit PCM, our own: the plain PCM
// format tag (1), which every reader takes, while the file is below 4 GiB; past that it turns
// into RF64 in place (the header keeps room for its ds64 chunk in a JUNK chunk from the start).
// The header is rewritten after every block, so the file on disk is a complete WAV at every
// moment and a killed program leaves a playable file. Samples are quantised as libsndfile
// does (clipped, then rounded down), so both writers give the same bytes.
#include "engine/files/AudioWriter.h"
#include "engine/files/PosixFile.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace files {

class WavWriter final : public AudioWriter {
public:
    // Throws EngineError (a format it does not write, or a file it cannot create).
    WavWriter(const QString& path, int sampleRate, int channels, int bitsPerSample);
    ~WavWriter() override;
    void write(const float* interleaved, int frames) override;
    void finish() override;
    int channels() const override { return channels_; }
    std::int64_t frames() const override { return frames_; }

    static bool writes(int channels, int bitsPerSample)
    {
        return channels >= 1 && channels <= 2 && (bitsPerSample == 8 || bitsPerSample == 16);
    }

private:
    void writeHeader();

    PosixFile file_;
    int rate_;
    int channels_;
    int bits_;
    std::int64_t frames_ = 0;
    std::int64_t dataBytes_ = 0;
    bool padded_ = false;
    bool open_ = true;
    std::vector<std::uint8_t> bytes_;
};

} // namespace files
