#pragma once
// Writes audio with an FFmpeg encoder and muxer (WMA: "wmav2" in "asf"; the tests also make
// other types with it). The muxer's output is flushed to the file after every block, so a
// killed program loses at most the packet being assembled (well under 500 ms of audio).
#include "engine/files/AudioWriter.h"

#include <QString>
#include <memory>

namespace files {

struct FfmpegWriterSpec {
    QString container;   // FFmpeg muxer name: "asf", "ogg", "avi", "wav", "mp2", ...
    QString codec;       // FFmpeg encoder name: "wmav2", "libvorbis", "pcm_s16le", ...
    int sampleRate = 44100;
    int channels = 2;
    int bitrate = 0;     // bits per second; 0 leaves the encoder's default
    QString encoderOptions;      // "key=value:key=value" for the encoder ("code_size=3")
    QString muxerOptions;        // the same for the muxer ("packet_size=1000")
    // The container keeps no encoder delay (WMA in ASF) and the decoder drops the first
    // frame: lead the stream in with one frame of silence, so that the decoded audio lines up
    // with what was written and its end is not lost (it then ends within one frame after).
    bool padForDecoderDelay = false;
};

class FfmpegWriter final : public AudioWriter {
public:
    FfmpegWriter(const QString& path, const FfmpegWriterSpec& spec);   // throws EngineError
    ~FfmpegWriter() override;
    void write(const float* interleaved, int frames) override;
    void finish() override;
    int channels() const override;
    std::int64_t frames() const override;

private:
    struct State;
    std::unique_ptr<State> s;
};

} // namespace files
