#pragma once
// Writes audio with an FFmpeg encoder and muxer (WMA: "wmav2" in "asf"; the tests also make
// other types with it). The muxer's output is flushed to the file after every block, so a
// killed program loses at most the packet being assembled (well under 500 ms of audio).
#include "engine/files/AudioWriter.h"
#include "engine/files/FfmpegModule.h"

#include <QString>
#include <memory>

namespace files {


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
