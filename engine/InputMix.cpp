#include "engine/InputMix.h"

#include "engine/backends/VariableResampler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace engine {

namespace {
constexpr int ScratchFrames = 4096;
constexpr double SmoothingSeconds = 2.0;
constexpr double Proportional = 0.2;       // per second of alignment error
constexpr double Integral = 0.01;          // per second squared; damped critically with the above
constexpr double MaxIntegral = 0.01;       // clocks up to 1 % apart
constexpr double MaxCorrection = 0.02;
constexpr double RealignSeconds = 0.5;     // an error this large is a jump, not a drift
// At the start the devices' word on their delays may take seconds to settle (a sink that works
// in large blocks); until the place it gives the second input has held still this long, to
// within SteadyToleranceSeconds, the first input is held back further, up to SettleSeconds.
constexpr double SteadySeconds = 1.0;
constexpr double SteadyToleranceSeconds = 0.003;
constexpr double SettleSeconds = 3.0;
constexpr double AttackSeconds = 0.005;
constexpr double ReleaseSeconds = 0.2;
} // namespace

InputMix::InputMix(const Options& options)
    : options_(options), channels_(std::max(1, options.channels)),
      holdFrames_(std::llround(std::max(0.0, options.holdSeconds) * options.rate)),
      settleFrames_(std::max(holdFrames_, std::llround(SettleSeconds * options.rate))),
      resampler_(std::make_unique<VariableResampler>(channels_))
{
    const auto queueFrames = static_cast<std::size_t>(std::max(1.0, options.queueSeconds * options.rate));
    secondQueue_.reset(queueFrames * static_cast<std::size_t>(channels_));
    input_.assign(static_cast<std::size_t>(ScratchFrames) * channels_, 0.0f);
    held_.reserve(static_cast<std::size_t>(settleFrames_ + options.rate) * channels_);
    reset();
}

InputMix::~InputMix() = default;

void InputMix::reset()
{
    secondQueue_.clear();
    secondEnded_.store(false);
    resampler_->reset();
    held_.clear();
    inputFrames_ = 0;
    firstOut_ = 0;
    secondAt_ = 0;
    silenceDue_ = 0;
    skipDue_ = 0;
    aligned_ = false;
    settled_ = false;
    steadyFrom_ = 0;
    drained_ = false;
    smoothed_ = 0;
    integral_ = 0;
    gain_ = 1.0;
    ratio_.store(1.0);
    alignmentMs_.store(0.0);
    secondLost_.store(0);
    secondLate_.store(0);
    limited_.store(0);
}

// ---- the second input -----------------------------------------------------------------------

void InputMix::addSecond(const float* frames, int count) noexcept
{
    if (count <= 0)
        return;
    const std::size_t samples = static_cast<std::size_t>(count) * static_cast<std::size_t>(channels_);
    const std::size_t written = secondQueue_.write(frames, samples);
    if (written < samples)
        secondLost_.fetch_add(static_cast<qint64>((samples - written) / static_cast<std::size_t>(channels_)));
}

void InputMix::addSecondGap(qint64 frames) noexcept
{
    static const float zeros[1024] = {};
    const std::size_t per = std::size(zeros) / static_cast<std::size_t>(channels_);
    while (frames > 0) {
        const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(frames), per);
        const std::size_t samples = n * static_cast<std::size_t>(channels_);
        const std::size_t written = secondQueue_.write(zeros, samples);
        frames -= static_cast<qint64>(n);
        if (written < samples) {
            secondLost_.fetch_add(static_cast<qint64>((samples - written) / static_cast<std::size_t>(channels_)) + frames);
            return;
        }
    }
}

// ---- the first input --------------------------------------------------------------------------

int InputMix::addFirst(const float* frames, int count, qint64 firstPosition, qint64 secondPosition,
                       std::vector<float>& out)
{
    out.clear();
    if (count > 0)
        held_.insert(held_.end(), frames, frames + static_cast<std::ptrdiff_t>(count) * channels_);
    control(firstPosition, secondPosition, std::max(count, 0));
    if (!settled_)
        return 0;
    const qint64 heldFrames = static_cast<qint64>(held_.size()) / channels_;
    const qint64 ready = heldFrames - holdFrames_;
    return ready > 0 ? mixOut(static_cast<int>(ready), out) : 0;
}

int InputMix::finish(std::vector<float>& out)
{
    out.clear();
    secondEnded_.store(true);
    return mixOut(static_cast<int>(held_.size() / static_cast<std::size_t>(channels_)), out);
}

// Where the second input's next frame should come from, against where it does: the frame of
// the first input that goes out next was captured (firstPosition - firstOut_) frames ago; the
// second input's frame of that moment is as many frames before its own position.
void InputMix::control(qint64 firstPosition, qint64 secondPosition, int frames)
{
    if (secondEnded_.load()) {
        settled_ = true;
        return;   // nothing more comes to be put in place
    }
    const double rate = options_.rate;
    const qint64 wanted = firstOut_ + (secondPosition - firstPosition);
    const double next = secondAt_ - static_cast<double>(silenceDue_ - skipDue_);
    qint64 behind = std::llround(static_cast<double>(wanted) - next);
    if (!settled_) {
        // Nothing has gone out: placed afresh at each word from the devices, at no cost.
        const qint64 held = static_cast<qint64>(held_.size()) / channels_;
        if (!aligned_ || std::abs(static_cast<double>(behind)) > SteadyToleranceSeconds * rate)
            steadyFrom_ = held;
        settled_ = held >= holdFrames_ && (held - steadyFrom_ >= std::llround(SteadySeconds * rate) || held >= settleFrames_);
    }
    if (!aligned_ || firstOut_ == 0 || std::abs(static_cast<double>(behind)) > RealignSeconds * rate) {
        // The start, or a jump: the second input is put in place at once. What it skips once
        // frames have gone out is lost, the silence put in is late.
        const bool running = aligned_ && firstOut_ > 0;
        if (behind > 0) {
            const qint64 cancel = std::min(silenceDue_, behind);
            silenceDue_ -= cancel;
            behind -= cancel;
            skipDue_ += behind;
            if (running)
                secondLost_.fetch_add(behind);
        } else if (behind < 0) {
            const qint64 cancel = std::min(skipDue_, -behind);
            skipDue_ -= cancel;
            behind += cancel;
            silenceDue_ += -behind;
            if (running)
                secondLate_.fetch_add(-behind);
        }
        aligned_ = true;
        smoothed_ = 0;
        alignmentMs_.store(0.0);
        return;
    }
    const double dt = frames / rate;
    smoothed_ += (static_cast<double>(behind) / rate - smoothed_) * std::min(1.0, dt / SmoothingSeconds);
    integral_ = std::clamp(integral_ + Integral * smoothed_ * dt, -MaxIntegral, MaxIntegral);
    const double correction = std::clamp(Proportional * smoothed_ + integral_, -MaxCorrection, MaxCorrection);
    // Behind: more of the second input for each frame out.
    ratio_.store(1.0 / (1.0 + correction));
    alignmentMs_.store(smoothed_ * 1000.0);
}

// The second input's next `frames` frames on the first input's timeline.
void InputMix::pullSecond(float* out, int frames)
{
    const int ch = channels_;
    int made = 0;
    if (silenceDue_ > 0) {
        const int n = static_cast<int>(std::min<qint64>(silenceDue_, frames));
        std::fill(out, out + static_cast<std::ptrdiff_t>(n) * ch, 0.0f);
        silenceDue_ -= n;
        made = n;
    }
    while (skipDue_ > 0) {
        if (inputFrames_ > 0) {
            const int n = static_cast<int>(std::min<qint64>(skipDue_, inputFrames_));
            std::memmove(input_.data(), input_.data() + static_cast<std::ptrdiff_t>(n) * ch,
                         static_cast<std::size_t>(inputFrames_ - n) * ch * sizeof(float));
            inputFrames_ -= n;
            skipDue_ -= n;
            secondAt_ += n;
            continue;
        }
        const std::size_t want = static_cast<std::size_t>(std::min<qint64>(skipDue_, ScratchFrames)) * ch;
        const int n = static_cast<int>(secondQueue_.read(input_.data(), want) / static_cast<std::size_t>(ch));
        if (n == 0)
            break;
        skipDue_ -= n;
        secondAt_ += n;
    }
    const double ratio = ratio_.load();
    while (made < frames && skipDue_ == 0) {
        if (inputFrames_ < ScratchFrames) {
            const std::size_t room = static_cast<std::size_t>(ScratchFrames - inputFrames_) * ch;
            inputFrames_ += static_cast<int>(
                secondQueue_.read(input_.data() + static_cast<std::ptrdiff_t>(inputFrames_) * ch, room)
                / static_cast<std::size_t>(ch));
        }
        if (inputFrames_ == 0 && secondEnded_.load() && !drained_) {
            // The converter holds the last frames back until it sees what follows them.
            drained_ = true;
            const int pad = std::min(ScratchFrames, options_.rate / 20);
            std::fill(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(pad) * ch, 0.0f);
            inputFrames_ = pad;
        }
        if (inputFrames_ == 0)
            break;
        const auto r = resampler_->convert(input_.data(), inputFrames_, out + static_cast<std::ptrdiff_t>(made) * ch,
                                           frames - made, ratio);
        if (r.used > 0) {
            std::memmove(input_.data(), input_.data() + static_cast<std::ptrdiff_t>(r.used) * ch,
                         static_cast<std::size_t>(inputFrames_ - r.used) * ch * sizeof(float));
            inputFrames_ -= r.used;
        }
        // The converter takes input ahead of what it has made: where the output is on the
        // second input's timeline follows from the frames made.
        secondAt_ += r.made / ratio;
        made += r.made;
        if (r.used == 0 && r.made == 0)
            break;
    }
    if (made < frames) {
        // Not there in time: silence in its place, and the frames it stands for are passed
        // over when they come, so that what follows stays in place.
        const int missing = frames - made;
        std::fill(out + static_cast<std::ptrdiff_t>(made) * ch, out + static_cast<std::ptrdiff_t>(frames) * ch, 0.0f);
        if (!secondEnded_.load()) {
            secondLate_.fetch_add(missing);
            skipDue_ += missing;
        }
    }
}

int InputMix::mixOut(int frames, std::vector<float>& out)
{
    if (frames <= 0)
        return 0;
    const int ch = channels_;
    const std::size_t samples = static_cast<std::size_t>(frames) * ch;
    second_.resize(samples);
    pullSecond(second_.data(), frames);
    out.resize(samples);
    const float* a = held_.data();
    const float* b = second_.data();
    float* o = out.data();
    const bool split = options_.layout == InputLayout::Split && ch >= 2;
    if (split) {
        const float scale = 1.0f / static_cast<float>(ch);
        for (int f = 0; f < frames; ++f) {
            float first = 0, second = 0;
            for (int c = 0; c < ch; ++c) {
                first += a[c];
                second += b[c];
            }
            o[0] = first * scale;
            o[1] = second * scale;
            for (int c = 2; c < ch; ++c)
                o[c] = 0.0f;
            a += ch;
            b += ch;
            o += ch;
        }
    } else {
        for (std::size_t i = 0; i < samples; ++i)
            o[i] = a[i] + b[i];
        limit(out.data(), frames);
    }
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(samples));
    firstOut_ += frames;
    return frames;
}

// Lowers the gain where the sum passes full scale: ramps down over up to AttackSeconds to reach
// the gain the peak needs exactly at the peak, and back up with ReleaseSeconds.
void InputMix::limit(float* frames, int count)
{
    const int ch = channels_;
    const double rate = options_.rate;
    const double attackStep = 1.0 / std::max(1.0, AttackSeconds * rate);
    const double release = 1.0 - std::exp(-1.0 / (ReleaseSeconds * rate));
    // Going backwards: the most each frame may have so that no later peak (within the ramp)
    // passes full scale. Stored in the scratch of the second input, which is used up.
    std::vector<float>& needed = second_;
    needed.resize(static_cast<std::size_t>(count));
    bool any = gain_ < 1.0;
    double next = 1.0;
    for (int f = count - 1; f >= 0; --f) {
        float peak = 0.0f;
        const float* p = frames + static_cast<std::ptrdiff_t>(f) * ch;
        for (int c = 0; c < ch; ++c)
            peak = std::max(peak, std::abs(p[c]));
        const double required = peak > 1.0f ? 1.0 / peak : 1.0;
        next = std::min(required, next + attackStep);
        needed[static_cast<std::size_t>(f)] = static_cast<float>(next);
        any = any || next < 1.0;
    }
    if (!any)
        return;
    qint64 lowered = 0;
    for (int f = 0; f < count; ++f) {
        gain_ = std::min(static_cast<double>(needed[static_cast<std::size_t>(f)]), gain_ + (1.0 - gain_) * release);
        if (gain_ < 0.999999) {
            ++lowered;
            float* p = frames + static_cast<std::ptrdiff_t>(f) * ch;
            const auto g = static_cast<float>(gain_);
            for (int c = 0; c < ch; ++c)
                p[c] = std::clamp(p[c] * g, -1.0f, 1.0f);
        } else {
            gain_ = 1.0;
        }
    }
    limited_.fetch_add(lowered);
}

} // namespace engine


