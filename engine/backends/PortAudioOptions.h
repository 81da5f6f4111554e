#pragma once
// Tuning of the PortAudio backend, for tests and measurements. The program uses the defaults
// through createPortAudioBackend().
#include "engine/AudioBackend.h"
#include <memory>

struct PortAudioOptions {
    double suggestedLatency = 0.1;  // seconds
    double bufferSeconds = 0.05;    // frames per callback, as time (rounded to a power of two)
    int forceDeviceRate = 0;        // open devices at this rate and convert (0: as asked)
    int forceDeviceChannels = 0;    // open devices with this many channels and convert
    double stallSeconds = 4.0;      // no callback for this long while running: device lost
};

std::unique_ptr<AudioBackend> createPortAudioBackend(const PortAudioOptions& options);

// How long the last successful Pa_Initialize (with device enumeration) took, in seconds.
double portAudioInitialiseSeconds();
