#pragma once
// Tuning of the PortAudio backend, for tests and measurements. The program uses the defaults
// through createPortAudioBackend().
#include "engine/AudioBackend.h"
#include <memory>

struct PortAudioOptions {
    // Playback: a suggested latency (seconds) and the frames per callback, as time (rounded to
    // a power of two).
    double suggestedLatency = 0.1;
    double bufferSeconds = 0.05;
    // Capture: the device, the sound server and the program wake once per buffer, so buffers
    // are long; a recorder needs no low latency.
    double captureLatency = 1.0;
    double captureBufferSeconds = 0.4;
    int forceDeviceRate = 0;        // open devices at this rate and convert (0: as asked)
    int forceDeviceChannels = 0;    // open devices with this many channels and convert
    double stallSeconds = 4.0;      // no callback for this long while running: device lost
};

std::unique_ptr<AudioBackend> createPortAudioBackend(const PortAudioOptions& options);

// How long the last successful Pa_Initialize (with device enumeration) took, in seconds.
double portAudioInitialiseSeconds();
