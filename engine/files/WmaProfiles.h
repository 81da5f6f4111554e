#pragma once
// The WMA encoding profiles offered by TAudioFile2::SetFormatWMA: Windows Media Audio 2
// (FFmpeg "wmav2" in ASF), constant bitrate. Numbered from 0 in table order; profile 38 is the
// program's default (44100 Hz, 128 kbps, stereo). Every profile encodes (proven by the tests).
#include <QString>
#include <vector>

namespace files {

struct WmaProfile {
    int sampleRate;
    int channels;
    int bitrateKbps;
};

const std::vector<WmaProfile>& wmaProfiles();
// "WMA 44100 Hz, 128 kbps, Stereo"; empty for a number outside the table.
QString wmaProfileDescription(int profile);

} // namespace files
