// The player. PlayArray copies each block into a heap block that travels to the device thread
// through a lock-free ring of pointers; the device thread (render) plays the blocks in order,
// runs the equaliser and the volume ramp, and hands every finished block back through a second
// ring so that it is freed off the device thread. A tap ring carries the played frames to the
// serving side (the service thread, which the device thread wakes when a block has been played,
// the end reached or the queue found empty; the owning thread's timer tick; or the hand-driven
// clock of the virtual backend), which feeds the meter and the history and posts a
// notification to the owning thread; that thread raises OnEndArrayPlay, OnEndPlay and
// OnRequestOnLoadArray from the counters as they stand then.
#include "engine/TAudioPlayer2.h"

#include "engine/DeviceCore.h"
#include "engine/EngineError.h"
#include "engine/SpscRing.h"
#include "engine/dsp/PlaybackEqualizer.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <mutex>

using namespace engine;

namespace {
constexpr int ToDeviceBlocks = 32;
constexpr int FromDeviceBlocks = 64;
constexpr int TapSeconds = 2;
constexpr int WorkFrames = 4096;
constexpr int VolumeRampMs = 10;

struct Block {
    std::vector<float> data;
    int frames = 0;
    bool endOfStream = false;
};
} // namespace

struct TAudioPlayer2::Impl final : public DeviceCore, public PlaybackSource {
    Impl(TAudioPlayer2* owner, AudioBackend* given) : DeviceCore(owner, given, false), player(owner)
    {
        toDevice.reset(ToDeviceBlocks);
        fromDevice.reset(FromDeviceBlocks);
        eqGains.assign(PlaybackEqualizer::BandCount, 0.0f);
    }

    ~Impl() override { dropQueue(); }

    TAudioPlayer2* player;

    // Settings (owning thread unless said).
    std::atomic<int> volume{65535};          // read by the device thread
    bool eqEnabled = false;
    std::vector<float> eqGains;
    PlaybackEqualizer eq;

    // The queue: UI/service -> device thread and back. Producers and the consumer of the
    // return ring serialise on feedMutex.
    std::mutex feedMutex;
    std::deque<Block*> backlog;              // waiting for room in toDevice
    SpscRing<Block*> toDevice;
    SpscRing<Block*> fromDevice;
    int inFlight = 0;                        // blocks in toDevice, being played or in fromDevice

    // Device thread state (touched by others only while the stream is stopped).
    Block* current = nullptr;
    int currentPos = 0;
    bool endHit = false;
    float gain = 1.0f;
    float rampStep = 1.0f;
    int streamChannels = 2;
    SpscRing<float> tap;
    std::atomic<qint64> framesPlayed{0};
    std::atomic<qint64> blocksPlayed{0};
    std::atomic<bool> endReached{false};
    std::atomic<bool> starved{false};

    // Serving side.
    std::mutex serviceMutex;
    std::vector<float> tapWork;
    qint64 seenPlayed = 0;
    bool endPosted = false;

    // Owning thread's view of the queue.
    qint64 blocksQueued = 0;                 // non-empty blocks given since the queue was dropped
    bool endQueued = false;
    qint64 announcedPlayed = 0;
    bool endPlayEmitted = false;
    std::atomic<bool> requestOutstanding{false};

    // --- device thread ---------------------------------------------------------------------
    int render(float* out, int frames) noexcept override
    {
        TAVRIN_DEVICE_THREAD_ONLY();
        if (frames <= 0 || !out)
            return 0;
        const int ch = streamChannels;
        int produced = 0;
        bool wake = false;   // a block ended, the end came or the queue ran dry
        while (produced < frames && !endHit) {
            if (!current) {
                if (!toDevice.pop(current)) {
                    wake = !starved.exchange(true) || wake;
                    break;
                }
                currentPos = 0;
                if (current->endOfStream) {
                    endHit = true;
                    fromDevice.push(current);
                    current = nullptr;
                    endReached.store(true);
                    wake = true;
                    break;
                }
            }
            const int n = std::min(frames - produced, current->frames - currentPos);
            if (n > 0) {
                std::memcpy(out + static_cast<std::ptrdiff_t>(produced) * ch,
                            current->data.data() + static_cast<std::ptrdiff_t>(currentPos) * ch,
                            static_cast<std::size_t>(n) * static_cast<std::size_t>(ch) * sizeof(float));
                produced += n;
                currentPos += n;
            }
            if (currentPos >= current->frames) {
                fromDevice.push(current);
                current = nullptr;
                blocksPlayed.fetch_add(1);
                wake = true;
            }
        }
        std::fill(out + static_cast<std::ptrdiff_t>(produced) * ch,
                  out + static_cast<std::ptrdiff_t>(frames) * ch, 0.0f);
        if (produced > 0) {
            eq.process(out, produced);
            const std::size_t room = tap.writeAvailable() / static_cast<std::size_t>(ch);
            const std::size_t n = std::min<std::size_t>(room, static_cast<std::size_t>(produced));
            tap.write(out, n * static_cast<std::size_t>(ch));
            framesPlayed.fetch_add(produced);
        }
        applyVolume(out, frames, ch);
        if (wake)
            wakeService();
        return produced;
    }

    void applyVolume(float* out, int frames, int ch) noexcept
    {
        const float target = static_cast<float>(volume.load(std::memory_order_relaxed)) / 65535.0f;
        if (gain == target && target == 1.0f)
            return;
        for (int f = 0; f < frames; ++f) {
            if (gain < target)
                gain = std::min(target, gain + rampStep);
            else if (gain > target)
                gain = std::max(target, gain - rampStep);
            float* frame = out + static_cast<std::ptrdiff_t>(f) * ch;
            for (int c = 0; c < ch; ++c)
                frame[c] *= gain;
        }
    }

    void deviceLost(const QString& reason) noexcept override { noteLost(reason); }

    // --- queue (UI thread and service side) ------------------------------------------------
    // Frees the blocks the device has finished with and moves waiting blocks on. feedMutex held.
    void pumpLocked()
    {
        Block* b = nullptr;
        while (fromDevice.pop(b)) {
            delete b;
            --inFlight;
        }
        while (!backlog.empty() && inFlight < FromDeviceBlocks - 1 && toDevice.push(backlog.front())) {
            backlog.pop_front();
            ++inFlight;
        }
    }

    // Drops everything queued; the stream must be stopped.
    void dropQueue()
    {
        std::lock_guard lock(feedMutex);
        Block* b = nullptr;
        while (fromDevice.pop(b))
            delete b;
        while (toDevice.pop(b))
            delete b;
        delete current;
        current = nullptr;
        currentPos = 0;
        for (Block* w : backlog)
            delete w;
        backlog.clear();
        inFlight = 0;
        endHit = false;
        blocksPlayed.store(0);
        endReached.store(false);
        starved.store(false);
        blocksQueued = 0;
        endQueued = false;
        announcedPlayed = 0;
        requestOutstanding.store(false);
        std::lock_guard serviceLock(serviceMutex);
        seenPlayed = 0;
        endPosted = false;
    }

    // --- serving side ----------------------------------------------------------------------
    void serviceStep() override
    {
        {
            std::lock_guard lock(feedMutex);
            pumpLocked();
        }
        std::lock_guard lock(serviceMutex);
        drainTapLocked();
        bool post = false;
        const qint64 played = blocksPlayed.load();
        if (played != seenPlayed) {
            seenPlayed = played;
            post = true;
        }
        if (endReached.load() && !endPosted) {
            endPosted = true;
            post = true;
        }
        if (starved.exchange(false) && !requestOutstanding.load())
            post = true;
        if (post)
            postNotify();
    }

    // --- owning thread ---------------------------------------------------------------------
    int tickSamples() const override { return static_cast<int>(framesPlayed.load()); }

    void onNotify() override
    {
        if (!running)
            return;
        const int gen = generation;
        while (announcedPlayed < blocksPlayed.load()) {
            ++announcedPlayed;
            emit player->OnEndArrayPlay();
            if (!running || gen != generation)
                return;
        }
        if (endReached.load()) {
            if (!endPlayEmitted) {
                endPlayEmitted = true;
                emit player->OnEndPlay();
            }
            return;
        }
        // The queue ran dry before the end of the stream: every block given has been played
        // and nobody is about to give more.
        if (!endQueued && blocksQueued == blocksPlayed.load() && !requestOutstanding.load()) {
            requestOutstanding.store(true);
            emit player->OnRequestOnLoadArray();
        }
    }

    // The played frames to the meter and the picture. serviceMutex held.
    void drainTapLocked()
    {
        const int ch = streamChannels;
        for (;;) {
            const std::size_t n = tap.read(tapWork.data(), tapWork.size());
            if (n == 0)
                break;
            const int frames = static_cast<int>(n / static_cast<std::size_t>(ch));
            meter.feed(tapWork.data(), frames, ch);
            history.append(tapWork.data(), frames);
        }
    }

    // What the device played last still goes to the picture. The stream has stopped.
    void drainTap()
    {
        if (tapWork.empty())
            return;
        std::lock_guard lock(serviceMutex);
        drainTapLocked();
    }

    void afterLoss() override
    {
        drainTap();
        dropQueue();
    }

    void play()
    {
        lastError = NoError;
        lastErrorText.clear();
        if (running)
            return;
        const int ch = channels;
        framesPlayed.store(0);
        endPlayEmitted = false;
        meter.reset();
        {
            std::lock_guard lock(serviceMutex);
            streamChannels = ch;
            tap.reset(static_cast<std::size_t>(rate) * TapSeconds * static_cast<std::size_t>(ch));
            tapWork.assign(static_cast<std::size_t>(WorkFrames) * static_cast<std::size_t>(ch), 0.0f);
            prepareHistory();
        }
        eq.setFormat(rate, ch);
        eq.setEnabled(eqEnabled);
        eq.setGains(eqGains);
        gain = static_cast<float>(volume.load()) / 65535.0f;
        rampStep = 1.0f / static_cast<float>(std::max(1, rate * VolumeRampMs / 1000));
        const int r = rate;
        startStream([this, r, ch](AudioBackend& b, int dev) { return b.openPlayback(dev, r, ch, this); },
                    QStringLiteral("The output device could not be opened"));
    }

    void stop()
    {
        stopStream();
        drainTap();
        if (running) {
            running = false;
            ++generation;
        }
        dropQueue();
    }

    void queue(const SampleArray& block)
    {
        auto* b = new Block;
        if (block.isEmpty()) {
            b->endOfStream = true;
        } else {
            const int ch = channels;
            const int src = block.channels();
            b->frames = block.frames();
            if (src == ch) {
                b->data.assign(block.data(), block.data() + static_cast<std::ptrdiff_t>(b->frames) * ch);
            } else {
                // Another channel layout: mono is spread to every channel, several channels are
                // mixed down to mono, otherwise channels are taken in turn.
                b->data.resize(static_cast<std::size_t>(b->frames) * static_cast<std::size_t>(ch));
                for (int f = 0; f < b->frames; ++f) {
                    const float* in = block.data() + static_cast<std::ptrdiff_t>(f) * src;
                    float* outFrame = b->data.data() + static_cast<std::ptrdiff_t>(f) * ch;
                    if (ch == 1) {
                        float sum = 0.0f;
                        for (int c = 0; c < src; ++c)
                            sum += in[c];
                        outFrame[0] = sum / static_cast<float>(src);
                    } else {
                        for (int c = 0; c < ch; ++c)
                            outFrame[c] = in[c % src];
                    }
                }
            }
        }
        const bool end = b->endOfStream;   // once queued the block belongs to the device side
        {
            std::lock_guard lock(feedMutex);
            backlog.push_back(b);
            pumpLocked();
        }
        if (end)
            endQueued = true;
        else
            ++blocksQueued;
        requestOutstanding.store(false);
    }
};

TAudioPlayer2::TAudioPlayer2(QObject* parent, AudioBackend* backend) : AudioDeviceComponent(parent)
{
    auto impl = std::make_unique<Impl>(this, backend);
    d = impl.get();
    attachCore(std::move(impl));
}

TAudioPlayer2::~TAudioPlayer2()
{
    d->stopStream();
}

int TAudioPlayer2::Volume() const { return d->volume.load(); }
void TAudioPlayer2::setVolume(int value) { d->volume.store(std::clamp(value, 0, 65535)); }

// --- playback -----------------------------------------------------------------------------

void TAudioPlayer2::Play()
{
    TAVRIN_OWNER_THREAD_ONLY();
    d->play();
}
void TAudioPlayer2::Stop()
{
    TAVRIN_OWNER_THREAD_ONLY();
    d->stop();
}
void TAudioPlayer2::PlayArray(SampleArray& block)
{
    TAVRIN_OWNER_THREAD_ONLY();
    d->queue(block);
}
int TAudioPlayer2::CurrentSamples() const { return static_cast<int>(d->framesPlayed.load()); }

bool TAudioPlayer2::EqualizerEnabled() const { return d->eqEnabled; }
void TAudioPlayer2::setEqualizerEnabled(bool on)
{
    TAVRIN_OWNER_THREAD_ONLY();
    d->eqEnabled = on;
    d->eq.setEnabled(on);
}
void TAudioPlayer2::SetEqualizer(const std::vector<float>& bands)
{
    TAVRIN_OWNER_THREAD_ONLY();
    d->eqGains = bands;
    d->eqGains.resize(PlaybackEqualizer::BandCount, 0.0f);
    d->eq.setGains(d->eqGains);
}

// --- output mixer: the mute switch --------------------------------------------------------------

bool TAudioPlayer2::srcMuteEnabled() { return owned().mix().switchEnabled(); }
bool TAudioPlayer2::srcMute() { return owned().mix().switchValue(); }
void TAudioPlayer2::setSrcMute(bool on) { owned().mix().setSwitchValue(on); }
