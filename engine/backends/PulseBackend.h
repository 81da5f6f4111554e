#pragma once
// The backend on the sound server's own client library: PulseAudio, and PipeWire through its
// PulseAudio service. Every source and sink by the server's description, hot-plug, the server's
// volumes and ports as mixer lines; a server that restarts is found again by itself (its parts:
// backends/Pulse*.h, for the adapters only).
#include "engine/AudioBackend.h"
#include <memory>

struct PulseOptions {
    double bufferSeconds = 0.1;     // audio moved per wake-up of a playback stream (its target)
    // Audio moved per wake-up of a capture stream (its fragment): the program and the server
    // wake two or three times a second while recording; a recorder needs no low latency.
    double captureSeconds = 0.4;
    double maxBufferSeconds = 0;    // the server's queue of a capture stream (0: its own maximum)
    double answerSeconds = 3.0;     // longest wait for an answer of the server
};

// Returns nullptr when no sound server answers (nothing is started to get one).
std::unique_ptr<AudioBackend> createPulseBackend(const PulseOptions& options = {});
