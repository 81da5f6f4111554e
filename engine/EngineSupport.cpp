#include "engine/EngineSupport.h"

#include "engine/EngineError.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <climits>
#include <cmath>

namespace engine {

namespace {
int clampToInt(long long v)
{
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}
} // namespace

int millisecondsToFrames(int ms, int sampleRate)
{
    return clampToInt(static_cast<long long>(ms) * sampleRate / 1000);
}

int framesToMilliseconds(int frames, int sampleRate)
{
    if (sampleRate <= 0)
        return 0;
    return clampToInt(static_cast<long long>(frames) * 1000 / sampleRate);
}

void checkFormat(int sampleRate, int channels)
{
    if (sampleRate < 1000 || sampleRate > 768000)
        throw EngineError(QStringLiteral("Unsupported sample rate %1 Hz (1000 to 768000 Hz can be used)").arg(sampleRate));
    if (channels < 1 || channels > 8)
        throw EngineError(QStringLiteral("Unsupported channel count %1 (1 to 8 channels can be used)").arg(channels));
}

// ---------------------------------------------------------------------------------------

namespace {
void raiseTo(std::atomic<int>& peak, int value) noexcept
{
    int old = peak.load(std::memory_order_relaxed);
    while (value > old && !peak.compare_exchange_weak(old, value, std::memory_order_relaxed)) {
    }
}

int toLevel(float peak) noexcept
{
    if (!(peak > 0.0f))   // also NaN
        return 0;
    return static_cast<int>(std::lround(std::min(peak, 1.0f) * 32767.0f));
}
} // namespace

void PeakMeter::feed(const float* interleaved, int frames, int channels) noexcept
{
    if (frames <= 0 || channels <= 0)
        return;
    // The largest magnitude by the bits of |x|: for numbers their order is that of the values,
    // a NaN counts as silence, and the loop has no branch (the device thread runs it on every
    // chunk, so it should cost next to nothing).
    const auto magnitude = [](float v) noexcept {
        std::uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        bits &= 0x7fffffffu;
        return bits > 0x7f800000u ? 0u : bits;
    };
    std::uint32_t l = 0, r = 0;
    if (channels == 2) {
        const std::size_t samples = static_cast<std::size_t>(frames) * 2;
        for (std::size_t k = 0; k < samples; k += 2) {
            l = std::max(l, magnitude(interleaved[k]));
            r = std::max(r, magnitude(interleaved[k + 1]));
        }
    } else {
        const int rightChannel = channels > 1 ? 1 : 0;
        for (int f = 0; f < frames; ++f) {
            const float* frame = interleaved + static_cast<std::ptrdiff_t>(f) * channels;
            l = std::max(l, magnitude(frame[0]));
            r = std::max(r, magnitude(frame[rightChannel]));
        }
    }
    float lv, rv;
    std::memcpy(&lv, &l, sizeof lv);
    std::memcpy(&rv, &r, sizeof rv);
    raiseTo(left_, toLevel(lv));
    raiseTo(right_, toLevel(rv));
}

PeakMeter::Levels PeakMeter::take() noexcept
{
    return Levels{left_.exchange(0), right_.exchange(0)};
}

void PeakMeter::reset() noexcept
{
    left_.store(0);
    right_.store(0);
}

// ---------------------------------------------------------------------------------------

void FrameHistory::reset(int channels, int capacityFrames)
{
    std::lock_guard lock(m_);
    channels_ = std::max(1, channels);
    capacity_ = std::max(1, capacityFrames);
    ring_.assign(static_cast<std::size_t>(capacity_) * static_cast<std::size_t>(channels_), 0.0f);
    written_ = 0;
}

void FrameHistory::append(const float* interleaved, int frames)
{
    std::lock_guard lock(m_);
    if (capacity_ <= 0 || frames <= 0)
        return;
    if (frames > capacity_) {   // only the newest frames matter
        interleaved += static_cast<std::ptrdiff_t>(frames - capacity_) * channels_;
        written_ += frames - capacity_;
        frames = capacity_;
    }
    int pos = static_cast<int>(written_ % capacity_);
    int done = 0;
    while (done < frames) {
        const int n = std::min(frames - done, capacity_ - pos);
        std::copy_n(interleaved + static_cast<std::ptrdiff_t>(done) * channels_,
                    static_cast<std::ptrdiff_t>(n) * channels_,
                    ring_.begin() + static_cast<std::ptrdiff_t>(pos) * channels_);
        done += n;
        pos = (pos + n) % capacity_;
    }
    written_ += frames;
}

SampleArray FrameHistory::latest(int count) const
{
    std::lock_guard lock(m_);
    if (count < 1 || capacity_ <= 0)
        return {};
    count = std::min(count, capacity_);
    SampleArray out(channels_, count);
    const int have = static_cast<int>(std::min<long long>(written_, count));
    float* dst = out.data() + static_cast<std::ptrdiff_t>(count - have) * channels_;
    // At most two runs: up to the end of the ring, then from its start.
    int pos = static_cast<int>((written_ - have) % capacity_);
    for (int done = 0; done < have;) {
        const int n = std::min(have - done, capacity_ - pos);
        std::copy_n(ring_.begin() + static_cast<std::ptrdiff_t>(pos) * channels_,
                    static_cast<std::ptrdiff_t>(n) * channels_, dst + static_cast<std::ptrdiff_t>(done) * channels_);
        done += n;
        pos = 0;
    }
    return out;
}

// ---------------------------------------------------------------------------------------

MixerLines::MixerLines(std::function<std::unique_ptr<AudioMixer>(int device)> open)
    : open_(std::move(open)) {}

void MixerLines::setDevice(int device)
{
    device_ = device;
}

AudioMixer* MixerLines::mixer()
{
    if (!mixer_ || openedFor_ != device_) {
        mixer_.reset();
        mixer_ = open_(device_);
        openedFor_ = device_;
    }
    return mixer_.get();
}

bool MixerLines::lineValid()
{
    AudioMixer* m = mixer();
    return m && index_ >= 0 && index_ < m->lineCount();
}

bool MixerLines::advancedValid(int i)
{
    return lineValid() && i >= 0 && i < mixer_->advancedCount(index_);
}

int MixerLines::lastIndex()
{
    AudioMixer* m = mixer();
    return m ? m->lineCount() - 1 : -1;
}

QString MixerLines::name() { return lineValid() ? mixer_->lineName(index_) : QString(); }
bool MixerLines::volumeEnabled() { return lineValid() && mixer_->volumeEnabled(index_); }
int MixerLines::volume() { return lineValid() ? mixer_->volume(index_) : 0; }
void MixerLines::setVolume(int value)
{
    if (lineValid())
        mixer_->setVolume(index_, std::clamp(value, 0, 65535));
}
bool MixerLines::balanceEnabled() { return lineValid() && mixer_->balanceEnabled(index_); }
int MixerLines::balance() { return lineValid() ? mixer_->balance(index_) : 50; }
void MixerLines::setBalance(int value)
{
    if (lineValid())
        mixer_->setBalance(index_, std::clamp(value, 0, 100));
}
bool MixerLines::switchEnabled() { return lineValid() && mixer_->switchEnabled(index_); }
bool MixerLines::switchValue() { return lineValid() && mixer_->switchValue(index_); }
void MixerLines::setSwitchValue(bool on)
{
    if (lineValid())
        mixer_->setSwitchValue(index_, on);
}
int MixerLines::advancedLastIndex() { return lineValid() ? mixer_->advancedCount(index_) - 1 : -1; }
QString MixerLines::advancedName(int i) { return advancedValid(i) ? mixer_->advancedName(index_, i) : QString(); }
QVariant MixerLines::advancedValue(int i) { return advancedValid(i) ? mixer_->advancedValue(index_, i) : QVariant(); }
void MixerLines::setAdvancedValue(int i, const QVariant& value)
{
    if (advancedValid(i))
        mixer_->setAdvancedValue(index_, i, value);
}

// ---------------------------------------------------------------------------------------

WakeableThread::WakeableThread()
{
    if (sem_init(&semaphore_, 0, 0) != 0)
        throw EngineError(QStringLiteral("Cannot make a semaphore: %1").arg(QString::fromUtf8(std::strerror(errno))));
}

WakeableThread::~WakeableThread()
{
    stop();
    sem_destroy(&semaphore_);
}

void WakeableThread::post() noexcept
{
    sem_post(&semaphore_);
}

void WakeableThread::wake() noexcept
{
    if (!pending_.exchange(true, std::memory_order_acq_rel))
        post();
}

void WakeableThread::start(const char* name, std::function<void()> work)
{
    stop();
    while (sem_trywait(&semaphore_) == 0) {
    }
    pending_.store(false);
    stop_.store(false);
    thread_ = std::thread([this, name, work = std::move(work)] {
        nameThisThread(name);
        for (;;) {
            while (sem_wait(&semaphore_) != 0 && errno == EINTR) {
            }
            if (stop_.load())
                return;
            pending_.exchange(false, std::memory_order_acq_rel);   // pairs with wake(): what came before it is seen
            try {
                work();
            } catch (...) {
                // Out of memory at worst; the next wake tries again rather than end the program.
            }
        }
    });
}

void WakeableThread::stop()
{
    if (!thread_.joinable())
        return;
    stop_.store(true);
    post();
    thread_.join();
}

} // namespace engine
