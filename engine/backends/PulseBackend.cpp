// The backend on the sound server's own client library (libpulse): PulseAudio, and PipeWire
// through its PulseAudio service. Its parts:
//  - PulseConnection: the main loop and the context, reconnecting by itself after the server
//    went away;
//  - PulseRegistry: the devices, cards and defaults the server told of, kept current;
//  - PulseStreams: capture and playback streams;
//  - PulseApplication: one application's sound as an input ("Программа: <name>" in the list);
//  - PulseMixer: a device's volumes, mute, ports and profiles as mixer lines.
//
// The UI thread waits for the server only where the backend interface needs an answer (opening,
// starting and stopping a stream), and never longer than PulseOptions::answerSeconds. While no
// server answers, the device lists show every device as not available, opening a stream fails
// at once saying so, and once a server answers again the lists fill and the device watches hear
// of it. The initial devices are the server's defaults.
#include "engine/backends/PulseBackend.h"

#include "engine/EngineError.h"
#include "engine/backends/PulseApplication.h"
#include "engine/backends/PulseCore.h"
#include "engine/backends/PulseMixer.h"
#include "engine/backends/PulseStreams.h"

namespace tavrin::pulse {

namespace {

class PulseBackend final : public AudioBackend {
public:
    explicit PulseBackend(std::shared_ptr<PulseCore> core) : core_(std::move(core)) {}

    QString name() const override
    {
        std::lock_guard lock(core_->registry.m);
        return QStringLiteral("Sound server (%1)").arg(core_->registry.serverName);
    }
    QList<AudioDeviceInfo> inputDevices() override { return core_->registry.list(Input); }
    QList<AudioDeviceInfo> outputDevices() override { return core_->registry.list(Output); }
    int defaultInputDevice() override { return core_->registry.defaultDevice(Input); }
    int defaultOutputDevice() override { return core_->registry.defaultDevice(Output); }

    std::unique_ptr<AudioStream> openCapture(int device, int sampleRate, int channels, CaptureSink* sink) override
    {
        if (!sink)
            throw EngineError(QStringLiteral("A capture stream needs a receiver"));
        return open(Input, device, sampleRate, channels, sink, nullptr);
    }

    std::unique_ptr<AudioStream> openPlayback(int device, int sampleRate, int channels, PlaybackSource* source) override
    {
        if (!source)
            throw EngineError(QStringLiteral("A playback stream needs a source"));
        return open(Output, device, sampleRate, channels, nullptr, source);
    }

    std::unique_ptr<AudioMixer> openMixer(int device, bool input) override
    {
        return std::make_unique<PulseMixer>(core_, input ? Input : Output, device);
    }

    std::shared_ptr<void> watchDevices(std::function<void(int)> notify) override
    {
        return core_->watchers.add(std::move(notify));
    }

private:
    std::unique_ptr<AudioStream> open(Side side, int number, int rate, int channels, CaptureSink* sink,
                                      PlaybackSource* source)
    {
        if (rate < 1000 || rate > 384000)
            throw EngineError(QStringLiteral("The sample rate %1 Hz is not supported").arg(rate));
        if (channels < 1 || channels > 8)
            throw EngineError(QStringLiteral("%1 channels are not supported").arg(channels));
        {
            // A server that went away is asked again now: its devices are known once it answers.
            PulseConnection::Lock lock(core_->connection);
            core_->connection.requireOnline();
        }
        const Device d = core_->registry.device(side, number);
        const QString shown = core_->registry.list(side).value(number).name;
        // An application is recorded also while it plays nothing (silence until it does).
        if (d.application && sink)
            return std::make_unique<PulseApplicationCapture>(core_, QString::fromUtf8(d.name.mid(4)), shown, rate,
                                                             channels, sink);
        if (!d.present)
            throw EngineError(QStringLiteral("The sound device \"%1\" is no longer there").arg(shown));
        return std::make_unique<PulseStream>(core_, StreamTarget{side, d.name, shown}, rate, channels, sink, source);
    }

    std::shared_ptr<PulseCore> core_;
};

} // namespace

} // namespace tavrin::pulse

std::unique_ptr<AudioBackend> createPulseBackend(const PulseOptions& options)
{
    try {
        return std::make_unique<tavrin::pulse::PulseBackend>(std::make_shared<tavrin::pulse::PulseCore>(options));
    } catch (const EngineError&) {
        return nullptr;
    }
}
