// Placeholder; the owner of the backends replaces it.
#include "engine/AudioBackend.h"
#include "engine/EngineError.h"

static AudioBackend* g_backend = nullptr;
AudioBackend& systemAudioBackend()
{
    if (!g_backend)
        throw EngineError(QStringLiteral("No audio backend is available"));
    return *g_backend;
}
void setSystemAudioBackend(AudioBackend* backend) { g_backend = backend; }
