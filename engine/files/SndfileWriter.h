#pragma once
// WAV writing through libsndfile: 8-bit (unsigned) or 16/24/32-bit integer PCM. The header is
// rewritten after every block, so the file on disk is a complete WAV at every moment (a
// killed program leaves a playable file). Past 4 GiB the file becomes RF64; below that it
// stays a plain WAV.
#include "engine/files/SndfileOutput.h"

namespace files {

class SndfileWriter final : public SndfileOutput {
public:
    SndfileWriter(const QString& path, int sampleRate, int channels, int bitsPerSample);
    ~SndfileWriter() override;
    int channels() const override { return channels_; }

private:
    int channels_ = 0;
};

} // namespace files
