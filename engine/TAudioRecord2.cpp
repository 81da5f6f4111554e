// The recorder. Audio moves in three stages:
//  1. the device thread (CaptureSink::captured) copies frames into a lock-free ring, nothing
//     else: no allocation, no lock, no wait;
//  2. the service side (a thread polling every few milliseconds, or the manual clock of the
//     virtual backend) empties the ring, runs the record filter, feeds the meter and the
//     history, cuts blocks of exactly ArraySize frames into an unbounded FIFO and posts a
//     notification to the owning thread;
//  3. the owning (UI) thread emits OnEndArrayRecord for every block waiting, and GetArray
//     hands the blocks over in order.
// The FIFO has no bound, so a UI thread that stalls for seconds loses nothing; only a service
// side stalled longer than the ring (two seconds) would, and that is counted as an overflow.
#include "engine/TAudioRecord2.h"

#include "engine/EngineClock.h"
#include "engine/EngineError.h"
#include "engine/EngineSupport.h"
#include "engine/SpscRing.h"
#include "engine/dsp/RecordFilter.h"

#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <deque>
#include <mutex>

using namespace engine;

namespace {
constexpr int RingSeconds = 2;
constexpr int WorkFrames = 4096;
constexpr int HistoryMinFrames = 65536;
constexpr int ReserveMaxFrames = 1 << 20;
} // namespace

struct TAudioRecord2::Impl final : public CaptureSink, public CaptureFlowControl, public ManualClock::Client,
                                    public engine::TickSchedule<TAudioRecord2::Impl> {
    explicit Impl(TAudioRecord2* owner, AudioBackend* given)
        : q(owner), backendArg(given),
          mixer([this](int device) { return be().openMixer(device, true); })
    {
        timer = new QTimer(q);
        QObject::connect(timer, &QTimer::timeout, q, [this] { realTimeTick(); });
        filter.setNotch(notch, notchHz);
        filter.setHighPass(highPass, highPassHz);
        filter.setLowPass(lowPass, lowPassHz);
    }

    TAudioRecord2* q;
    AudioBackend* backendArg;
    AudioBackend* backend = nullptr;

    AudioBackend& be()
    {
        if (!backend)
            backend = backendArg ? backendArg : &systemAudioBackend();
        return *backend;
    }

    // Settings (UI thread).
    int deviceIndex = 0;
    bool deviceResolved = false;
    int rate = 44100;
    int channels = 2;
    std::atomic<int> arraySize{8820};
    bool timerEnabled = false;
    int timerInterval = 80;
    int lastError = NoError;
    QString lastErrorText;
    bool notch = false, highPass = false, lowPass = false;
    float notchHz = 50.0f, highPassHz = 400.0f, lowPassHz = 4000.0f;
    RecordFilter filter;
    MixerLines mixer;
    int levelLeft = 0, levelRight = 0;

    int device()
    {
        if (!deviceResolved) {
            deviceIndex = be().defaultInputDevice();
            deviceResolved = true;
        }
        return deviceIndex;
    }
    MixerLines& mix()
    {
        mixer.setDevice(device());
        return mixer;
    }

    // The running stream (UI thread).
    std::unique_ptr<AudioStream> stream;
    bool running = false;
    int generation = 0;
    ManualClock* clock = nullptr;        // while running on a hand-driven clock
    ServiceThread service;
    QTimer* timer = nullptr;
    qint64 nextTickNs = ManualClock::Never;

    // Device thread -> service side.
    SpscRing<float> ring;
    int streamChannels = 2;
    std::atomic<qint64> overflowFrames{0};
    std::atomic<bool> lost{false};
    std::mutex lostMutex;
    QString lostReason;

    // Service side.
    std::mutex serviceMutex;
    std::vector<float> work;
    std::vector<float> partial;
    int partialFrames = 0;
    std::atomic<qint64> capturedFrames{0};
    PeakMeter meter;
    FrameHistory history;
    int historyRate = 0, historyChannels = 0;

    // Finished blocks.
    std::mutex fifoMutex;
    std::deque<SampleArray> fifo;
    qint64 produced = 0;     // blocks cut (under fifoMutex)
    qint64 taken = 0;        // blocks handed over or dropped (under fifoMutex)
    qint64 announced = 0;    // blocks announced by OnEndArrayRecord (UI thread)
    std::atomic<bool> notifyQueued{false};

    // --- device thread ---------------------------------------------------------------------
    void captured(const float* interleaved, int frames) noexcept override
    {
        if (frames <= 0 || !interleaved)
            return;
        const int ch = streamChannels;
        const int room = static_cast<int>(ring.writeAvailable() / static_cast<std::size_t>(ch));
        const int n = std::min(frames, room);
        if (n > 0)
            ring.write(interleaved, static_cast<std::size_t>(n) * static_cast<std::size_t>(ch));
        if (n < frames)
            overflowFrames.fetch_add(frames - n, std::memory_order_relaxed);
    }

    void overflowed(int frames) noexcept override
    {
        // A drop of unknown size still counts, as one frame: it is never hidden.
        overflowFrames.fetch_add(std::max(frames, 1), std::memory_order_relaxed);
    }

    void deviceLost(const QString& reason) noexcept override
    {
        try {
            {
                std::lock_guard lock(lostMutex);
                lostReason = reason;
            }
            lost.store(true);
            postNotify();
        } catch (...) {
        }
    }

    int writableFrames() const noexcept override
    {
        return static_cast<int>(ring.writeAvailable() / static_cast<std::size_t>(streamChannels));
    }

    // --- service side ----------------------------------------------------------------------
    void postNotify()
    {
        if (notifyQueued.exchange(true))
            return;
        QMetaObject::invokeMethod(q, [this] { onNotify(); }, Qt::QueuedConnection);
    }

    // Moves everything the device delivered on: filter, meter, history, blocks.
    void serviceStep()
    {
        std::lock_guard lock(serviceMutex);
        const int ch = streamChannels;
        const qint64 before = producedCount();
        for (;;) {
            const std::size_t n = ring.read(work.data(), work.size());
            if (n == 0)
                break;
            const int frames = static_cast<int>(n / static_cast<std::size_t>(ch));
            filter.process(work.data(), frames);
            meter.feed(work.data(), frames, ch);
            history.append(work.data(), frames);
            capturedFrames.fetch_add(frames, std::memory_order_relaxed);
            appendFrames(work.data(), frames);
        }
        if (producedCount() != before)
            postNotify();
    }

    qint64 producedCount()
    {
        std::lock_guard lock(fifoMutex);
        return produced;
    }

    void appendFrames(const float* data, int frames)
    {
        const int ch = streamChannels;
        while (frames > 0) {
            const int size = std::max(1, arraySize.load());
            const int n = std::min(frames, std::max(0, size - partialFrames));
            partial.insert(partial.end(), data, data + static_cast<std::ptrdiff_t>(n) * ch);
            partialFrames += n;
            data += static_cast<std::ptrdiff_t>(n) * ch;
            frames -= n;
            while (partialFrames >= size && partialFrames > 0)
                cutBlock(size);
        }
    }

    // Moves the first `frames` frames of the partial block into the FIFO as one block.
    void cutBlock(int frames)
    {
        const int ch = streamChannels;
        SampleArray block;
        if (frames >= partialFrames) {
            block = SampleArray(ch, std::move(partial));
            partial = {};
            partialFrames = 0;
        } else {
            const auto end = partial.begin() + static_cast<std::ptrdiff_t>(frames) * ch;
            block = SampleArray(ch, std::vector<float>(partial.begin(), end));
            partial.erase(partial.begin(), end);
            partialFrames -= frames;
        }
        reservePartial();
        std::lock_guard lock(fifoMutex);
        fifo.push_back(std::move(block));
        ++produced;
    }

    // Room for the next block up front (a very large block grows as it fills instead).
    void reservePartial()
    {
        const std::size_t frames = static_cast<std::size_t>(std::clamp(arraySize.load(), 1, ReserveMaxFrames));
        partial.reserve(frames * static_cast<std::size_t>(streamChannels));
    }

    // Everything captured, the partial last block included, into the FIFO. The stream and the
    // service thread have stopped.
    void drain()
    {
        serviceStep();
        std::lock_guard lock(serviceMutex);
        if (partialFrames > 0)
            cutBlock(partialFrames);
    }

    // --- manual clock ----------------------------------------------------------------------
    void clockAdvanced(qint64 nowNs) override
    {
        serviceStep();
        tickIfDue(nowNs);
    }

    qint64 nextDeadlineNs() const override { return nextTickNs; }

    // --- owning thread ---------------------------------------------------------------------
    int tickSamples() const { return static_cast<int>(capturedFrames.load()); }

    void emitTickNow(int samples, int left, int right)
    {
        levelLeft = left;
        levelRight = right;
        emit q->OnTimer(samples, left, right);
    }

    void onNotify()
    {
        notifyQueued.store(false);
        if (running && lost.load()) {
            handleLost();
            return;
        }
        emitWaiting();
    }

    // One OnEndArrayRecord per block that is waiting and not yet announced. Safe against
    // re-entry (a handler that lets events run) and against stale notifications.
    void emitWaiting()
    {
        for (;;) {
            qint64 index;
            {
                std::lock_guard lock(fifoMutex);
                announced = std::max(announced, taken);
                if (announced >= produced)
                    return;
                index = announced++;
            }
            emit q->OnEndArrayRecord(static_cast<int>(index));
        }
    }

    // Stops the device, the service thread, the clock client and the timer; no more audio
    // arrives once this returns.
    void stopStream()
    {
        stopTimer();
        if (clock) {
            clock->removeClockClient(this);
            clock = nullptr;
        }
        if (stream) {
            try {
                stream->stop();
            } catch (...) {
            }
            stream.reset();
        }
        service.stop();
    }

    void handleLost()
    {
        QString reason;
        {
            std::lock_guard lock(lostMutex);
            reason = lostReason;
        }
        stopStream();
        drain();
        running = false;
        ++generation;
        lastError = ErrorLost;
        lastErrorText = reason;
        emitWaiting();
        emit q->OnDeviceError(reason);
    }

    void start()
    {
        lastError = NoError;
        lastErrorText.clear();
        if (running)
            return;
        try {
            AudioBackend& b = be();
            const int dev = device();
            const int ch = channels;

            lost.store(false);
            overflowFrames.store(0);
            capturedFrames.store(0);
            meter.reset();
            {
                std::lock_guard lock(fifoMutex);
                // Blocks announced earlier but never taken belong to the last run.
                taken += static_cast<qint64>(fifo.size());
                fifo.clear();
            }
            {
                std::lock_guard lock(serviceMutex);
                streamChannels = ch;
                ring.reset(static_cast<std::size_t>(rate) * RingSeconds * static_cast<std::size_t>(ch));
                work.assign(static_cast<std::size_t>(WorkFrames) * static_cast<std::size_t>(ch), 0.0f);
                partial.clear();
                reservePartial();
                partialFrames = 0;
                filter.setFormat(rate, ch);
                filter.setNotch(notch, notchHz);
                filter.setHighPass(highPass, highPassHz);
                filter.setLowPass(lowPass, lowPassHz);
                if (historyRate != rate || historyChannels != ch) {
                    history.reset(ch, std::max(HistoryMinFrames, rate));
                    historyRate = rate;
                    historyChannels = ch;
                }
            }

            try {
                stream = b.openCapture(dev, rate, ch, this);
            } catch (const std::exception& e) {
                lastError = ErrorOpen;
                lastErrorText = QString::fromUtf8(e.what());
                return;
            }
            if (!stream) {
                lastError = ErrorOpen;
                lastErrorText = QStringLiteral("The input device could not be opened");
                return;
            }
            auto* mc = dynamic_cast<ManualClock*>(&b);
            if (mc && mc->isManualClock()) {
                clock = mc;
                clock->addClockClient(this);
            } else {
                service.start([this] { serviceStep(); });
            }
            running = true;
            ++generation;
            try {
                stream->start();
            } catch (const std::exception& e) {
                stopStream();
                running = false;
                lastError = ErrorStart;
                lastErrorText = QString::fromUtf8(e.what());
                return;
            }
            startTimer();
        } catch (const std::exception& e) {
            stopStream();
            running = false;
            lastError = ErrorBackend;
            lastErrorText = QString::fromUtf8(e.what());
        }
    }

    void stop()
    {
        if (running) {
            stopStream();
            drain();
            running = false;
            ++generation;
        }
        emitWaiting();
    }
};

TAudioRecord2::TAudioRecord2(QObject* parent, AudioBackend* backend)
    : QObject(parent), d(std::make_unique<Impl>(this, backend))
{
}

TAudioRecord2::~TAudioRecord2()
{
    d->stopStream();
}

// --- devices ------------------------------------------------------------------------------

int TAudioRecord2::DeviceLastIndex() { return static_cast<int>(d->be().inputDevices().size()) - 1; }
int TAudioRecord2::DeviceIndex() { return d->device(); }
void TAudioRecord2::setDeviceIndex(int index)
{
    d->deviceIndex = index;
    d->deviceResolved = true;
}
QString TAudioRecord2::DeviceName()
{
    const auto list = d->be().inputDevices();
    const int i = d->device();
    return i >= 0 && i < list.size() ? list[i].name : QString();
}
bool TAudioRecord2::DeviceAvailable()
{
    const auto list = d->be().inputDevices();
    const int i = d->device();
    return i >= 0 && i < list.size() && list[i].available;
}

// --- format -------------------------------------------------------------------------------

void TAudioRecord2::SetFormat(int SampleRate, int Channels)
{
    checkFormat(SampleRate, Channels);
    d->rate = SampleRate;
    d->channels = Channels;
}
int TAudioRecord2::SampleRate() const { return d->rate; }
int TAudioRecord2::Channels() const { return d->channels; }
int TAudioRecord2::MillisecondsToSamples(int ms) const { return millisecondsToFrames(ms, d->rate); }
int TAudioRecord2::SamplesToMilliseconds(int samples) const { return framesToMilliseconds(samples, d->rate); }

int TAudioRecord2::ArraySize() const { return d->arraySize.load(); }
void TAudioRecord2::setArraySize(int frames)
{
    if (frames < 1)
        throw EngineError(QStringLiteral("The block size must be at least one sample (%1 was given)").arg(frames));
    d->arraySize.store(frames);
}

bool TAudioRecord2::TimerEnabled() const { return d->timerEnabled; }
void TAudioRecord2::setTimerEnabled(bool on)
{
    if (on == d->timerEnabled)
        return;
    d->timerEnabled = on;
    if (on)
        d->startTimer();
    else
        d->stopTimer();
}
int TAudioRecord2::TimerInterval() const { return d->timerInterval; }
void TAudioRecord2::setTimerInterval(int ms)
{
    ms = std::max(1, ms);
    if (ms == d->timerInterval)
        return;
    d->timerInterval = ms;
    if (d->running && d->timerEnabled)
        d->startTimer();
}

// --- capture ------------------------------------------------------------------------------

void TAudioRecord2::StartRecord() { d->start(); }
void TAudioRecord2::StopRecord() { d->stop(); }
int TAudioRecord2::LastError() const { return d->lastError; }
QString TAudioRecord2::LastErrorText() const { return d->lastErrorText; }

SampleArray TAudioRecord2::GetArray()
{
    std::lock_guard lock(d->fifoMutex);
    if (d->fifo.empty())
        return {};
    SampleArray block = std::move(d->fifo.front());
    d->fifo.pop_front();
    ++d->taken;
    return block;
}

SampleArray TAudioRecord2::GetCurrentArray(int Count) { return d->history.latest(Count); }
int TAudioRecord2::CurrentSamples() const { return static_cast<int>(d->capturedFrames.load()); }
qint64 TAudioRecord2::OverflowCount() const { return d->overflowFrames.load(); }
int TAudioRecord2::LevelLeft() const { return d->levelLeft; }
int TAudioRecord2::LevelRight() const { return d->levelRight; }

// --- record filter ------------------------------------------------------------------------

bool TAudioRecord2::NotchFilter() const { return d->notch; }
void TAudioRecord2::setNotchFilter(bool on)
{
    d->notch = on;
    d->filter.setNotch(d->notch, d->notchHz);
}
float TAudioRecord2::NotchFrequency() const { return d->notchHz; }
void TAudioRecord2::setNotchFrequency(float hz)
{
    d->notchHz = hz;
    d->filter.setNotch(d->notch, d->notchHz);
}
bool TAudioRecord2::HighPassFilter() const { return d->highPass; }
void TAudioRecord2::setHighPassFilter(bool on)
{
    d->highPass = on;
    d->filter.setHighPass(d->highPass, d->highPassHz);
}
float TAudioRecord2::HighPassFrequency() const { return d->highPassHz; }
void TAudioRecord2::setHighPassFrequency(float hz)
{
    d->highPassHz = hz;
    d->filter.setHighPass(d->highPass, d->highPassHz);
}
bool TAudioRecord2::LowPassFilter() const { return d->lowPass; }
void TAudioRecord2::setLowPassFilter(bool on)
{
    d->lowPass = on;
    d->filter.setLowPass(d->lowPass, d->lowPassHz);
}
float TAudioRecord2::LowPassFrequency() const { return d->lowPassHz; }
void TAudioRecord2::setLowPassFrequency(float hz)
{
    d->lowPassHz = hz;
    d->filter.setLowPass(d->lowPass, d->lowPassHz);
}

// --- input mixer --------------------------------------------------------------------------

int TAudioRecord2::srcLastIndex() { return d->mix().lastIndex(); }
void TAudioRecord2::setSrcIndex(int index) { d->mixer.setIndex(index); }
int TAudioRecord2::srcIndex() const { return d->mixer.index(); }
QString TAudioRecord2::srcName() { return d->mix().name(); }
bool TAudioRecord2::srcVolumeEnabled() { return d->mix().volumeEnabled(); }
int TAudioRecord2::srcVolume() { return d->mix().volume(); }
void TAudioRecord2::setSrcVolume(int value) { d->mix().setVolume(value); }
bool TAudioRecord2::srcBalanceEnabled() { return d->mix().balanceEnabled(); }
int TAudioRecord2::srcBalance() { return d->mix().balance(); }
void TAudioRecord2::setSrcBalance(int value) { d->mix().setBalance(value); }
bool TAudioRecord2::srcSelectEnabled() { return d->mix().switchEnabled(); }
bool TAudioRecord2::srcSelect() { return d->mix().switchValue(); }
void TAudioRecord2::setSrcSelect(bool on) { d->mix().setSwitchValue(on); }
int TAudioRecord2::srcAdvancedLastIndex() { return d->mix().advancedLastIndex(); }
QString TAudioRecord2::srcAdvancedName(int i) { return d->mix().advancedName(i); }
QVariant TAudioRecord2::srcAdvancedValue(int i) { return d->mix().advancedValue(i); }
void TAudioRecord2::setSrcAdvancedValue(int i, const QVariant& value) { d->mix().setAdvancedValue(i, value); }
