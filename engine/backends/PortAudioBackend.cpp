// Placeholder; the owner of the real-device backend replaces it.
#include "engine/backends/PortAudioBackend.h"
std::unique_ptr<AudioBackend> createPortAudioBackend() { return nullptr; }
