#pragma once
// MP3 writing through LAME: constant bitrate, the file's own sample rate (nothing is
// resampled), joint stereo for two channels. Every block's encoded frames go to the file at
// once; at the end the first frame is replaced by the Xing/LAME tag (frame count, encoder
// delay and padding) so that readers get the exact length back. LAME leaves its tag out when
// the stream's frames are too small to hold it (22050 Hz at 40 or 48 kbps, for example); this
// writer then puts in a frame of its own in the same layout (Info tag without seek table,
// LAME extension with delay and padding), so every bitrate gives gapless files.
#include "engine/files/AudioWriter.h"
#include "engine/files/PosixFile.h"

#include <QString>
#include <memory>
#include <vector>

namespace files {

class LameWriter final : public AudioWriter {
public:
    // Throws EngineError for a rate MPEG audio has no place for or a failing file.
    LameWriter(const QString& path, int sampleRate, int channels, int bitrateKbps);
    ~LameWriter() override;
    void write(const float* interleaved, int frames) override;
    void finish() override;
    int channels() const override { return channels_; }
    std::int64_t frames() const override { return frames_; }

    static bool rateSupported(int sampleRate);

private:
    void writeOwnTag();
    struct Lame;
    std::unique_ptr<Lame> lame_;
    PosixFile file_;
    int channels_ = 0;
    std::int64_t frames_ = 0;
    std::vector<unsigned char> out_;
    std::vector<float> left_;
    bool finished_ = false;
    bool ownTag_ = false;       // the tag frame is ours, not LAME's
    int ownTagBytes_ = 0;
    std::vector<unsigned char> ownTagHeader_;
};

} // namespace files
