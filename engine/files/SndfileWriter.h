#pragma once
// WAV writing through libsndfile: 8-bit (unsigned) or 16/24/32-bit integer PCM. The header is
// rewritten after every block, so the file on disk is a complete WAV at every moment (a
// killed program leaves a playable file). Past 4 GiB the file becomes RF64; below that it
// stays a plain WAV.
#include "engine/files/AudioWriter.h"
#include <QString>
#include <memory>

struct sf_private_tag;   // libsndfile's SNDFILE

namespace files {

class SndfileWriter final : public AudioWriter {
public:
    SndfileWriter(const QString& path, int sampleRate, int channels, int bitsPerSample);
    ~SndfileWriter() override;
    void write(const float* interleaved, int frames) override;
    void finish() override;
    int channels() const override { return channels_; }
    std::int64_t frames() const override { return frames_; }

private:
    struct Close {
        void operator()(sf_private_tag* sf) const noexcept;   // sf_close
    };
    std::unique_ptr<sf_private_tag, Close> sf_;
    QString path_;
    int channels_ = 0;
    std::int64_t frames_ = 0;
};

} // namespace files
