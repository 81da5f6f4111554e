#pragma once
// One channel of an audio file as the program reads it back, for the tests of every area
// (header only; the engine's reader).
#include "engine/TAudioFile2.h"

#include <QString>
#include <vector>

// Every sample of `channel`, in order; empty when the file does not open.
inline std::vector<float> ChannelSamples(const QString& path, int channel = 0)
{
    std::vector<float> out;
    TAudioFile2 file;
    file.setActive(true);
    file.Open(path, 0, 1);
    if (file.LastError() != 0)
        return out;
    for (SampleArray b = file.ReadArray(8192); !b.isEmpty(); b = file.ReadArray(8192))
        for (int f = 0; f < b.frames(); ++f)
            out.push_back(b.data()[f * b.channels() + channel]);
    file.Close();
    return out;
}
