#pragma once
// The seam between the engine components and the sound system. A backend lists devices, opens
// capture and playback streams and the mixer of a device. Two backends exist: PortAudio for real
// devices (backends/PortAudioBackend), the sound server's own client library
// (backends/PulseBackend) and a virtual one that needs no hardware (backends/VirtualBackend).
//
// Real-time rules: CaptureSink::captured, CaptureSink::overflowed and PlaybackSource::render are
// called on the device's own thread and must not allocate, lock or block.
#include <QList>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

struct AudioDeviceInfo {
    QString name;
    bool available = true;
    // What the system knows the device by (the sound server's name of a source or sink); empty
    // where the shown name is all there is.
    QString id = {};
};

class CaptureSink {
public:
    virtual ~CaptureSink() = default;
    // Device thread: `frames` frames of interleaved float samples in the stream's format.
    virtual void captured(const float* interleaved, int frames) noexcept = 0;
    // Device thread: the device or sound server dropped this many frames before they reached us
    // (0 when the count is unknown but a drop happened).
    virtual void overflowed(int frames) noexcept = 0;
    // Device thread: how far behind the device its deliveries are, in frames: what it has
    // captured by now and not yet handed to captured() (the server's buffers, a fragment on its
    // way). Negative where frames come before the moment they stand for (the monitor of an
    // output: before they are heard). A stream that never says delivers each frame at once.
    virtual void delayed(int frames) noexcept { (void)frames; }
    // Any thread: the stream stopped for good (device unplugged, server gone).
    virtual void deviceLost(const QString& reason) noexcept = 0;
};

class PlaybackSource {
public:
    virtual ~PlaybackSource() = default;
    // Device thread: fill `frames` frames; returns how many were real audio (the rest must be
    // silence, written by the source).
    virtual int render(float* interleaved, int frames) noexcept = 0;
    // Any thread: the stream stopped for good.
    virtual void deviceLost(const QString& reason) noexcept = 0;
};

// An open capture or playback stream. start() and stop() are called on the UI thread.
class AudioStream {
public:
    virtual ~AudioStream() = default;
    virtual void start() = 0;   // throws EngineError
    virtual void stop() = 0;    // returns after the last callback has finished
    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;
    // The id (AudioDeviceInfo::id) of the device the stream was moved to by the user (the
    // desktop's sound settings); empty while it stays where it was opened. Any thread.
    virtual QString movedTo() const { return {}; }
};

// The lines of a device's mixer. Volume 0..65535, balance 0..100 (50 centre). `switch` is the
// mute switch of a playback line or the capture-select switch of a recording line.
// Advanced values are a bool QVariant for a switch and an int QVariant 0..65535 otherwise.
class AudioMixer {
public:
    virtual ~AudioMixer() = default;
    virtual int lineCount() const = 0;
    virtual QString lineName(int line) const = 0;
    virtual bool volumeEnabled(int line) const = 0;
    virtual int volume(int line) const = 0;
    virtual void setVolume(int line, int value) = 0;
    virtual bool balanceEnabled(int line) const = 0;
    virtual int balance(int line) const = 0;
    virtual void setBalance(int line, int value) = 0;
    virtual bool switchEnabled(int line) const = 0;
    virtual bool switchValue(int line) const = 0;
    virtual void setSwitchValue(int line, bool on) = 0;
    virtual int advancedCount(int line) const = 0;
    virtual QString advancedName(int line, int index) const = 0;
    virtual QVariant advancedValue(int line, int index) const = 0;
    virtual void setAdvancedValue(int line, int index, const QVariant& value) = 0;
};

// What changed among a backend's devices (bits of the value handed to a device watch).
enum DeviceChange : int {
    DeviceListsChanged = 1,    // devices came or went, were renamed, or the default moved
    DeviceMixersChanged = 2,   // a device's volume, mute, port or profile changed outside
};

class AudioBackend {
public:
    virtual ~AudioBackend() = default;
    virtual QString name() const = 0;
    virtual QList<AudioDeviceInfo> inputDevices() = 0;
    virtual QList<AudioDeviceInfo> outputDevices() = 0;
    virtual int defaultInputDevice() = 0;
    virtual int defaultOutputDevice() = 0;
    // Open a stream at this rate and channel count (the backend converts when the device
    // cannot). Throws EngineError when the device is busy, gone or refuses the format.
    virtual std::unique_ptr<AudioStream> openCapture(int device, int sampleRate, int channels,
                                                     CaptureSink* sink) = 0;
    virtual std::unique_ptr<AudioStream> openPlayback(int device, int sampleRate, int channels,
                                                      PlaybackSource* source) = 0;
    // The mixer of the card behind a device; never null (a device without one gives a mixer
    // with no lines).
    virtual std::unique_ptr<AudioMixer> openMixer(int device, bool input) = 0;
    // Calls `notify` with DeviceChange bits, on a thread of the backend's, whenever its devices
    // change. Device numbers stay valid: a device that goes away stays in the lists as not
    // available, and one that comes back gets its old number. The watch lasts as long as the
    // returned handle; once the handle is gone, `notify` is not running and is not called
    // again. A backend whose devices never change returns nullptr.
    virtual std::shared_ptr<void> watchDevices(std::function<void(int changes)> notify)
    {
        (void)notify;
        return nullptr;
    }
};

// The backend the program uses, created on first use: the sound server when one answers, else
// PortAudio's ALSA devices, else the virtual backend. The environment variable TAVRIN_AUDIO
// chooses one: "pulse", "portaudio" (the ALSA road even where a server runs) or "virtual".
AudioBackend& systemAudioBackend();
// True when systemAudioBackend() returns at once: a test's backend is in place, or the system
// one is made.
bool systemAudioBackendReady();
// Tests and benchmarks put their own backend in place (nullptr restores the system one). One
// put in place as not `ready` is reached as a slow sound server would be: the window searches
// it in the background.
void setSystemAudioBackend(AudioBackend* backend, bool ready = true);
