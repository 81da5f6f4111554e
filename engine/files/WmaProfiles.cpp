#include "engine/files/WmaProfiles.h"

namespace files {

const std::vector<WmaProfile>& wmaProfiles()
{
    // By sample rate, then channels, then bitrate. FFmpeg's WMA encoder needs 24 kbps or more.
    static const std::vector<WmaProfile> table = {
        {8000, 1, 24},   {8000, 1, 32},   {8000, 2, 24},   {8000, 2, 32},        //  0..3
        {11025, 1, 24},  {11025, 1, 32},  {11025, 2, 24},  {11025, 2, 32},       //  4..7
        {16000, 1, 24},  {16000, 1, 32},  {16000, 1, 40},  {16000, 1, 48},       //  8..11
        {16000, 2, 24},  {16000, 2, 32},  {16000, 2, 40},  {16000, 2, 48},       // 12..15
        {22050, 1, 24},  {22050, 1, 32},  {22050, 1, 48},  {22050, 1, 64},       // 16..19
        {22050, 2, 32},  {22050, 2, 40},  {22050, 2, 48},  {22050, 2, 64},       // 20..23
        {32000, 1, 32},  {32000, 1, 48},  {32000, 1, 64},                        // 24..26
        {32000, 2, 40},  {32000, 2, 48},  {32000, 2, 64},  {32000, 2, 80},       // 27..30
        {44100, 1, 32},  {44100, 1, 48},  {44100, 1, 64},                        // 31..33
        {44100, 2, 48},  {44100, 2, 64},  {44100, 2, 80},  {44100, 2, 96},       // 34..37
        {44100, 2, 128}, {44100, 2, 160}, {44100, 2, 192}, {44100, 2, 256},      // 38..41
        {44100, 2, 320},                                                          // 42
        {48000, 2, 96},  {48000, 2, 128}, {48000, 2, 160}, {48000, 2, 192},      // 43..46
        {48000, 2, 256}, {48000, 2, 320},                                         // 47..48
    };
    return table;
}

QString wmaProfileDescription(int profile)
{
    const auto& t = wmaProfiles();
    if (profile < 0 || profile >= static_cast<int>(t.size()))
        return {};
    const WmaProfile& p = t[static_cast<std::size_t>(profile)];
    return QStringLiteral("WMA %1 Hz, %2 kbps, %3")
        .arg(p.sampleRate)
        .arg(p.bitrateKbps)
        .arg(p.channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo"));
}

} // namespace files
