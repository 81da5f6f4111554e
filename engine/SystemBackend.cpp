// The backend the program uses: the one a test put in place, else (created once) the virtual
// backend in real time when TAVRIN_AUDIO=virtual, else the real devices through PortAudio, and
// the virtual backend when PortAudio finds nothing.
#include "engine/AudioBackend.h"
#include "engine/backends/PortAudioBackend.h"
#include "engine/backends/VirtualBackend.h"

#include <QtGlobal>
#include <atomic>
#include <memory>

namespace {

std::atomic<AudioBackend*> g_override{nullptr};

std::unique_ptr<AudioBackend> makeSystemBackend()
{
    if (qEnvironmentVariable("TAVRIN_AUDIO").compare(QLatin1String("virtual"), Qt::CaseInsensitive) != 0) {
        if (auto real = createPortAudioBackend())
            return real;
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
    static const std::unique_ptr<AudioBackend> backend = makeSystemBackend();
    return *backend;
}

void setSystemAudioBackend(AudioBackend* backend)
{
    g_override.store(backend);
}
