#pragma once
// FLAC and Opus-in-Ogg writing through libsndfile.
//
// FLAC: 16- or 24-bit samples at any rate libFLAC takes, compression level 0 to 8 (libFLAC's
// own levels). The encoder hands each finished frame (at most 4096 frames of audio) to the
// file at once; the stream header with the total length is completed at finish(), and a file
// cut off before that still decodes frame by frame.
//
// Opus: always 48000 Hz (the codec's own rate; the recorder captures at it), 1 or 2 channels,
// a target bitrate in kbit/s (6 to 256). Ogg pages are closed every 100 ms, so that a file cut
// off mid-recording holds all but the last fraction of a second; the last page is completed
// (with the exact length) at finish().
#include "engine/files/SndfileOutput.h"

namespace files {

struct XiphFormat {
    enum class Codec { Flac, Opus };
    Codec codec = Codec::Flac;
    int sampleRate = 44100;   // FLAC only; Opus is 48000
    int channels = 2;
    int bitsPerSample = 16;   // FLAC: 16 or 24
    int level = 5;            // FLAC: 0..8
    int kbps = 96;            // Opus: 6..256
};

class XiphWriter final : public SndfileOutput {
public:
    static constexpr int kOpusRate = 48000;
    static constexpr int kOpusPageMs = 100;

    XiphWriter(const QString& path, const XiphFormat& format);
    ~XiphWriter() override;
    int channels() const override { return format_.channels; }

private:
    // A libsndfile command that answers SF_TRUE when it took the value; throws when it did not.
    void command(int cmd, double value, const char* what);

    XiphFormat format_;
};

} // namespace files
