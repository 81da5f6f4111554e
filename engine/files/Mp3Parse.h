#pragma once
// MPEG audio (layer 1/2/3) stream inspection without decoding: frame headers, the Xing/Info
// and LAME tags, the VBRI tag, and a full frame scan when no trustworthy tag is present.
// The length it gives follows the decoder's gapless rules (encoder delay and padding from the
// LAME tag removed), so it equals the number of frames FfmpegReader delivers.
#include <QString>
#include <cstddef>
#include <cstdint>

namespace files {

struct Mp3FrameHeader {
    int version = 0;        // 10: MPEG 1.0, 20: MPEG 2.0, 25: MPEG 2.5
    int layer = 0;          // 1, 2, 3
    int bitrateKbps = 0;    // 0 for the free format
    int sampleRate = 0;
    int channels = 0;       // 1 or 2
    bool crc = false;
    bool padding = false;
    int frameBytes = 0;     // whole frame, header included; 0 when unknown (free format)
    int samplesPerFrame = 0;
};

// Parses four header bytes. Returns false for anything that is not a usable frame header.
bool parseMp3Header(const unsigned char* p, Mp3FrameHeader& out);

struct Mp3StreamInfo {
    bool valid = false;         // a run of consistent frames was found
    Mp3FrameHeader first;       // the first audio frame (after a Xing/VBRI frame, if any)
    std::int64_t length = 0;    // frames (samples per channel) the decoder will deliver
    bool fromTag = false;       // length taken from a Xing/VBRI tag (else from a scan)
    bool hasLameTag = false;
    int encoderDelay = 0;       // from the LAME tag
    int encoderPadding = 0;
    bool vbr = false;           // "Xing" (not "Info") or VBRI tag, or varying bitrates seen
    int averageKbps = 0;        // audio bits / play time
    std::int64_t audioFrames = 0;  // MPEG frames counted or given by the tag
};

// Inspects a whole file held in memory (ID3v2 at the start and ID3v1/APE at the end skipped).
Mp3StreamInfo inspectMp3(const unsigned char* data, std::size_t size);
// Maps the file and inspects it; an unreadable file gives an invalid result.
Mp3StreamInfo inspectMp3File(const QString& path);

// "MPEG 1.0 layer-3", "MPEG 2.0 layer-2"; MPEG 2.5 is named "MPEG 2.0".
QString mp3VersionText(int version, int layer);

} // namespace files
