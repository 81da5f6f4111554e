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
// Each frame goes out this long after the moment it stands for: time enough for the server's
// fragment (0.4 s) to arrive, and, with a pacing period on top, short of how long a second
// input waits for its frames (1 s).
constexpr double DelaySeconds = 0.6;
constexpr int ChunkFrames = 4096;
constexpr auto Pace = std::chrono::milliseconds(150);

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// One stream of the application, recorded from its sink's monitor.
struct Part final : public CaptureSink {
    Part(uint32_t input, int rate, int channels) : sinkInput(input), rate_(rate), channels_(channels)
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
        if (restart.exchange(false) || startNs.load() == 0)
            startNs.store(steadyNs() - static_cast<qint64>(frames) * 1000000000 / rate_);
    }
    void overflowed(int frames) noexcept override { lost.fetch_add(std::max(frames, 1)); }
    // After each delivery: what the server holds of the stream.
    void delayed(int frames) noexcept override
    {
        latencyAtNs.store(steadyNs());
        latency.store(frames);
    }
    // The application closed the stream (the server ends the recording of it then).
    void deviceLost(const QString&) noexcept override { ended.store(true); }

    const uint32_t sinkInput;
    SpscRing<float> ring;
    std::atomic<qint64> lost{0};
    std::atomic<bool> ended{false};
    // When the first frame received (since the last restart) came in (steady clock, ns).
    std::atomic<qint64> startNs{0};
    std::atomic<bool> restart{false};      // the pacing thread starts afresh at the next frames
    std::atomic<int> latency{0};           // frames the server held (delayed())
    std::atomic<qint64> latencyAtNs{0};    // when
    // Pacing thread.
    bool placed = false;
    qint64 placeAt = 0;              // output frame of the first frame received
    qint64 owed = 0;                 // frames that came too late, passed over when they come
    qint64 lostSeen = 0;
    std::unique_ptr<PulseStream> stream;

private:
    int rate_;
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

    qint64 t0Ns = 0;                 // when output frame 0 went out
    qint64 produced = 0;             // frames out

    void run()
    {
        t0Ns = steadyNs();
        produced = 0;
        delayFrames = DelaySeconds * rate;
        std::unique_lock lock(m);
        while (!stopping) {
            lock.unlock();
            follow();
            const auto due = (steadyNs() - t0Ns) * rate / 1000000000;
            if (produced < due) {
                pass(due - produced);
                // Once all that is due is out: midway, what the streams hold is not yet taken.
                DeviceCallbackScope scope;
                sink->delayed(delay());
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
        lock.unlock();
        drainOut();
    }

    // Stopping: what the streams have delivered goes out now rather than at its time, so that
    // the recording's last moments keep the application's sound (the rest of the recording
    // waits for it; whatever lies past the recording's end is left there).
    void drainOut()
    {
        qint64 left = 0;
        for (auto& p : parts)
            if (p->placed || place(*p))
                left = std::max(left, std::max<qint64>(p->placeAt - produced, 0) - p->owed
                                          + static_cast<qint64>(p->ring.readAvailable() / static_cast<std::size_t>(channels)));
        left = std::min<qint64>(left, std::llround((DelaySeconds + 1.0) * rate));
        pass(left);
    }

    // The next `frames` frames to the sink.
    void pass(qint64 frames)
    {
        while (frames > 0) {
            const int n = static_cast<int>(std::min<qint64>(frames, ChunkFrames));
            mixOut(n);
            DeviceCallbackScope scope;
            sink->captured(mix.data(), n);
            produced += n;
            frames -= n;
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

    // How long ago the frames going out now were heard, in frames: what the first stream in
    // place holds and what the server holds of it, smoothed a little (a fragment arriving moves
    // the two at once, but not together). It follows the server's timing and the stream's
    // clock, which may run apart from ours.
    double delayFrames = 0;
    int delay()
    {
        for (const auto& p : parts)
            if (p->placed && produced >= p->placeAt) {
                // The server has gone on capturing since it last delivered.
                const qint64 at = p->latencyAtNs.load();
                const double since = at == 0 ? 0.0 : std::clamp((steadyNs() - at) / 1e9, 0.0, 1.0) * rate;
                const double actual = static_cast<double>(p->ring.readAvailable() / static_cast<std::size_t>(channels))
                                      - static_cast<double>(p->owed) + p->latency.load() + since;
                delayFrames += (actual - delayFrames) * 0.25;
                break;
            }
        return static_cast<int>(std::lround(delayFrames));
    }

    // A stream's frames go out DelaySeconds after they came: its first frame at that output
    // frame. False until it has delivered.
    bool place(Part& p) const
    {
        const qint64 start = p.startNs.load();
        if (start == 0 || p.restart.load())
            return false;
        p.placeAt = (start - t0Ns) * rate / 1000000000 + std::llround(DelaySeconds * rate);
        p.owed = 0;
        if (p.placeAt < produced) {   // came too late for its place: what is past goes
            p.owed = produced - p.placeAt;
            p.placeAt = produced;
        }
        p.placed = true;
        return true;
    }

    // Passes over frames of `p` that came too late.
    void payOwed(Part& p)
    {
        while (p.owed > 0) {
            const std::size_t want = static_cast<std::size_t>(std::min<qint64>(p.owed, ChunkFrames)) * static_cast<std::size_t>(channels);
            const std::size_t got = p.ring.read(scratch.data(), std::min(want, scratch.size())) / static_cast<std::size_t>(channels);
            if (got == 0)
                return;
            p.owed -= static_cast<qint64>(got);
            p.lost.fetch_add(static_cast<qint64>(got));
        }
    }

    // The next n frames: the sum of the streams, each in its place; silence elsewhere.
    void mixOut(int n)
    {
        const std::size_t samples = static_cast<std::size_t>(n) * static_cast<std::size_t>(channels);
        mix.assign(samples, 0.0f);
        scratch.resize(std::max<std::size_t>(samples, static_cast<std::size_t>(ChunkFrames) * channels));
        for (auto& p : parts) {
            if (!p->placed && !place(*p))
                continue;
            payOwed(*p);
            const qint64 offset = std::clamp<qint64>(p->placeAt - produced, 0, n);
            if (offset >= n)
                continue;
            const std::size_t from = static_cast<std::size_t>(offset) * static_cast<std::size_t>(channels);
            const std::size_t got = p->owed > 0 ? 0 : p->ring.read(scratch.data(), samples - from);
            for (std::size_t i = 0; i < got; ++i)
                mix[from + i] += scratch[i];
            const qint64 missing = static_cast<qint64>((samples - from - got) / static_cast<std::size_t>(channels));
            if (missing == 0 || (p->ended.load() && p->ring.readAvailable() == 0))
                continue;
            // Not there in time: silence in its place, and the frames passed over when they
            // come. A stream silent for longer (the application paused it) starts afresh.
            p->owed += missing;
            if (p->owed > std::llround(DelaySeconds * rate)) {
                p->placed = false;
                p->owed = 0;
                p->restart.store(true);
            }
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
