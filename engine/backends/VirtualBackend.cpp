#include "engine/backends/VirtualBackend.h"

#include "engine/DeviceCallback.h"
#include "engine/EngineError.h"
#include "engine/backends/DeviceWatchers.h"

#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace {

constexpr qint64 NsPerSecond = 1000000000;
constexpr qint64 MaxClockStepNs = 100 * 1000000;   // streams are served at least every 100 ms
constexpr int MaxChannels = 8;

// Frames due after `elapsedNs` at `rate` (floor), without overflow.
qint64 framesAt(qint64 elapsedNs, int rate)
{
    if (elapsedNs <= 0)
        return 0;
    return static_cast<qint64>(static_cast<__int128>(elapsedNs) * rate / NsPerSecond);
}

// The first moment (ns after the start) at which `frames` frames are due at `rate`.
qint64 nsForFrames(qint64 frames, int rate)
{
    const __int128 num = static_cast<__int128>(frames) * NsPerSecond;
    return static_cast<qint64>((num + rate - 1) / rate);
}

} // namespace

struct VirtualBackend::State {
    // Devices, mixers, faults.
    mutable std::mutex m;
    QList<AudioDeviceInfo> inputs{AudioDeviceInfo{QStringLiteral("Virtual input"), true}};
    QList<AudioDeviceInfo> outputs{AudioDeviceInfo{QStringLiteral("Virtual output"), true}};
    int defaultInput = 0;
    int defaultOutput = 0;
    int defaultLineCount[2] = {3, 3};   // [output, input]
    std::map<int, QList<MixerLine>> lines[2];
    bool refuseNext = false;
    QString refuseReason;
    DeviceWatchers watchers;   // told when the device lists are changed

    QList<MixerLine>& linesFor(bool input, int device)
    {
        auto& map = lines[input ? 1 : 0];
        auto it = map.find(device);
        if (it == map.end())
            it = map.emplace(device, defaultMixerLines(input, defaultLineCount[input ? 1 : 0])).first;
        return it->second;
    }

    // The input signal.
    mutable std::mutex signalMutex;
    Signal signal[MaxChannels];
    Generator generator;
    BlockGenerator blockGenerator;
    qint64 signalPosition = 0;
    struct DeviceSignal {
        BlockGenerator generator;
        qint64 position = 0;
        double clockRatio = 1.0;
    };
    std::map<int, DeviceSignal> deviceSignals;

    // The output.
    mutable std::mutex outputMutex;
    bool keepOutput = true;
    std::vector<float> output;
    int outputChannels = 0;
    qint64 outputFrames = 0;
    qint64 renderedFrames = 0;

    // Streams and the clock.
    mutable std::mutex streamMutex;
    std::vector<Stream*> streams;           // every open stream
    std::vector<Stream*> manualRunning;     // started streams, Manual mode, in start order
    std::vector<Client*> clients;
    std::atomic<qint64> now{0};
    std::atomic<int> periodMs{20};
};

// ------------------------------------------------------------------------------------------
// Streams
// ------------------------------------------------------------------------------------------

class VirtualBackend::Stream : public AudioStream {
public:
    Stream(std::shared_ptr<State> state, ClockMode mode, bool input, int device, int rate, int channels,
           CaptureSink* sink, PlaybackSource* source)
        : s_(std::move(state)), mode_(mode), input_(input), device_(device), rate_(rate), channels_(channels),
          sink_(sink), source_(source)
    {
        if (input_) {
            std::lock_guard lock(s_->signalMutex);
            const auto it = s_->deviceSignals.find(device_);
            if (it != s_->deviceSignals.end())
                clockRatio_ = it->second.clockRatio;
        }
        periodFrames_ = std::max(1, static_cast<int>(static_cast<qint64>(rate_) * s_->periodMs.load() / 1000));
        buffer_.assign(static_cast<std::size_t>(periodFrames_) * static_cast<std::size_t>(channels_), 0.0f);
        std::lock_guard lock(s_->streamMutex);
        s_->streams.push_back(this);
    }

    ~Stream() override
    {
        stop();
        std::lock_guard lock(s_->streamMutex);
        s_->streams.erase(std::remove(s_->streams.begin(), s_->streams.end(), this), s_->streams.end());
    }

    void start() override
    {
        if (lost_.load())
            throw EngineError(QStringLiteral("The virtual device is gone: %1").arg(lostReason_));
        if (running_)
            return;
        running_ = true;
        if (mode_ == ClockMode::Manual) {
            std::lock_guard lock(s_->streamMutex);
            startNs_ = s_->now.load();
            position_ = 0;
            s_->manualRunning.push_back(this);
            return;
        }
        stopFlag_ = false;
        thread_ = std::thread([this] { run(); });
    }

    void stop() override
    {
        if (!running_)
            return;
        running_ = false;
        if (mode_ == ClockMode::Manual) {
            std::lock_guard lock(s_->streamMutex);
            auto& v = s_->manualRunning;
            v.erase(std::remove(v.begin(), v.end(), this), v.end());
            return;
        }
        {
            std::lock_guard lock(wakeMutex_);
            stopFlag_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }

    bool isInput() const { return input_; }
    int device() const { return device_; }
    bool isLost() const { return lost_.load(); }
    qint64 startNs() const { return startNs_; }
    qint64 position() const { return position_; }

    // Manual mode: deliver every frame due up to `t`.
    void serveUntil(qint64 t)
    {
        qint64 due = dueAt(t - startNs_) - position_;
        while (due > 0 && !lost_.load()) {
            const int n = static_cast<int>(std::min<qint64>(due, periodFrames_));
            deliver(n);
            position_ += n;
            due -= n;
        }
    }

    void addOverflow(int frames) { pendingOverflow_.fetch_add(std::max(frames, 0)); overflowPending_ = true; }

    // Marks the stream dead; the caller reports deviceLost outside any lock.
    void markLost(const QString& reason)
    {
        lostReason_ = reason;
        lost_.store(true);
    }
    void reportLost(const QString& reason)
    {
        if (sink_)
            sink_->deviceLost(reason);
        if (source_)
            source_->deviceLost(reason);
    }

private:
    // Frames due `elapsedNs` after the start, on this device's clock.
    qint64 dueAt(qint64 elapsedNs) const
    {
        if (clockRatio_ == 1.0)
            return framesAt(elapsedNs, rate_);
        if (elapsedNs <= 0)
            return 0;
        return static_cast<qint64>(std::floor(static_cast<long double>(elapsedNs) * rate_ * clockRatio_ / NsPerSecond));
    }

    void deliver(int n)
    {
        const std::size_t count = static_cast<std::size_t>(n) * static_cast<std::size_t>(channels_);
        if (input_) {
            if (overflowPending_.exchange(false)) {
                const int lostFrames = pendingOverflow_.exchange(0);
                {
                    std::lock_guard lock(s_->signalMutex);
                    s_->signalPosition += lostFrames;
                }
                DeviceCallbackScope scope;
                sink_->overflowed(lostFrames);
            }
            generate(n);
            DeviceCallbackScope scope;
            sink_->captured(buffer_.data(), n);
            return;
        }
        std::fill(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(count), 0.0f);
        int rendered = 0;
        {
            DeviceCallbackScope scope;
            rendered = source_->render(buffer_.data(), n);
        }
        const int real = std::clamp(rendered, 0, n);
        lastRendered_ = real;
        std::lock_guard lock(s_->outputMutex);
        s_->renderedFrames += n;
        s_->outputFrames += real;
        if (s_->keepOutput && real > 0) {
            if (s_->outputChannels != channels_) {
                s_->output.clear();
                s_->outputChannels = channels_;
            }
            s_->output.insert(s_->output.end(), buffer_.begin(),
                              buffer_.begin() + static_cast<std::ptrdiff_t>(real) * channels_);
        }
    }

    void generate(int n)
    {
        std::lock_guard lock(s_->signalMutex);
        float* out = buffer_.data();
        const auto own = s_->deviceSignals.find(device_);
        if (own != s_->deviceSignals.end() && own->second.generator) {
            own->second.generator(own->second.position, n, channels_, out);
            own->second.position += n;
            return;
        }
        const qint64 first = s_->signalPosition;
        s_->signalPosition += n;
        if (s_->blockGenerator) {
            s_->blockGenerator(first, n, channels_, out);
            return;
        }
        if (s_->generator) {
            for (int f = 0; f < n; ++f)
                for (int c = 0; c < channels_; ++c)
                    *out++ = s_->generator(first + f, c);
            return;
        }
        for (int f = 0; f < n; ++f) {
            const qint64 frame = first + f;
            for (int c = 0; c < channels_; ++c) {
                const Signal& sig = s_->signal[std::min(c, MaxChannels - 1)];
                float v = 0.0f;
                if (sig.kind == Signal::Sine) {
                    const double cycles = std::fmod(sig.frequency * static_cast<double>(frame) / rate_, 1.0);
                    v = static_cast<float>(sig.level * std::sin(2.0 * M_PI * cycles));
                } else if (sig.kind == Signal::Counter) {
                    v = counterValue(frame, c);
                }
                *out++ = v;
            }
        }
    }

    void run()
    {
        using clock = std::chrono::steady_clock;
        const auto t0 = clock::now();
        qint64 pos = 0;
        auto* flow = dynamic_cast<CaptureFlowControl*>(sink_);
        const auto period = std::chrono::milliseconds(std::max(1, s_->periodMs.load()));
        while (true) {
            {
                std::lock_guard lock(wakeMutex_);
                if (stopFlag_)
                    return;
            }
            if (lost_.load())
                return;
            if (mode_ == ClockMode::FreeRunning) {
                int n = periodFrames_;
                if (input_ && flow)
                    n = std::min(n, flow->writableFrames());
                if (n <= 0) {
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
                    continue;
                }
                deliver(n);
                if (!input_ && lastRendered_ == 0)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            const qint64 elapsed = std::chrono::duration_cast<std::chrono::nanoseconds>(clock::now() - t0).count();
            qint64 due = dueAt(elapsed) - pos;
            while (due > 0 && !lost_.load()) {
                const int n = static_cast<int>(std::min<qint64>(due, periodFrames_));
                deliver(n);
                pos += n;
                due -= n;
            }
            std::unique_lock lock(wakeMutex_);
            wake_.wait_for(lock, period, [this] { return stopFlag_; });
        }
    }

    std::shared_ptr<State> s_;
    ClockMode mode_;
    bool input_;
    int device_;
    double clockRatio_ = 1.0;
    int rate_;
    int channels_;
    CaptureSink* sink_;
    PlaybackSource* source_;
    int periodFrames_ = 1;
    std::vector<float> buffer_;
    bool running_ = false;
    std::atomic<bool> lost_{false};
    QString lostReason_;
    std::atomic<int> pendingOverflow_{0};
    std::atomic<bool> overflowPending_{false};
    int lastRendered_ = 0;
    qint64 startNs_ = 0;
    qint64 position_ = 0;
    std::thread thread_;
    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool stopFlag_ = false;
};

// ------------------------------------------------------------------------------------------
// Mixer
// ------------------------------------------------------------------------------------------

namespace {

class VirtualMixer : public AudioMixer {
public:
    VirtualMixer(std::shared_ptr<VirtualBackend::State> state, bool input, int device)
        : s_(std::move(state)), input_(input), device_(device) {}

private:
    QList<VirtualBackend::MixerLine>& checked(int line) const
    {
        auto& lines = s_->linesFor(input_, device_);
        if (line < 0 || line >= lines.size())
            throw EngineError(QStringLiteral("Mixer line %1 does not exist").arg(line));
        return lines;
    }
    QPair<QString, QVariant>& checkedAdvanced(int line, int index) const
    {
        auto& l = checked(line)[line];
        if (index < 0 || index >= l.advanced.size())
            throw EngineError(QStringLiteral("Mixer line %1 has no control %2").arg(line).arg(index));
        return l.advanced[index];
    }
    template <typename F>
    auto read(int line, F f) const
    {
        std::lock_guard lock(s_->m);
        return f(checked(line)[line]);
    }
    template <typename F>
    void write(int line, F f)
    {
        std::lock_guard lock(s_->m);
        f(checked(line)[line]);
    }


public:

    int lineCount() const override
    {
        std::lock_guard lock(s_->m);
        return static_cast<int>(s_->linesFor(input_, device_).size());
    }
    QString lineName(int line) const override { return read(line, [](auto& l) { return l.name; }); }
    bool volumeEnabled(int line) const override { return read(line, [](auto& l) { return l.volumeEnabled; }); }
    int volume(int line) const override { return read(line, [](auto& l) { return l.volume; }); }
    void setVolume(int line, int value) override
    {
        write(line, [&](auto& l) { l.volume = std::clamp(value, 0, 65535); });
    }
    bool balanceEnabled(int line) const override { return read(line, [](auto& l) { return l.balanceEnabled; }); }
    int balance(int line) const override { return read(line, [](auto& l) { return l.balance; }); }
    void setBalance(int line, int value) override
    {
        write(line, [&](auto& l) { l.balance = std::clamp(value, 0, 100); });
    }
    bool switchEnabled(int line) const override { return read(line, [](auto& l) { return l.switchEnabled; }); }
    bool switchValue(int line) const override { return read(line, [](auto& l) { return l.switchValue; }); }
    void setSwitchValue(int line, bool on) override
    {
        std::lock_guard lock(s_->m);
        auto& lines = checked(line);
        lines[line].switchValue = on;
        // An input source selector: choosing one line unselects the others.
        if (input_ && on)
            for (int i = 0; i < lines.size(); ++i)
                if (i != line)
                    lines[i].switchValue = false;
    }
    int advancedCount(int line) const override
    {
        return read(line, [](auto& l) { return static_cast<int>(l.advanced.size()); });
    }
    QString advancedName(int line, int index) const override
    {
        std::lock_guard lock(s_->m);
        return checkedAdvanced(line, index).first;
    }
    QVariant advancedValue(int line, int index) const override
    {
        std::lock_guard lock(s_->m);
        return checkedAdvanced(line, index).second;
    }
    void setAdvancedValue(int line, int index, const QVariant& value) override
    {
        std::lock_guard lock(s_->m);
        auto& control = checkedAdvanced(line, index);
        if (control.second.typeId() == QMetaType::Bool)
            control.second = QVariant(value.toBool());
        else
            control.second = QVariant(std::clamp(value.toInt(), 0, 65535));
    }

private:
    std::shared_ptr<VirtualBackend::State> s_;
    bool input_;
    int device_;
};

} // namespace

// ------------------------------------------------------------------------------------------
// VirtualBackend
// ------------------------------------------------------------------------------------------

VirtualBackend::VirtualBackend(ClockMode mode) : mode_(mode), s_(std::make_shared<State>())
{
    for (auto& sig : s_->signal)
        sig = Signal{Signal::Sine, 1000.0, 0.5};
    s_->keepOutput = (mode == ClockMode::Manual);
}

VirtualBackend::~VirtualBackend() = default;

void VirtualBackend::setInputDevices(const QList<AudioDeviceInfo>& devices, int defaultIndex)
{
    {
        std::lock_guard lock(s_->m);
        s_->inputs = devices;
        s_->defaultInput = defaultIndex;
    }
    s_->watchers.notify(DeviceListsChanged);
}

void VirtualBackend::setOutputDevices(const QList<AudioDeviceInfo>& devices, int defaultIndex)
{
    {
        std::lock_guard lock(s_->m);
        s_->outputs = devices;
        s_->defaultOutput = defaultIndex;
    }
    s_->watchers.notify(DeviceListsChanged);
}

void VirtualBackend::setDeviceAvailable(bool input, int device, bool available)
{
    {
        std::lock_guard lock(s_->m);
        auto& list = input ? s_->inputs : s_->outputs;
        if (device >= 0 && device < list.size())
            list[device].available = available;
    }
    s_->watchers.notify(DeviceListsChanged);
}

std::shared_ptr<void> VirtualBackend::watchDevices(std::function<void(int)> notify)
{
    return s_->watchers.add(std::move(notify));
}

void VirtualBackend::setMixerLineCount(bool input, int count)
{
    std::lock_guard lock(s_->m);
    s_->defaultLineCount[input ? 1 : 0] = std::max(0, count);
    s_->lines[input ? 1 : 0].clear();
}

void VirtualBackend::setMixerLines(bool input, int device, const QList<MixerLine>& lines)
{
    std::lock_guard lock(s_->m);
    s_->lines[input ? 1 : 0][device] = lines;
}

QList<VirtualBackend::MixerLine> VirtualBackend::mixerLines(bool input, int device) const
{
    std::lock_guard lock(s_->m);
    return s_->linesFor(input, device);
}

QList<VirtualBackend::MixerLine> VirtualBackend::defaultMixerLines(bool input, int count)
{
    static const char* const inputNames[] = {"Microphone", "Line In", "CD Audio", "Aux"};
    static const char* const outputNames[] = {"Master", "Wave", "Line In", "CD Audio"};
    QList<MixerLine> lines;
    for (int i = 0; i < count; ++i) {
        MixerLine l;
        l.name = i < 4 ? QString::fromLatin1(input ? inputNames[i] : outputNames[i])
                       : QStringLiteral("Line %1").arg(i + 1);
        l.switchValue = input && i == 0;
        if (input)
            l.advanced = {{QStringLiteral("Boost"), QVariant(false)}, {QStringLiteral("Gain"), QVariant(32768)}};
        else
            l.advanced = {{QStringLiteral("Loudness"), QVariant(false)}, {QStringLiteral("Bass"), QVariant(32768)}};
        lines.append(l);
    }
    return lines;
}

void VirtualBackend::setInputSine(double frequency, double level)
{
    std::lock_guard lock(s_->signalMutex);
    for (auto& sig : s_->signal)
        sig = Signal{Signal::Sine, frequency, level};
    s_->generator = nullptr;
    s_->blockGenerator = nullptr;
}

void VirtualBackend::setInputSignal(int channel, const Signal& signal)
{
    std::lock_guard lock(s_->signalMutex);
    if (channel >= 0 && channel < MaxChannels)
        s_->signal[channel] = signal;
    s_->generator = nullptr;
    s_->blockGenerator = nullptr;
}

void VirtualBackend::setInputCounter()
{
    std::lock_guard lock(s_->signalMutex);
    for (auto& sig : s_->signal)
        sig.kind = Signal::Counter;
    s_->generator = nullptr;
    s_->blockGenerator = nullptr;
}

void VirtualBackend::setInputSilence()
{
    std::lock_guard lock(s_->signalMutex);
    for (auto& sig : s_->signal)
        sig.kind = Signal::Silence;
    s_->generator = nullptr;
    s_->blockGenerator = nullptr;
}

void VirtualBackend::setInputGenerator(Generator generator)
{
    std::lock_guard lock(s_->signalMutex);
    s_->generator = std::move(generator);
    s_->blockGenerator = nullptr;
}

void VirtualBackend::setInputBlockGenerator(BlockGenerator generator)
{
    std::lock_guard lock(s_->signalMutex);
    s_->blockGenerator = std::move(generator);
    s_->generator = nullptr;
}

void VirtualBackend::setInputDeviceGenerator(int device, BlockGenerator generator)
{
    std::lock_guard lock(s_->signalMutex);
    auto& own = s_->deviceSignals[device];
    own.generator = std::move(generator);
    own.position = 0;
}

void VirtualBackend::setInputClockRatio(int device, double ratio)
{
    std::lock_guard lock(s_->signalMutex);
    s_->deviceSignals[device].clockRatio = ratio > 0 ? ratio : 1.0;
}

qint64 VirtualBackend::inputPosition() const
{
    std::lock_guard lock(s_->signalMutex);
    return s_->signalPosition;
}

float VirtualBackend::counterValue(qint64 frame, int channel)
{
    const float v = static_cast<float>(frame & 0xFFFFFF) * (1.0f / 16777216.0f);
    if (channel == 0)
        return v;
    return (channel % 2 == 1) ? -v : 0.5f * v;
}

qint64 VirtualBackend::counterFrame(float channel0Value)
{
    return std::llround(static_cast<double>(channel0Value) * 16777216.0);
}

void VirtualBackend::setKeepOutput(bool keep)
{
    std::lock_guard lock(s_->outputMutex);
    s_->keepOutput = keep;
    if (!keep)
        std::vector<float>().swap(s_->output);
}

std::vector<float> VirtualBackend::output() const
{
    std::lock_guard lock(s_->outputMutex);
    return s_->output;
}

int VirtualBackend::outputChannels() const
{
    std::lock_guard lock(s_->outputMutex);
    return s_->outputChannels;
}

qint64 VirtualBackend::outputFrames() const
{
    std::lock_guard lock(s_->outputMutex);
    return s_->outputFrames;
}

qint64 VirtualBackend::renderedFrames() const
{
    std::lock_guard lock(s_->outputMutex);
    return s_->renderedFrames;
}

void VirtualBackend::clearOutput()
{
    std::lock_guard lock(s_->outputMutex);
    s_->output.clear();
    s_->outputFrames = 0;
    s_->renderedFrames = 0;
}

int VirtualBackend::periodMs() const { return s_->periodMs.load(); }
void VirtualBackend::setPeriodMs(int ms) { s_->periodMs.store(std::clamp(ms, 1, 1000)); }

qint64 VirtualBackend::nowNs() const { return s_->now.load(); }

void VirtualBackend::advance(int ms) { advanceNs(static_cast<qint64>(ms) * 1000000); }

void VirtualBackend::advanceNs(qint64 ns)
{
    if (mode_ != ClockMode::Manual || ns <= 0)
        return;
    const qint64 target = s_->now.load() + ns;
    while (s_->now.load() < target) {
        const qint64 now = s_->now.load();
        std::vector<Client*> clients;
        std::vector<Stream*> streams;
        {
            std::lock_guard lock(s_->streamMutex);
            clients = s_->clients;
            streams = s_->manualRunning;
        }
        qint64 step = std::min(target, now + MaxClockStepNs);
        for (Client* c : clients) {
            const qint64 d = c->nextDeadlineNs();
            if (d > now && d < step)
                step = d;
        }
        for (Stream* st : streams) {
            {
                std::lock_guard lock(s_->streamMutex);
                if (std::find(s_->manualRunning.begin(), s_->manualRunning.end(), st) == s_->manualRunning.end())
                    continue;
            }
            st->serveUntil(step);
        }
        s_->now.store(step);
        for (Client* c : clients) {
            {
                std::lock_guard lock(s_->streamMutex);
                if (std::find(s_->clients.begin(), s_->clients.end(), c) == s_->clients.end())
                    continue;
            }
            c->clockAdvanced(step);
        }
    }
}

void VirtualBackend::advanceFrames(qint64 frames)
{
    if (mode_ != ClockMode::Manual || frames <= 0)
        return;
    qint64 target = -1;
    {
        std::lock_guard lock(s_->streamMutex);
        if (!s_->manualRunning.empty()) {
            const Stream* st = s_->manualRunning.front();
            target = st->startNs() + nsForFrames(st->position() + frames, st->sampleRate());
        }
    }
    if (target < 0)
        target = s_->now.load() + nsForFrames(frames, 48000);
    advanceNs(target - s_->now.load());
}

void VirtualBackend::advanceAndProcess(int ms, int stepMs)
{
    stepMs = std::max(1, stepMs);
    for (int done = 0; done < ms; done += stepMs) {
        advance(std::min(stepMs, ms - done));
        QCoreApplication::processEvents();
    }
}

void VirtualBackend::refuseNextOpen(const QString& reason)
{
    std::lock_guard lock(s_->m);
    s_->refuseNext = true;
    s_->refuseReason = reason;
}

void VirtualBackend::loseDevice(bool input, const QString& reason)
{
    loseStreams(input, -1, reason);
}

void VirtualBackend::loseInputDevice(int device, const QString& reason)
{
    loseStreams(true, device, reason);
}

void VirtualBackend::loseStreams(bool input, int device, const QString& reason)
{
    std::vector<Stream*> hit;
    {
        std::lock_guard lock(s_->streamMutex);
        for (Stream* st : s_->streams)
            if (st->isInput() == input && (device < 0 || st->device() == device) && !st->isLost()) {
                st->markLost(reason);
                hit.push_back(st);
            }
        auto& v = s_->manualRunning;
        v.erase(std::remove_if(v.begin(), v.end(), [](Stream* st) { return st->isLost(); }), v.end());
    }
    for (Stream* st : hit)
        st->reportLost(reason);
}

void VirtualBackend::injectOverflow(int frames)
{
    std::lock_guard lock(s_->streamMutex);
    for (Stream* st : s_->streams)
        if (st->isInput())
            st->addOverflow(frames);
}

int VirtualBackend::openStreamCount() const
{
    std::lock_guard lock(s_->streamMutex);
    return static_cast<int>(s_->streams.size());
}

QString VirtualBackend::name() const { return QStringLiteral("Virtual"); }

QList<AudioDeviceInfo> VirtualBackend::inputDevices()
{
    std::lock_guard lock(s_->m);
    return s_->inputs;
}

QList<AudioDeviceInfo> VirtualBackend::outputDevices()
{
    std::lock_guard lock(s_->m);
    return s_->outputs;
}

int VirtualBackend::defaultInputDevice()
{
    std::lock_guard lock(s_->m);
    return s_->defaultInput;
}

int VirtualBackend::defaultOutputDevice()
{
    std::lock_guard lock(s_->m);
    return s_->defaultOutput;
}

namespace {
void checkOpen(VirtualBackend::State& s, bool input, int device, int sampleRate, int channels);
}

std::unique_ptr<AudioStream> VirtualBackend::openCapture(int device, int sampleRate, int channels,
                                                         CaptureSink* sink)
{
    if (!sink)
        throw EngineError(QStringLiteral("No capture sink was given"));
    checkOpen(*s_, true, device, sampleRate, channels);
    return std::make_unique<Stream>(s_, mode_, true, device, sampleRate, channels, sink, nullptr);
}

std::unique_ptr<AudioStream> VirtualBackend::openPlayback(int device, int sampleRate, int channels,
                                                          PlaybackSource* source)
{
    if (!source)
        throw EngineError(QStringLiteral("No playback source was given"));
    checkOpen(*s_, false, device, sampleRate, channels);
    return std::make_unique<Stream>(s_, mode_, false, device, sampleRate, channels, nullptr, source);
}

std::unique_ptr<AudioMixer> VirtualBackend::openMixer(int device, bool input)
{
    return std::make_unique<VirtualMixer>(s_, input, device);
}

void VirtualBackend::addClockClient(Client* client)
{
    std::lock_guard lock(s_->streamMutex);
    if (std::find(s_->clients.begin(), s_->clients.end(), client) == s_->clients.end())
        s_->clients.push_back(client);
}

void VirtualBackend::removeClockClient(Client* client)
{
    std::lock_guard lock(s_->streamMutex);
    s_->clients.erase(std::remove(s_->clients.begin(), s_->clients.end(), client), s_->clients.end());
}

namespace {
void checkOpen(VirtualBackend::State& s, bool input, int device, int sampleRate, int channels)
{
    std::lock_guard lock(s.m);
    if (s.refuseNext) {
        s.refuseNext = false;
        throw EngineError(s.refuseReason);
    }
    const auto& list = input ? s.inputs : s.outputs;
    const char* side = input ? "input" : "output";
    if (device < 0 || device >= list.size())
        throw EngineError(QStringLiteral("There is no %1 device number %2").arg(QLatin1String(side)).arg(device));
    if (!list[device].available)
        throw EngineError(QStringLiteral("The %1 device \"%2\" is not available")
                              .arg(QLatin1String(side), list[device].name));
    if (sampleRate < 1000 || sampleRate > 768000)
        throw EngineError(QStringLiteral("Unsupported sample rate %1 Hz").arg(sampleRate));
    if (channels < 1 || channels > MaxChannels)
        throw EngineError(QStringLiteral("Unsupported channel count %1").arg(channels));
}
} // namespace
