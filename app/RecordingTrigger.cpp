#include "app/RecordingTrigger.h"

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// The first frame of [from, to) with a sample at or above the threshold; `to` when none.
int firstLoud(const float* data, int channels, int from, int to, float threshold)
{
    for (int f = from; f < to; ++f) {
        const float* frame = data + static_cast<std::ptrdiff_t>(f) * channels;
        for (int c = 0; c < channels; ++c) {
            if (std::fabs(frame[c]) >= threshold)
                return f;
        }
    }
    return to;
}

} // namespace

float ThresholdOf(double levelDb)
{
    return static_cast<float>(std::pow(10.0, levelDb / 20.0));
}

SoundGate::SoundGate(QObject* parent) : QObject(parent) {}

SoundGate::~SoundGate() = default;

void SoundGate::setReceiver(RecordBlockReceiver* receiver)
{
    std::lock_guard lock(m_);
    receiver_ = receiver;
}

void SoundGate::configure(const Options& options, int channels)
{
    channels = std::max(channels, 1);
    const std::size_t size =
        static_cast<std::size_t>(std::max(options.prerollFrames, 0)) * static_cast<std::size_t>(channels);
    {
        std::lock_guard lock(m_);
        if (channels == channels_ && ring_.size() == size) {
            options_ = options;
            return;
        }
    }
    // Made and freed outside the lock: blocks may be flowing meanwhile.
    std::vector<float> ring(size);
    {
        std::lock_guard lock(m_);
        options_ = options;
        ring_.swap(ring);
        channels_ = channels;
        ringHead_ = 0;
        ringFrames_ = 0;
    }
}

void SoundGate::setMode(Mode mode)
{
    std::lock_guard lock(m_);
    mode_ = mode;
    belowFor_ = 0;
    ringHead_ = 0;
    ringFrames_ = 0;
}

void SoundGate::open()
{
    std::lock_guard lock(m_);
    if (mode_ == Mode::Pass)
        return;
    if (mode_ == Mode::Wait)
        releasePreroll();
    mode_ = Mode::Pass;
    belowFor_ = 0;
}

SoundGate::Mode SoundGate::mode() const
{
    std::lock_guard lock(m_);
    return mode_;
}

SoundGate::Count SoundGate::count() const
{
    std::lock_guard lock(m_);
    return count_;
}

void SoundGate::blockReady(SampleArray block)
{
    std::lock_guard lock(m_);
    count_.seen += block.frames();
    process(block);
}

// m_ held. Walks the block once: waiting frames go into the ring until one is loud, passing
// frames go on until the hold runs out.
void SoundGate::process(SampleArray& block)
{
    const int n = block.frames();
    const int ch = block.channels();
    if (ch != channels_) {
        // Another format than the ring was made for: no pre-roll can be kept of it.
        ringFrames_ = 0;
    }
    const float* data = block.data();
    int pos = 0;
    while (pos < n) {
        switch (mode_) {
        case Mode::Closed:
            return;
        case Mode::Wait: {
            const int loud = firstLoud(data, ch, pos, n, options_.threshold);
            if (ch == channels_)
                keep(data + static_cast<std::ptrdiff_t>(pos) * ch, loud - pos);
            if (loud == n)
                return;
            releasePreroll();
            mode_ = Mode::Pass;
            belowFor_ = 0;
            pos = loud;
            announce();
            break;
        }
        case Mode::Pass: {
            if (options_.holdFrames <= 0) {
                pass(block, pos, n);
                return;
            }
            // The frame at which the frames below the threshold reach the hold time.
            int end = n;
            qint64 below = belowFor_;
            int f = pos;
            while (f < n) {
                const int loud = firstLoud(data, ch, f, n, options_.threshold);
                const qint64 quiet = loud - f;
                if (below + quiet >= options_.holdFrames) {
                    end = f + static_cast<int>(options_.holdFrames - below);
                    below = options_.holdFrames;
                    break;
                }
                if (loud == n) {
                    below += quiet;
                    f = n;
                    break;
                }
                below = 0;
                f = loud + 1;
            }
            pass(block, pos, end);
            belowFor_ = below;
            if (end == n && belowFor_ < options_.holdFrames)
                return;
            // The silence has lasted the hold time: the gate closes after this frame.
            mode_ = options_.pauseOnSilence ? Mode::Wait : Mode::Closed;
            belowFor_ = 0;
            ringHead_ = 0;
            ringFrames_ = 0;
            pos = end;
            announce();
            break;
        }
        }
    }
}

// m_ held. Frames [from, to) of the block go on: the whole block as it is, a part as a copy.
void SoundGate::pass(SampleArray& block, int from, int to)
{
    if (to <= from)
        return;
    const int ch = block.channels();
    count_.passed += to - from;
    if (!receiver_)
        return;
    if (from == 0 && to == block.frames()) {
        receiver_->blockReady(std::move(block));
        return;
    }
    const float* begin = block.data() + static_cast<std::ptrdiff_t>(from) * ch;
    receiver_->blockReady(SampleArray(ch, std::vector<float>(begin, begin + static_cast<std::ptrdiff_t>(to - from) * ch)));
}

// m_ held. The newest frames of the ring make room for `count` more (only the last
// ring-size of them stay when there are more).
void SoundGate::keep(const float* frames, int count)
{
    const int capacity = channels_ > 0 ? static_cast<int>(ring_.size()) / channels_ : 0;
    if (capacity <= 0 || count <= 0)
        return;
    if (count > capacity) {
        frames += static_cast<std::ptrdiff_t>(count - capacity) * channels_;
        count = capacity;
    }
    int head = ringHead_;
    int left = count;
    while (left > 0) {
        const int n = std::min(left, capacity - head);
        std::memcpy(ring_.data() + static_cast<std::ptrdiff_t>(head) * channels_, frames,
                    sizeof(float) * static_cast<std::size_t>(n) * static_cast<std::size_t>(channels_));
        frames += static_cast<std::ptrdiff_t>(n) * channels_;
        head = (head + n) % capacity;
        left -= n;
    }
    ringHead_ = head;
    ringFrames_ = std::min(capacity, ringFrames_ + count);
}

// m_ held. The ring's frames go on, oldest first, as one block; the ring is emptied.
void SoundGate::releasePreroll()
{
    const int frames = std::min(ringFrames_, options_.prerollFrames);
    ringFrames_ = 0;
    if (frames <= 0)
        return;
    const int capacity = static_cast<int>(ring_.size()) / channels_;
    std::vector<float> out(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels_));
    int from = (ringHead_ - frames + capacity) % capacity;
    float* to = out.data();
    int left = frames;
    while (left > 0) {
        const int n = std::min(left, capacity - from);
        std::memcpy(to, ring_.data() + static_cast<std::ptrdiff_t>(from) * channels_,
                    sizeof(float) * static_cast<std::size_t>(n) * static_cast<std::size_t>(channels_));
        to += static_cast<std::ptrdiff_t>(n) * channels_;
        from = (from + n) % capacity;
        left -= n;
    }
    ringHead_ = 0;
    count_.passed += frames;
    if (receiver_)
        receiver_->blockReady(SampleArray(channels_, std::move(out)));
}

// m_ held: the owner hears of the change on its own thread.
void SoundGate::announce()
{
    QMetaObject::invokeMethod(this, &SoundGate::changed, Qt::QueuedConnection);
}
