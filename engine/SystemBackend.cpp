// The backend the program uses: the one a test put in place, else (created once) the one that
// TAVRIN_AUDIO names ("virtual": the virtual backend in real time; "portaudio": PortAudio's ALSA
// devices; "pulse": the sound server), else the sound server when one answers, else PortAudio,
// else the virtual backend.
#include "engine/AudioBackend.h"
#include "engine/backends/PortAudioBackend.h"
#include "engine/backends/PulseBackend.h"
#include "engine/backends/VirtualBackend.h"

#include <QtGlobal>
#include <atomic>
#include <memory>

namespace {

std::atomic<AudioBackend*> g_override{nullptr};
std::atomic<bool> g_made{false};
std::atomic<bool> g_overrideReady{true};

std::unique_ptr<AudioBackend> makeSystemBackend()
{
    const QString wanted = qEnvironmentVariable("TAVRIN_AUDIO").toLower();
    if (wanted != QLatin1String("virtual")) {
        if (wanted != QLatin1String("portaudio")) {
            if (auto server = createPulseBackend())
                return server;
        }
        if (wanted != QLatin1String("pulse")) {
            if (auto alsa = createPortAudioBackend())
                return alsa;
        }
    }
    auto virtualBackend = std::make_unique<VirtualBackend>(VirtualBackend::ClockMode::RealTime);
    virtualBackend->setInputSine(440.0, 0.25);   // a quiet test tone on the virtual input
    return virtualBackend;
}

} // namespace

AudioBackend& systemAudioBackend()
{
    if (AudioBackend* b = g_override.load())
        return *b;
    static const std::unique_ptr<AudioBackend> backend = [] {
        auto made = makeSystemBackend();
        g_made.store(true);
        return made;
    }();
    return *backend;
}

bool systemAudioBackendReady()
{
    return (g_override.load() && g_overrideReady.load()) || g_made.load();
}

void setSystemAudioBackend(AudioBackend* backend, bool ready)
{
    g_overrideReady.store(ready);
    g_override.store(backend);
}
