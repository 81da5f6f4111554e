// The recorder. Audio moves in three stages:
//  1. the device thread (CaptureSink::captured) copies frames into a lock-free ring, nothing
//     else: no allocation, no lock, no wait; when a whole block is waiting it wakes the
//     service thread;
//  2. the serving side (the owning thread's timer tick, the service thread when woken, or the
//     hand-driven clock of the virtual backend) empties the ring, runs the record filter (when
//     one is on), feeds the meter and the history, cuts blocks of exactly ArraySize frames and
//     hands each to the block receiver or into an unbounded FIFO;
//  3. the owning (UI) thread emits OnEndArrayRecord for every block cut (when the serving side
//     posts it, or at the next tick for a block the receiver already has), and GetArray hands
//     the FIFO's blocks over in order.
// Nothing waits for the owning thread, so a UI thread that stalls for seconds loses nothing;
// only a serving side stalled longer than the ring (two seconds) would, and that is counted as
// an overflow.
#include "engine/TAudioRecord2.h"

#include "engine/DeviceCore.h"
#include "engine/EngineError.h"
#include "engine/SpscRing.h"
#include "engine/dsp/RecordFilter.h"

#include <algorithm>
#include <chrono>
#include <deque>
#include <mutex>

using namespace engine;

namespace {
constexpr int RingSeconds = 2;
constexpr int WorkFrames = 4096;
constexpr int ReserveMaxFrames = 1 << 20;
} // namespace

struct TAudioRecord2::Impl final : public DeviceCore, public CaptureSink, public CaptureFlowControl {
    Impl(TAudioRecord2* owner, AudioBackend* given) : DeviceCore(owner, given, true), rec(owner)
    {
        applyFilterSettings();
    }

    TAudioRecord2* rec;

    // Settings (owning thread).
    std::atomic<int> arraySize{8820};
    bool notch = false, highPass = false, lowPass = false;
    float notchHz = 50.0f, highPassHz = 400.0f, lowPassHz = 4000.0f;

    // Device thread -> serving side.
    SpscRing<float> ring;
    int streamChannels = 2;
    std::atomic<qint64> overflowFrames{0};
    std::atomic<int> partialShared{0};   // frames of the block being cut, for the device side
    // Frames the device delivered or lost since the start, and when it last delivered (steady
    // clock; not kept on a hand-driven clock, whose deliveries are exact).
    std::atomic<qint64> devicePosition{0};
    std::atomic<qint64> deliveredAtNs{0};
    std::atomic<bool> stampDeliveries{false};
    std::atomic<int> positionRate{44100};
    // A device that says how far behind it the stream is (delayed()): where the device was when
    // it last said so, and when. Frames read from the stream do not move the device, so between
    // two such reports only the time does. Written by the device thread alone; read as one
    // (the sequence is odd while it changes).
    std::atomic<bool> timed{false};
    std::atomic<unsigned> anchorSeq{0};
    std::atomic<qint64> anchorFrames{0};
    std::atomic<qint64> anchorNs{0};
    int ringQuarter = 1;                 // frames; a fuller ring wakes the service thread anyway

    // Serving side (serviceMutex).
    std::mutex serviceMutex;
    RecordFilter filter;
    std::vector<float> work;
    std::vector<float> partial;
    int partialFrames = 0;
    std::atomic<qint64> capturedFrames{0};
    RecordBlockReceiver* receiver = nullptr;

    // Finished blocks (fifoMutex). Blocks are numbered in the order they are cut; the FIFO holds
    // the newest `fifo.size()` of the `produced` ones.
    std::mutex fifoMutex;
    std::deque<SampleArray> fifo;
    qint64 produced = 0;     // blocks cut
    qint64 taken = 0;        // blocks before this one were taken by GetArray or dropped
    qint64 announced = 0;    // blocks announced by OnEndArrayRecord (owning thread)

    void applyFilterSettings()
    {
        filter.setNotch(notch, notchHz);
        filter.setHighPass(highPass, highPassHz);
        filter.setLowPass(lowPass, lowPassHz);
    }

    // Applies a filter setting; the serving side may be filtering right now.
    template <typename F>
    void changeFilter(F&& change)
    {
        std::lock_guard lock(serviceMutex);
        change();
        applyFilterSettings();
    }

    // --- device thread ---------------------------------------------------------------------
    void captured(const float* interleaved, int frames) noexcept override
    {
        TAVRIN_DEVICE_THREAD_ONLY();
        if (frames <= 0 || !interleaved)
            return;
        devicePosition.fetch_add(frames, std::memory_order_relaxed);
        if (stampDeliveries.load(std::memory_order_relaxed))
            deliveredAtNs.store(steadyNs(), std::memory_order_relaxed);
        const int ch = streamChannels;
        const int room = static_cast<int>(ring.writeAvailable() / static_cast<std::size_t>(ch));
        const int n = std::min(frames, room);
        if (n > 0)
            ring.write(interleaved, static_cast<std::size_t>(n) * static_cast<std::size_t>(ch));
        if (n < frames)
            overflowFrames.fetch_add(frames - n, std::memory_order_relaxed);
        // A block is complete: the service thread cuts it at once (repeated wakes before it
        // runs fold into one).
        const int waiting = static_cast<int>(ring.readAvailable() / static_cast<std::size_t>(ch));
        if (waiting + partialShared.load(std::memory_order_relaxed) >= arraySize.load(std::memory_order_relaxed)
            || waiting >= ringQuarter)
            wakeService();
    }

    void overflowed(int frames) noexcept override
    {
        TAVRIN_DEVICE_THREAD_ONLY();
        // A drop of unknown size still counts, as one frame: it is never hidden.
        overflowFrames.fetch_add(std::max(frames, 1), std::memory_order_relaxed);
        devicePosition.fetch_add(std::max(frames, 0), std::memory_order_relaxed);
    }

    void delayed(int frames) noexcept override
    {
        TAVRIN_DEVICE_THREAD_ONLY();
        const unsigned seq = anchorSeq.load(std::memory_order_relaxed);
        anchorSeq.store(seq + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        anchorFrames.store(devicePosition.load(std::memory_order_relaxed) + frames, std::memory_order_relaxed);
        anchorNs.store(steadyNs(), std::memory_order_relaxed);
        anchorSeq.store(seq + 2, std::memory_order_release);
        timed.store(true, std::memory_order_relaxed);
    }

    void deviceLost(const QString& reason) noexcept override { noteLost(reason); }

    int writableFrames() const noexcept override
    {
        return static_cast<int>(ring.writeAvailable() / static_cast<std::size_t>(streamChannels));
    }

    // --- serving side ----------------------------------------------------------------------
    // Moves everything the device delivered on: filter, meter, history, blocks.
    void serviceStep() override
    {
        std::lock_guard lock(serviceMutex);
        const int ch = streamChannels;
        bool cut = false;
        for (;;) {
            const std::size_t n = ring.read(work.data(), work.size());
            if (n == 0)
                break;
            const int frames = static_cast<int>(n / static_cast<std::size_t>(ch));
            if (filter.anyEnabled())
                filter.process(work.data(), frames);
            meter.feed(work.data(), frames, ch);
            history.append(work.data(), frames);
            capturedFrames.fetch_add(frames, std::memory_order_relaxed);
            cut = appendFrames(work.data(), frames) || cut;
        }
        partialShared.store(partialFrames, std::memory_order_relaxed);
        // A block for GetArray is announced at once; one already on its way to the receiver is
        // announced by the next tick of the owning thread's timer, when one is coming.
        if (cut && (!receiver || tickFrames.load() == 0))
            postNotify();
    }

    // serviceMutex held; true when a block was cut.
    bool appendFrames(const float* data, int frames)
    {
        const int ch = streamChannels;
        bool cut = false;
        while (frames > 0) {
            const int size = std::max(1, arraySize.load());
            const int n = std::min(frames, std::max(0, size - partialFrames));
            partial.insert(partial.end(), data, data + static_cast<std::ptrdiff_t>(n) * ch);
            partialFrames += n;
            data += static_cast<std::ptrdiff_t>(n) * ch;
            frames -= n;
            while (partialFrames >= size && partialFrames > 0) {
                cutBlock(size);
                cut = true;
            }
        }
        return cut;
    }

    // Moves the first `frames` frames of the partial block on as one block. serviceMutex held.
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
        if (receiver)
            receiver->blockReady(std::move(block));
        std::lock_guard lock(fifoMutex);
        if (!receiver)
            fifo.push_back(std::move(block));
        ++produced;
    }

    // Room for the next block up front (a very large block grows as it fills instead).
    void reservePartial()
    {
        const std::size_t frames = static_cast<std::size_t>(std::clamp(arraySize.load(), 1, ReserveMaxFrames));
        partial.reserve(frames * static_cast<std::size_t>(streamChannels));
    }

    // Everything captured, the partial last block included, goes on as blocks. The stream and
    // its serving have stopped.
    void drain()
    {
        serviceStep();
        std::lock_guard lock(serviceMutex);
        if (partialFrames > 0)
            cutBlock(partialFrames);
        partialShared.store(0);
    }

    // --- owning thread ---------------------------------------------------------------------
    int tickSamples() const override { return static_cast<int>(capturedFrames.load()); }

    void onNotify() override { emitWaiting(); }

    static qint64 steadyNs() noexcept
    {
        return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }

    qint64 position() const noexcept
    {
        qint64 frames = 0;
        qint64 at = 0;
        if (timed.load(std::memory_order_relaxed)) {
            for (;;) {
                const unsigned seq = anchorSeq.load(std::memory_order_acquire);
                frames = anchorFrames.load(std::memory_order_relaxed);
                at = anchorNs.load(std::memory_order_relaxed);
                std::atomic_thread_fence(std::memory_order_acquire);
                if (!(seq & 1u) && anchorSeq.load(std::memory_order_relaxed) == seq)
                    break;
            }
        } else {
            frames = devicePosition.load(std::memory_order_relaxed);
            at = deliveredAtNs.load(std::memory_order_relaxed);
        }
        if (!stampDeliveries.load(std::memory_order_relaxed) || at == 0)
            return frames;
        // The device delivers in fragments; between two, its position moves on with the time.
        const qint64 since = std::clamp<qint64>(steadyNs() - at, 0, 1000000000);
        return frames + since * positionRate.load(std::memory_order_relaxed) / 1000000000;
    }

    void afterLoss() override
    {
        drain();
        emitWaiting();
    }

    // One OnEndArrayRecord per block cut and not yet announced, unless GetArray took it first.
    // Safe against re-entry (a handler that lets events run) and against stale notifications.
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
            emit rec->OnEndArrayRecord(static_cast<int>(index));
        }
    }

    void start()
    {
        lastError = NoError;
        lastErrorText.clear();
        if (running)
            return;
        const int ch = channels;
        overflowFrames.store(0);
        capturedFrames.store(0);
        devicePosition.store(0);
        deliveredAtNs.store(0);
        timed.store(false);
        anchorFrames.store(0);
        anchorNs.store(0);
        {
            auto* clock = dynamic_cast<ManualClock*>(&be());
            stampDeliveries.store(!(clock && clock->isManualClock()));
            positionRate.store(rate);
        }
        meter.reset();
        {
            std::lock_guard lock(fifoMutex);
            // Blocks announced earlier but never taken belong to the last run.
            fifo.clear();
            taken = produced;
        }
        {
            std::lock_guard lock(serviceMutex);
            streamChannels = ch;
            ring.reset(static_cast<std::size_t>(rate) * RingSeconds * static_cast<std::size_t>(ch));
            work.assign(static_cast<std::size_t>(WorkFrames) * static_cast<std::size_t>(ch), 0.0f);
            partial.clear();
            reservePartial();
            partialFrames = 0;
            partialShared.store(0);
            ringQuarter = std::max(1, rate * RingSeconds / 4);
            filter.setFormat(rate, ch);
            applyFilterSettings();
            prepareHistory();
        }
        const int r = rate;
        startStream([this, r, ch](AudioBackend& b, int dev) { return b.openCapture(dev, r, ch, this); },
                    QStringLiteral("The input device could not be opened"));
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

TAudioRecord2::TAudioRecord2(QObject* parent, AudioBackend* backend) : AudioDeviceComponent(parent)
{
    auto impl = std::make_unique<Impl>(this, backend);
    d = impl.get();
    attachCore(std::move(impl));
}

TAudioRecord2::~TAudioRecord2()
{
    d->stopStream();
}

int TAudioRecord2::ArraySize() const { return d->arraySize.load(); }
void TAudioRecord2::setArraySize(int frames)
{
    if (frames < 1)
        throw EngineError(QStringLiteral("The block size must be at least one sample (%1 was given)").arg(frames));
    d->arraySize.store(frames);
}

// --- capture ------------------------------------------------------------------------------

void TAudioRecord2::StartRecord()
{
    TAVRIN_OWNER_THREAD_ONLY();
    d->start();
}
void TAudioRecord2::StopRecord()
{
    TAVRIN_OWNER_THREAD_ONLY();
    d->stop();
}

SampleArray TAudioRecord2::GetArray()
{
    TAVRIN_OWNER_THREAD_ONLY();
    std::lock_guard lock(d->fifoMutex);
    if (d->fifo.empty())
        return {};
    SampleArray block = std::move(d->fifo.front());
    d->fifo.pop_front();
    d->taken = d->produced - static_cast<qint64>(d->fifo.size());
    return block;
}

void TAudioRecord2::SetBlockReceiver(RecordBlockReceiver* receiver)
{
    TAVRIN_OWNER_THREAD_ONLY();
    std::lock_guard lock(d->serviceMutex);
    d->receiver = receiver;
    if (!receiver)
        return;
    std::deque<SampleArray> waiting;
    {
        std::lock_guard fifoLock(d->fifoMutex);
        waiting.swap(d->fifo);
    }
    for (SampleArray& block : waiting)
        receiver->blockReady(std::move(block));
}

int TAudioRecord2::CurrentSamples() const { return static_cast<int>(d->capturedFrames.load()); }
qint64 TAudioRecord2::OverflowCount() const { return d->overflowFrames.load(); }
qint64 TAudioRecord2::CapturePosition() const { return d->position(); }

// --- record filter ------------------------------------------------------------------------

bool TAudioRecord2::NotchFilter() const { return d->notch; }
void TAudioRecord2::setNotchFilter(bool on) { d->changeFilter([&] { d->notch = on; }); }
float TAudioRecord2::NotchFrequency() const { return d->notchHz; }
void TAudioRecord2::setNotchFrequency(float hz) { d->changeFilter([&] { d->notchHz = hz; }); }
bool TAudioRecord2::HighPassFilter() const { return d->highPass; }
void TAudioRecord2::setHighPassFilter(bool on) { d->changeFilter([&] { d->highPass = on; }); }
float TAudioRecord2::HighPassFrequency() const { return d->highPassHz; }
void TAudioRecord2::setHighPassFrequency(float hz) { d->changeFilter([&] { d->highPassHz = hz; }); }
bool TAudioRecord2::LowPassFilter() const { return d->lowPass; }
void TAudioRecord2::setLowPassFilter(bool on) { d->changeFilter([&] { d->lowPass = on; }); }
float TAudioRecord2::LowPassFrequency() const { return d->lowPassHz; }
void TAudioRecord2::setLowPassFrequency(float hz) { d->changeFilter([&] { d->lowPassHz = hz; }); }

// --- input mixer: the capture-select switch ----------------------------------------------------

bool TAudioRecord2::srcSelectEnabled() { return owned().mix().switchEnabled(); }
bool TAudioRecord2::srcSelect() { return owned().mix().switchValue(); }
void TAudioRecord2::setSrcSelect(bool on) { owned().mix().setSwitchValue(on); }
