#pragma once
#include "engine/AudioBackend.h"
#include <memory>
// The backend on real sound devices (PortAudio, ALSA host API; reaches PulseAudio/PipeWire
// through the "pulse"/"default" devices). Returns nullptr when PortAudio cannot start or finds
// no device at all.
std::unique_ptr<AudioBackend> createPortAudioBackend();
