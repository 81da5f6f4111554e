#include "engine/backends/PulseApplication.h"

#include "engine/DeviceCallback.h"
#include "engine/EngineError.h"
#include "engine/SpscRing.h"
#include "engine/backends/PulseStreams.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace tavrin::pulse {

namespace {

constexpr double QueueSeconds = 8.0;
constexpr double PrimeSeconds = 0.5;
constexpr int ChunkFrames = 4096;
constexpr auto Pace = std::chrono::milliseconds(50);

// One stream of the application, recorded from its sink's monitor.
struct Part final : public CaptureSink {
    Part(uint32_t input, int rate, int channels) : sinkInput(input), channels_(channels)
    {
        ring.reset(static_cast<std::size_t>(QueueSeconds * rate) * static_cast<std::size_t>(channels));
    }

    // Loop thread.
    void captured(const float* interleaved, int frames) noexcept override
    {
        const std::size_t samples = static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels_);
        const std::size_t written = ring.write(interleaved, samples);
        if (written < samples)
            lost.fetch_add(static_cast<qint64>((samples - written) / static_cast<std::size_t>(channels_)));
    }
    void overflowed(int frames) noexcept override { lost.fetch_add(std::max(frames, 1)); }
    // The application closed the stream (the server ends the recording of it then).
    void deviceLost(const QString&) noexcept override { ended.store(true); }

    const uint32_t sinkInput;
    SpscRing<float> ring;
    std::atomic<qint64> lost{0};
    std::atomic<bool> ended{false};
    bool primed = false;            // pacing thread
    qint64 lostSeen = 0;            // pacing thread
    std::unique_ptr<PulseStream> stream;

private:
    int channels_;
};

} // namespace

struct PulseApplicationCapture::Impl {
    std::shared_ptr<PulseCore> core;
    QString application;
    QString shown;
    int rate;
    int channels;
    CaptureSink* sink;

    std::thread thread;
    std::mutex m;
    std::condition_variable wake;
    bool stopping = false;
    bool running = false;

    // Pacing thread (and stop(), once it has ended).
    std::vector<std::unique_ptr<Part>> parts;
    std::set<uint32_t> refused;     // sink inputs whose recording could not be opened
    std::vector<float> mix;
    std::vector<float> scratch;

    void run()
    {
        const auto t0 = std::chrono::steady_clock::now();
        qint64 produced = 0;
        std::unique_lock lock(m);
        while (!stopping) {
            lock.unlock();
            follow();
            const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            const auto due = static_cast<qint64>(elapsed * rate);
            while (produced < due) {
                const int n = static_cast<int>(std::min<qint64>(due - produced, ChunkFrames));
                mixOut(n);
                DeviceCallbackScope scope;
                sink->captured(mix.data(), n);
                produced += n;
            }
            for (auto& p : parts) {
                const qint64 lost = p->lost.load();
                if (lost > p->lostSeen) {
                    DeviceCallbackScope scope;
                    sink->overflowed(static_cast<int>(std::min<qint64>(lost - p->lostSeen, 1 << 30)));
                    p->lostSeen = lost;
                }
            }
            lock.lock();
            wake.wait_for(lock, Pace, [this] { return stopping; });
        }
    }

    // The application's streams now: a recording for each new one; one that ended goes once
    // what it delivered is mixed out.
    void follow()
    {
        std::map<uint32_t, QByteArray> wanted;   // sink input -> the monitor of its sink
        {
            std::lock_guard lock(core->registry.m);
            for (const auto& [index, input] : core->registry.sinkInputs)
                if (input.application == application) {
                    const QByteArray monitor = core->registry.monitorOf(input.sink);
                    if (!monitor.isEmpty())
                        wanted[index] = monitor;
                }
        }
        for (auto& p : parts)
            if (!wanted.contains(p->sinkInput))
                p->ended.store(true);
        std::erase_if(parts, [this](const std::unique_ptr<Part>& p) {
            if (!p->ended.load() || p->ring.readAvailable() > 0)
                return false;
            stopPart(*p);
            return true;
        });
        for (const auto& [index, monitor] : wanted) {
            if (refused.contains(index)
                || std::any_of(parts.begin(), parts.end(), [&](const auto& p) { return p->sinkInput == index; }))
                continue;
            auto part = std::make_unique<Part>(index, rate, channels);
            try {
                part->stream = std::make_unique<PulseStream>(core, StreamTarget{Input, monitor, shown, index}, rate,
                                                             channels, part.get(), nullptr);
                part->stream->start();
            } catch (const EngineError&) {
                refused.insert(index);   // gone already, or not to be recorded: not asked again
                continue;
            }
            parts.push_back(std::move(part));
        }
    }

    static void stopPart(Part& p) noexcept
    {
        try {
            if (p.stream)
                p.stream->stop();
        } catch (...) {
        }
        p.stream.reset();
    }

    // The next n frames: the sum of the streams that have frames waiting, silence elsewhere.
    void mixOut(int n)
    {
        const std::size_t samples = static_cast<std::size_t>(n) * static_cast<std::size_t>(channels);
        mix.assign(samples, 0.0f);
        scratch.resize(samples);
        const auto prime = static_cast<std::size_t>(PrimeSeconds * rate) * static_cast<std::size_t>(channels);
        for (auto& p : parts) {
            const std::size_t waiting = p->ring.readAvailable();
            if (!p->primed && (waiting >= prime || (p->ended.load() && waiting > 0)))
                p->primed = true;
            if (!p->primed)
                continue;
            const std::size_t got = p->ring.read(scratch.data(), std::min(waiting, samples));
            for (std::size_t i = 0; i < got; ++i)
                mix[i] += scratch[i];
            if (got < samples)
                p->primed = false;   // ran dry: it waits for half a second again
        }
    }
};

PulseApplicationCapture::PulseApplicationCapture(std::shared_ptr<PulseCore> core, const QString& application,
                                                 const QString& shown, int rate, int channels, CaptureSink* sink)
    : d(std::make_unique<Impl>())
{
    d->core = std::move(core);
    d->application = application;
    d->shown = shown;
    d->rate = rate;
    d->channels = channels;
    d->sink = sink;
}

PulseApplicationCapture::~PulseApplicationCapture()
{
    PulseApplicationCapture::stop();
}

int PulseApplicationCapture::sampleRate() const { return d->rate; }
int PulseApplicationCapture::channels() const { return d->channels; }

void PulseApplicationCapture::start()
{
    if (d->running)
        return;
    {
        PulseConnection::Lock lock(d->core->connection);
        d->core->connection.requireOnline();
    }
    d->stopping = false;
    d->running = true;
    d->thread = std::thread([this] { d->run(); });
}

void PulseApplicationCapture::stop()
{
    if (!d->running)
        return;
    {
        std::lock_guard lock(d->m);
        d->stopping = true;
    }
    d->wake.notify_all();
    if (d->thread.joinable())
        d->thread.join();
    for (auto& p : d->parts)
        Impl::stopPart(*p);
    d->parts.clear();
    d->refused.clear();
    d->running = false;
}

} // namespace tavrin::pulse
