// The backend on real sound devices: PortAudio's ALSA host API.
//
// Devices: PortAudio's ALSA devices, numbered 0..n-1 separately for inputs and outputs, in
// PortAudio's order. PortAudio probes every device once while it initialises (that is most of
// its start-up time); a device it lists for a direction could be opened then and counts as
// available. Nothing is opened again at start-up.
//
// Streams: 32-bit float, interleaved. Playback: about 50 ms per callback and a suggested
// latency of 100 ms. Capture: about 400 ms per callback and a second of latency, so that the
// program and the sound server wake two or three times a second (short buffers cost many
// times the CPU, and a recorder needs no low latency). A device is opened at the rate and
// channel count asked for; when it refuses them it is opened at a
// rate and channel count it takes and the audio is converted (libswresample for the rate, our
// own code for mono/stereo), with every buffer allocated before the stream starts.
//
// Capture loss is reported through CaptureSink::overflowed: PortAudio's input-overflow flags,
// and gaps the sound server left without saying so (CaptureGapDetector, on the stream's clock).
// A device that dies (the stream ends by itself, or no callback comes for a few seconds) is
// reported once through deviceLost, from the stream's watchdog thread: the device thread only
// leaves a mark.
#include "engine/backends/PortAudioBackend.h"
#include "engine/DeviceCallback.h"
#include "engine/EngineError.h"
#include "engine/ThreadRules.h"
#include "engine/backends/AlsaMixer.h"
#include "engine/backends/CaptureGapDetector.h"
#include "engine/backends/PortAudioOptions.h"
#include "engine/backends/SampleRateConverter.h"

#include <alsa/asoundlib.h>
#include <portaudio.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace {

std::atomic<double> g_initialiseSeconds{0.0};

// ALSA prints the failures of PortAudio's device probing to stderr; they are expected.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

// PortAudio's JACK host API prints half a screen of "cannot connect" lines when no JACK
// server runs. Standard error is parked on /dev/null while PortAudio starts (about 0.1 s, at
// the program's start) and put back afterwards; when anything fails, nothing is hidden.
class QuietStandardError {
public:
    QuietStandardError()
    {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        if (saved_ < 0)
            return;
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (null < 0 || ::dup2(null, STDERR_FILENO) < 0) {
            if (null >= 0)
                ::close(null);
            ::close(saved_);
            saved_ = -1;
            return;
        }
        ::close(null);
    }
    ~QuietStandardError()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

QString paText(PaError err)
{
    QString text = QString::fromUtf8(Pa_GetErrorText(err));
    if (err == paUnanticipatedHostError) {
        const PaHostErrorInfo* info = Pa_GetLastHostErrorInfo();
        if (info && info->errorText && info->errorText[0])
            text += QStringLiteral(": ") + QString::fromUtf8(info->errorText);
    }
    return text;
}

// One reference to the PortAudio library (Pa_Initialize/Pa_Terminate nest).
class PortAudioLibrary {
public:
    PortAudioLibrary()
    {
        snd_lib_error_set_handler(quietAlsa);
        // Never let PortAudio's JACK host API start a JACK server: it would take the card.
        ::setenv("JACK_NO_START_SERVER", "1", 0);
        const auto t0 = std::chrono::steady_clock::now();
        {
            QuietStandardError quiet;
            error_ = Pa_Initialize();
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - t0;
        if (error_ == paNoError)
            g_initialiseSeconds = took.count();
    }
    ~PortAudioLibrary()
    {
        if (error_ == paNoError)
            Pa_Terminate();
    }
    PortAudioLibrary(const PortAudioLibrary&) = delete;
    PortAudioLibrary& operator=(const PortAudioLibrary&) = delete;
    PaError error() const { return error_; }

private:
    PaError error_ = paNotInitialized;
};

struct StreamClose {
    void operator()(PaStream* s) const noexcept { Pa_CloseStream(s); }
};
using StreamHandle = std::unique_ptr<void, StreamClose>;   // a PaStream

std::int64_t nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Interleaved channel mapping: stereo to mono averages, mono to stereo copies; otherwise the
// first channels are kept and missing ones repeat the last.
void mapChannels(const float* in, int inChannels, float* out, int outChannels, int frames) noexcept
{
    for (int i = 0; i < frames; ++i, in += inChannels, out += outChannels) {
        if (outChannels == 1 && inChannels >= 2) {
            out[0] = 0.5f * (in[0] + in[1]);
            continue;
        }
        for (int c = 0; c < outChannels; ++c)
            out[c] = in[std::min(c, inChannels - 1)];
    }
}

int framesPerBuffer(double seconds, int rate)
{
    const double frames = std::max(64.0, seconds * rate);
    return 1 << static_cast<int>(std::lround(std::log2(frames)));
}

struct DeviceEntry {
    PaDeviceIndex index = paNoDevice;
    QString name;
    int maxChannels = 0;
    double defaultRate = 44100;
};

// ---------------------------------------------------------------------------------------------
// A PortAudio stream: opening with fallbacks, start/stop, and the watchdog for a dying device.
class PortAudioStream : public AudioStream {
public:
    // Stopped here; stream_ closes it afterwards.
    ~PortAudioStream() override { PortAudioStream::stop(); }

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }

    void start() override
    {
        stop();
        std::lock_guard lock(control_);
        prepareStart();
        stopRequested_ = false;
        lostReported_ = false;
        endedByItself_ = false;
        lastCallbackNs_ = nowNs();
        // (No real-time priority for the callback thread: through ALSA's pulse plugin it
        // starves the plugin's own thread, and playback stops reaching the server.)
        const PaError err = Pa_StartStream(stream_.get());
        if (err != paNoError)
            throw EngineError(QStringLiteral("Cannot start the sound device \"%1\": %2").arg(deviceName_, paText(err)));
        running_ = true;
        quitWatchdog_ = false;
        watchdog_ = std::thread([this] { watch(); });
    }

    void stop() override
    {
        {
            std::lock_guard lock(watchMutex_);
            quitWatchdog_ = true;
        }
        watchCv_.notify_all();
        if (watchdog_.joinable())
            watchdog_.join();
        std::lock_guard lock(control_);
        stopRequested_ = true;
        if (running_ && stream_) {
            // Abort: a stop drops what is queued; PortAudio returns after the last callback.
            if (Pa_IsStreamStopped(stream_.get()) == 0)
                Pa_AbortStream(stream_.get());
        }
        running_ = false;
    }

protected:
    PortAudioStream(std::shared_ptr<PortAudioLibrary> library, const DeviceEntry& device, int rate, int channels,
                    const PortAudioOptions& options)
        : library_(std::move(library)), deviceName_(device.name), rate_(rate), channels_(channels), options_(options)
    {
    }

    // Opens the device, trying the asked format first and then formats the device is likely
    // to take. Sets deviceRate_/deviceChannels_; throws EngineError with PortAudio's text.
    void open(const DeviceEntry& device, bool input, PaStreamCallback* callback)
    {
        struct Candidate {
            int rate;
            int channels;
        };
        std::vector<Candidate> candidates;
        const int otherChannels = channels_ == 1 ? 2 : 1;
        auto add = [&](int r, int c) {
            if (r <= 0 || c <= 0 || c > device.maxChannels)
                return;
            for (const Candidate& x : candidates)
                if (x.rate == r && x.channels == c)
                    return;
            candidates.push_back({r, c});
        };
        const int forcedRate = options_.forceDeviceRate;
        const int forcedChannels = options_.forceDeviceChannels;
        if (forcedRate > 0 || forcedChannels > 0) {
            add(forcedRate > 0 ? forcedRate : rate_, forcedChannels > 0 ? forcedChannels : channels_);
        } else {
            for (int r : {rate_, static_cast<int>(device.defaultRate), 48000, 44100}) {
                add(r, channels_);
                add(r, otherChannels);
            }
        }
        if (candidates.empty())
            throw EngineError(QStringLiteral("The sound device \"%1\" cannot %2 %3 channel(s)")
                                  .arg(device.name, input ? QStringLiteral("record") : QStringLiteral("play"))
                                  .arg(channels_));

        PaError first = paNoError;
        for (const Candidate& c : candidates) {
            PaStreamParameters p{};
            p.device = device.index;
            p.channelCount = c.channels;
            p.sampleFormat = paFloat32;
            p.suggestedLatency = input ? options_.captureLatency : options_.suggestedLatency;
            p.hostApiSpecificStreamInfo = nullptr;
            const double seconds = input ? options_.captureBufferSeconds : options_.bufferSeconds;
            const unsigned long frames = static_cast<unsigned long>(framesPerBuffer(seconds, c.rate));
            PaStream* s = nullptr;
            const PaError err = Pa_OpenStream(&s, input ? &p : nullptr, input ? nullptr : &p, c.rate, frames,
                                              paClipOff | paDitherOff, callback, this);
            if (err == paNoError) {
                stream_.reset(s);
                deviceRate_ = c.rate;
                deviceChannels_ = c.channels;
                deviceFrames_ = static_cast<int>(frames);
                const PaError fin = Pa_SetStreamFinishedCallback(stream_.get(), &PortAudioStream::finished);
                if (fin != paNoError)
                    throw EngineError(QStringLiteral("Cannot open the sound device \"%1\": %2").arg(device.name, paText(fin)));
                return;
            }
            if (first == paNoError)
                first = err;
            // Only a refused format is worth another try; busy or gone devices are not.
            if (err != paInvalidSampleRate && err != paInvalidChannelCount && err != paSampleFormatNotSupported
                && err != paBadIODeviceCombination)
                break;
        }
        throw EngineError(QStringLiteral("Cannot open the sound device \"%1\" (%2 Hz, %3 channel(s)): %4")
                              .arg(device.name)
                              .arg(rate_)
                              .arg(channels_)
                              .arg(paText(first)));
    }

    virtual void prepareStart() = 0;       // UI thread, before Pa_StartStream
    virtual void lost(const QString& reason) noexcept = 0;

    void noteCallback() noexcept { lastCallbackNs_.store(nowNs(), std::memory_order_relaxed); }

    void reportLost(const QString& reason) noexcept
    {
        if (!lostReported_.exchange(true))
            lost(reason);
    }

    std::shared_ptr<PortAudioLibrary> library_;   // outlives the stream's PortAudio calls
    QString deviceName_;
    int rate_;
    int channels_;
    PortAudioOptions options_;
    int deviceRate_ = 0;
    int deviceChannels_ = 0;
    int deviceFrames_ = 0;
    StreamHandle stream_;

private:
    // PortAudio's thread, when the stream has ended: the watchdog reports it.
    static void finished(void* user)
    {
        DeviceCallbackScope scope;
        static_cast<PortAudioStream*>(user)->endedByItself_.store(true);
    }

    void watch()
    {
        engine::nameThisThread("tavrin-watchdog");
        const auto limit = static_cast<std::int64_t>(options_.stallSeconds * 1e9);
        std::unique_lock lock(watchMutex_);
        while (!quitWatchdog_) {
            watchCv_.wait_for(lock, std::chrono::seconds(1));
            if (quitWatchdog_)
                break;
            if (nowNs() - lastCallbackNs_.load(std::memory_order_relaxed) > limit) {
                reportLost(QStringLiteral("The sound device \"%1\" stopped delivering audio").arg(deviceName_));
                break;
            }
            if (endedByItself_.load() && !stopRequested_.load()) {
                reportLost(QStringLiteral("The sound device \"%1\" stopped unexpectedly").arg(deviceName_));
                break;
            }
            std::unique_lock control(control_, std::try_to_lock);
            if (control.owns_lock() && running_ && !stopRequested_ && Pa_IsStreamActive(stream_.get()) != 1) {
                reportLost(QStringLiteral("The sound device \"%1\" stopped unexpectedly").arg(deviceName_));
                break;
            }
        }
    }

    std::mutex control_;                  // PortAudio calls on the stream (UI and watchdog)
    bool running_ = false;
    std::atomic<bool> stopRequested_{true};
    std::atomic<bool> lostReported_{false};
    std::atomic<bool> endedByItself_{false};
    std::atomic<std::int64_t> lastCallbackNs_{0};
    std::thread watchdog_;
    std::mutex watchMutex_;
    std::condition_variable watchCv_;
    bool quitWatchdog_ = true;
};

// ---------------------------------------------------------------------------------------------
class CaptureStream final : public PortAudioStream {
public:
    CaptureStream(std::shared_ptr<PortAudioLibrary> library, const DeviceEntry& device, int rate, int channels,
                  CaptureSink* sink, const PortAudioOptions& options)
        : PortAudioStream(std::move(library), device, rate, channels, options), sink_(sink)
    {
        open(device, true, &CaptureStream::callback);
        const std::size_t maxFrames = static_cast<std::size_t>(deviceFrames_) * 2;
        if (deviceChannels_ != channels_)
            mapped_.assign(maxFrames * static_cast<std::size_t>(channels_), 0.0f);
        if (deviceRate_ != rate_) {
            converter_ = std::make_unique<SampleRateConverter>(deviceRate_, rate_, channels_, static_cast<int>(maxFrames));
            converted_.assign(static_cast<std::size_t>(converter_->maxOutputFrames()) * channels_, 0.0f);
        }
    }

    ~CaptureStream() override { stop(); }

private:
    void prepareStart() override
    {
        gaps_.start(deviceRate_, std::max(0.12, 2.5 * deviceFrames_ / static_cast<double>(deviceRate_)));
        if (converter_)
            converter_->reset();
    }

    void lost(const QString& reason) noexcept override { sink_->deviceLost(reason); }

    static int callback(const void* input, void*, unsigned long frameCount, const PaStreamCallbackTimeInfo* time,
                        PaStreamCallbackFlags flags, void* user)
    {
        DeviceCallbackScope scope;
        static_cast<CaptureStream*>(user)->process(static_cast<const float*>(input), static_cast<int>(frameCount),
                                                   time, flags);
        return paContinue;
    }

    void process(const float* input, int frames, const PaStreamCallbackTimeInfo* time, PaStreamCallbackFlags flags) noexcept
    {
        noteCallback();
        const double now = time ? time->currentTime : 0.0;
        const double at = time && time->inputBufferAdcTime > 0 ? time->inputBufferAdcTime : now;
        const long long gap = gaps_.onBuffer(at, now, frames);
        if (gap > 0) {
            // In the stream's own frames.
            const long long lostFrames = gap * rate_ / deviceRate_;
            sink_->overflowed(static_cast<int>(std::min<long long>(lostFrames, 0x7fffffff)));
        } else if (flags & paInputOverflow) {
            sink_->overflowed(0);
        }
        if (!input || frames <= 0)
            return;
        // PortAudio hands us deviceFrames_ per call; guard the preallocated sizes anyway.
        while (frames > 0) {
            const int n = std::min(frames, deviceFrames_ * 2);
            deliver(input, n);
            input += static_cast<std::size_t>(n) * deviceChannels_;
            frames -= n;
        }
    }

    void deliver(const float* input, int frames) noexcept
    {
        const float* data = input;
        if (!mapped_.empty()) {
            mapChannels(data, deviceChannels_, mapped_.data(), channels_, frames);
            data = mapped_.data();
        }
        int n = frames;
        if (converter_) {
            n = converter_->convert(data, frames, converted_.data(), converter_->maxOutputFrames());
            data = converted_.data();
        }
        if (n > 0)
            sink_->captured(data, n);
    }

    CaptureSink* sink_;
    CaptureGapDetector gaps_;
    std::vector<float> mapped_;
    std::unique_ptr<SampleRateConverter> converter_;
    std::vector<float> converted_;
};

// ---------------------------------------------------------------------------------------------
class PlaybackStream final : public PortAudioStream {
public:
    PlaybackStream(std::shared_ptr<PortAudioLibrary> library, const DeviceEntry& device, int rate, int channels,
                   PlaybackSource* source, const PortAudioOptions& options)
        : PortAudioStream(std::move(library), device, rate, channels, options), source_(source)
    {
        open(device, false, &PlaybackStream::callback);
        const std::size_t maxFrames = static_cast<std::size_t>(deviceFrames_) * 2;
        if (deviceRate_ != rate_) {
            // Pull about one device buffer's worth of the stream's frames at a time.
            chunk_ = static_cast<int>(static_cast<long long>(deviceFrames_) * rate_ / deviceRate_) + 1;
            converter_ = std::make_unique<SampleRateConverter>(rate_, deviceRate_, channels_, chunk_);
            rendered_.assign(static_cast<std::size_t>(chunk_) * channels_, 0.0f);
            pending_.assign((maxFrames + static_cast<std::size_t>(converter_->maxOutputFrames())) * channels_, 0.0f);
        } else if (deviceChannels_ != channels_) {
            rendered_.assign(maxFrames * static_cast<std::size_t>(channels_), 0.0f);
        }
    }

    ~PlaybackStream() override { stop(); }

private:
    void prepareStart() override
    {
        pendingFrames_ = 0;
        if (converter_)
            converter_->reset();
    }

    void lost(const QString& reason) noexcept override { source_->deviceLost(reason); }

    static int callback(const void*, void* output, unsigned long frameCount, const PaStreamCallbackTimeInfo*,
                        PaStreamCallbackFlags, void* user)
    {
        DeviceCallbackScope scope;
        static_cast<PlaybackStream*>(user)->process(static_cast<float*>(output), static_cast<int>(frameCount));
        return paContinue;
    }

    void process(float* out, int frames) noexcept
    {
        noteCallback();
        if (!out || frames <= 0)
            return;
        if (!converter_ && rendered_.empty()) {
            source_->render(out, frames);
            return;
        }
        while (frames > 0) {
            const int n = std::min(frames, deviceFrames_ * 2);
            fill(out, n);
            out += static_cast<std::size_t>(n) * deviceChannels_;
            frames -= n;
        }
    }

    void fill(float* out, int frames) noexcept
    {
        if (!converter_) {
            source_->render(rendered_.data(), frames);
            mapChannels(rendered_.data(), channels_, out, deviceChannels_, frames);
            return;
        }
        const int capacity = static_cast<int>(pending_.size() / static_cast<std::size_t>(channels_));
        while (pendingFrames_ < frames) {
            source_->render(rendered_.data(), chunk_);
            float* dst = pending_.data() + static_cast<std::size_t>(pendingFrames_) * channels_;
            const int got = converter_->convert(rendered_.data(), chunk_, dst, capacity - pendingFrames_);
            if (got < 0)
                break;
            pendingFrames_ += got;
        }
        const int n = std::min(frames, pendingFrames_);
        mapChannels(pending_.data(), channels_, out, deviceChannels_, n);
        if (n < frames)
            std::memset(out + static_cast<std::size_t>(n) * deviceChannels_, 0,
                        static_cast<std::size_t>(frames - n) * deviceChannels_ * sizeof(float));
        pendingFrames_ -= n;
        if (pendingFrames_ > 0)
            std::memmove(pending_.data(), pending_.data() + static_cast<std::size_t>(n) * channels_,
                         static_cast<std::size_t>(pendingFrames_) * channels_ * sizeof(float));
    }

    PlaybackSource* source_;
    int chunk_ = 0;
    std::unique_ptr<SampleRateConverter> converter_;
    std::vector<float> rendered_;
    std::vector<float> pending_;
    int pendingFrames_ = 0;
};

// ---------------------------------------------------------------------------------------------
class PortAudioBackend final : public AudioBackend {
public:
    PortAudioBackend(std::shared_ptr<PortAudioLibrary> library, const PortAudioOptions& options)
        : library_(std::move(library)), options_(options)
    {
        const PaHostApiIndex api = Pa_HostApiTypeIdToHostApiIndex(paALSA);
        if (api < 0)
            return;
        const PaHostApiInfo* info = Pa_GetHostApiInfo(api);
        if (!info)
            return;
        for (int k = 0; k < info->deviceCount; ++k) {
            const PaDeviceIndex index = Pa_HostApiDeviceIndexToDeviceIndex(api, k);
            const PaDeviceInfo* dev = index >= 0 ? Pa_GetDeviceInfo(index) : nullptr;
            if (!dev)
                continue;
            DeviceEntry e;
            e.index = index;
            e.name = QString::fromUtf8(dev->name);
            e.defaultRate = dev->defaultSampleRate;
            if (dev->maxInputChannels > 0) {
                e.maxChannels = dev->maxInputChannels;
                inputs_.push_back(e);
            }
            if (dev->maxOutputChannels > 0) {
                e.maxChannels = dev->maxOutputChannels;
                outputs_.push_back(e);
            }
        }
        defaultInput_ = pickDefault(inputs_, info->defaultInputDevice);
        defaultOutput_ = pickDefault(outputs_, info->defaultOutputDevice);
    }

    bool empty() const { return inputs_.empty() && outputs_.empty(); }

    QString name() const override { return QStringLiteral("PortAudio (ALSA)"); }

    QList<AudioDeviceInfo> inputDevices() override { return infos(inputs_); }
    QList<AudioDeviceInfo> outputDevices() override { return infos(outputs_); }
    int defaultInputDevice() override { return defaultInput_; }
    int defaultOutputDevice() override { return defaultOutput_; }

    std::unique_ptr<AudioStream> openCapture(int device, int sampleRate, int channels, CaptureSink* sink) override
    {
        const DeviceEntry& d = entry(inputs_, device, true);
        checkFormat(sampleRate, channels);
        if (!sink)
            throw EngineError(QStringLiteral("A capture stream needs a receiver"));
        return std::make_unique<CaptureStream>(library_, d, sampleRate, channels, sink, options_);
    }

    std::unique_ptr<AudioStream> openPlayback(int device, int sampleRate, int channels, PlaybackSource* source) override
    {
        const DeviceEntry& d = entry(outputs_, device, false);
        checkFormat(sampleRate, channels);
        if (!source)
            throw EngineError(QStringLiteral("A playback stream needs a source"));
        return std::make_unique<PlaybackStream>(library_, d, sampleRate, channels, source, options_);
    }

    std::unique_ptr<AudioMixer> openMixer(int device, bool input) override
    {
        const auto& list = input ? inputs_ : outputs_;
        if (device < 0 || device >= static_cast<int>(list.size()))
            return std::make_unique<EmptyMixer>();
        return AlsaMixer::forDevice(list[static_cast<std::size_t>(device)].name, input);
    }

private:
    static QList<AudioDeviceInfo> infos(const std::vector<DeviceEntry>& list)
    {
        QList<AudioDeviceInfo> out;
        for (const DeviceEntry& e : list)
            out.append({e.name, true});   // listed by PortAudio = it could open it
        return out;
    }

    static int pickDefault(const std::vector<DeviceEntry>& list, PaDeviceIndex paDefault)
    {
        if (list.empty())
            return -1;
        for (std::size_t i = 0; i < list.size(); ++i)
            if (list[i].index == paDefault)
                return static_cast<int>(i);
        for (const char* wanted : {"default", "pulse"})
            for (std::size_t i = 0; i < list.size(); ++i)
                if (list[i].name == QLatin1String(wanted))
                    return static_cast<int>(i);
        return 0;
    }

    static const DeviceEntry& entry(const std::vector<DeviceEntry>& list, int device, bool input)
    {
        if (device < 0 || device >= static_cast<int>(list.size()))
            throw EngineError(QStringLiteral("There is no %1 device number %2")
                                  .arg(input ? QStringLiteral("input") : QStringLiteral("output"))
                                  .arg(device));
        return list[static_cast<std::size_t>(device)];
    }

    static void checkFormat(int sampleRate, int channels)
    {
        if (sampleRate < 1000 || sampleRate > 384000)
            throw EngineError(QStringLiteral("The sample rate %1 Hz is not supported").arg(sampleRate));
        if (channels < 1 || channels > 8)
            throw EngineError(QStringLiteral("%1 channels are not supported").arg(channels));
    }

    std::shared_ptr<PortAudioLibrary> library_;
    PortAudioOptions options_;
    std::vector<DeviceEntry> inputs_;
    std::vector<DeviceEntry> outputs_;
    int defaultInput_ = -1;
    int defaultOutput_ = -1;
};

} // namespace

std::unique_ptr<AudioBackend> createPortAudioBackend(const PortAudioOptions& options)
{
    auto library = std::make_shared<PortAudioLibrary>();
    if (library->error() != paNoError)
        return nullptr;
    auto backend = std::make_unique<PortAudioBackend>(std::move(library), options);
    if (backend->empty())
        return nullptr;
    return backend;
}

std::unique_ptr<AudioBackend> createPortAudioBackend() { return createPortAudioBackend(PortAudioOptions{}); }

double portAudioInitialiseSeconds() { return g_initialiseSeconds.load(); }
