#pragma once
// Decodes an audio file to interleaved 32-bit floats with FFmpeg, frame-exact.
//
// Containers (WAV, MP1/2/3, Ogg, AVI: its first audio stream, Musepack, WMA/ASF, ...) are
// found by FFmpeg's probe. Files without a header are recognised by their extension and read
// with fixed settings:
//   .vox             Dialogic (OKI) ADPCM, 4 bits, 8000 Hz, mono
//   .raw .pcm        PCM signed 16-bit little-endian, 44100 Hz, stereo
//   .gsm             GSM 06.10, 33-byte frames, 8000 Hz, mono
//   .g721 .g726      G.726 ADPCM 32 kbit/s (4-bit codes), 8000 Hz, mono, right-justified
//                    (RFC 3551 / Sun g72x packing)
//   .g723            G.723 ADPCM 24 kbit/s (3-bit codes, the G.726 24k mode), 8000 Hz, mono
// (a file with one of these extensions that starts with a RIFF header is read as WAV).
//
// Nothing is resampled. Streams of more than two channels are reduced to their first two.
// Positions are frames counted from the first frame the decoder delivers after the gapless
// trimming of the stream (MP3 encoder delay and padding from the LAME tag removed).
#include "engine/files/AudioReader.h"

#include <QString>
#include <cstdint>
#include <memory>

namespace files {

class FfmpegReader final : public AudioReader {
public:
    // Opens and checks that the file decodes; throws EngineError (with FFmpeg's message).
    explicit FfmpegReader(const QString& path);
    ~FfmpegReader() override;
    FfmpegReader(const FfmpegReader&) = delete;
    FfmpegReader& operator=(const FfmpegReader&) = delete;

    int sampleRate() const override;
    int channels() const override;                 // channels delivered (1 or 2)
    std::int64_t length() const override;          // frames
    bool lengthExact() const override;             // from the headers exactly, or measured
    QString description() const override;          // e.g. "MPEG 1.0 layer-3: 44100 Hz, 128 kbps, Stereo"
    std::int64_t position() const override;

    // Up to `frames` frames into out (interleaved, channels() per frame); fewer at the end.
    int read(float* out, int frames) override;
    // Moves to the exact frame (clamped to 0..length()); returns the position reached.
    std::int64_t seek(std::int64_t frame) override;

private:
    struct State;
    std::unique_ptr<State> s;
};

} // namespace files
