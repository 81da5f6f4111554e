#pragma once
// The backend on the sound server's own client library: PulseAudio, and PipeWire through its
// PulseAudio service. Every source and sink by the server's description, hot-plug, the server's
// volumes and ports as mixer lines.
#include "engine/AudioBackend.h"
#include <memory>

struct PulseOptions {
    double bufferSeconds = 0.1;     // audio moved per wake-up: capture fragment, playback target
    double maxBufferSeconds = 0;    // the server's queue of a capture stream (0: its own maximum)
    double answerSeconds = 3.0;     // longest wait for an answer of the server
};

// Returns nullptr when no sound server answers (nothing is started to get one).
std::unique_ptr<AudioBackend> createPulseBackend(const PulseOptions& options = {});
