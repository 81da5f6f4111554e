#pragma once
// Capture sinks, playback sources and signal checks for the device tests.
#include "engine/AudioBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMutex>
#include <QString>
#include <QThread>
#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <numbers>
#include <thread>
#include <vector>

namespace devtest {

// The test program's application object, made on first use.
inline QCoreApplication* app()
{
    static int argc = 1;
    static char name[] = "test_integration_devices";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* a = QCoreApplication::instance() ? QCoreApplication::instance()
                                                              : new QCoreApplication(argc, argv);
    return a;
}

inline void runEventsFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// The first of the devices 0..last that nameOf calls `wanted`, -1 when none is.
inline int indexOf(int last, const std::function<QString(int)>& nameOf, const QString& wanted)
{
    for (int i = 0; i <= last; ++i)
        if (nameOf(i) == wanted)
            return i;
    return -1;
}

class RecordingSink : public CaptureSink {
public:
    RecordingSink(int channels, int capacityFrames)
        : channels_(channels), data_(static_cast<std::size_t>(capacityFrames) * channels) {}

    void captured(const float* x, int frames) noexcept override
    {
        if (stallOnceSeconds > 0 && calls > 5) {
            // Deliberately falls behind once, as a stalled program would.
            const double s = stallOnceSeconds;
            stallOnceSeconds = 0;
            std::this_thread::sleep_for(std::chrono::duration<double>(s));
        }
        const int k = calls.load(std::memory_order_relaxed);
        if (k < MaxMarks) {
            markTime_[k] = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
            markFrames_[k] = total.load(std::memory_order_relaxed) + frames;
            marks_.store(k + 1, std::memory_order_release);
        }
        const long long have = frames_.load(std::memory_order_relaxed);
        const long long room = static_cast<long long>(data_.size() / channels_) - have;
        const long long n = std::max(0LL, std::min<long long>(frames, room));
        std::copy(x, x + n * channels_, data_.begin() + have * channels_);
        frames_.store(have + n, std::memory_order_release);
        total += frames;
        ++calls;
    }
    void overflowed(int frames) noexcept override
    {
        ++overflowCalls;
        overflowFrames += frames;
    }
    void deviceLost(const QString& reason) noexcept override
    {
        QMutexLocker lock(&mutex_);
        lostReason_ = reason;
        lost = true;
    }

    QString lostReason() const
    {
        QMutexLocker lock(&mutex_);
        return lostReason_;
    }
    long long frames() const { return frames_.load(std::memory_order_acquire); }
    // Frames per second delivered from `skipSeconds` after the first callback to the last one
    // (the start of a stream may come in a lump while the server settles).
    double deliveryRate(double skipSeconds = 0.5) const
    {
        // Least squares over all callbacks after the skip: callbacks that come in pairs do not
        // bias it the way two end points would.
        const int n = marks_.load(std::memory_order_acquire);
        int from = 0;
        while (from < n && markTime_[from] < markTime_[0] + skipSeconds)
            ++from;
        const int count = n - from;
        if (count < 3)
            return 0;
        double st = 0, sf = 0, stt = 0, stf = 0;
        for (int i = from; i < n; ++i) {
            const double t = markTime_[i] - markTime_[from];
            const double f = static_cast<double>(markFrames_[i] - markFrames_[from]);
            st += t; sf += f; stt += t * t; stf += t * f;
        }
        const double denom = count * stt - st * st;
        return denom > 0 ? (count * stf - st * sf) / denom : 0;
    }
    // Seconds from the first callback to the last.
    double deliverySpan() const
    {
        const int n = marks_.load(std::memory_order_acquire);
        return n > 1 ? markTime_[n - 1] - markTime_[0] : 0;
    }
    int channels() const { return channels_; }
    // One channel of what was kept.
    std::vector<float> channel(int c) const
    {
        std::vector<float> out(static_cast<std::size_t>(frames()));
        for (std::size_t i = 0; i < out.size(); ++i)
            out[i] = data_[i * channels_ + c];
        return out;
    }

    std::atomic<long long> total{0};
    std::atomic<int> calls{0};
    std::atomic<int> overflowCalls{0};
    std::atomic<long long> overflowFrames{0};
    std::atomic<bool> lost{false};
    double stallOnceSeconds = 0;

private:
    static constexpr int MaxMarks = 8192;
    int channels_;
    std::vector<float> data_;
    std::vector<double> markTime_ = std::vector<double>(MaxMarks);
    std::vector<long long> markFrames_ = std::vector<long long>(MaxMarks);
    std::atomic<int> marks_{0};
    std::atomic<long long> frames_{0};
    mutable QMutex mutex_;
    QString lostReason_;
};

class ToneSource : public PlaybackSource {
public:
    ToneSource(double hz, double rate, int channels, double amplitude = 0.5)
        : step_(2 * std::numbers::pi * hz / rate), channels_(channels), amplitude_(amplitude) {}

    int render(float* out, int frames) noexcept override
    {
        for (int i = 0; i < frames; ++i) {
            const float v = static_cast<float>(amplitude_ * std::sin(phase_));
            phase_ += step_;
            if (phase_ > 2 * std::numbers::pi)
                phase_ -= 2 * std::numbers::pi;
            for (int c = 0; c < channels_; ++c)
                *out++ = v;
        }
        rendered += frames;
        return frames;
    }
    void deviceLost(const QString&) noexcept override { lost = true; }

    std::atomic<long long> rendered{0};
    std::atomic<bool> lost{false};

private:
    double step_;
    double phase_ = 0;
    int channels_;
    double amplitude_;
};

// Plays a signal that tells, frame by frame, which frame it is: the left channel a slow ramp
// (one rise per CoarsePeriod frames), the right a fast one (FinePeriod). Together they give the
// index of every recorded frame to about one frame, so lost or repeated frames can be counted.
class RampSource : public PlaybackSource {
public:
    static constexpr long long CoarsePeriod = 44100LL * 30;
    static constexpr long long FinePeriod = 2048;
    int render(float* out, int frames) noexcept override
    {
        for (int i = 0; i < frames; ++i, ++next_) {
            *out++ = static_cast<float>(0.9 * static_cast<double>(next_ % CoarsePeriod) / CoarsePeriod);
            *out++ = static_cast<float>(0.9 * static_cast<double>(next_ % FinePeriod) / FinePeriod);
        }
        return frames;
    }
    void deviceLost(const QString&) noexcept override {}

private:
    long long next_ = 0;
};

struct RampCheck {
    long long frames = 0;      // frames of the ramp recorded
    long long silent = 0;      // silent frames inside it (the player ran late: not a capture loss)
    long long lost = 0;        // frames missing between them
    long long repeated = 0;    // frames that went backwards
    int gaps = 0;              // places where frames were missing
};

// Decodes a stereo recording of RampSource (between its first and last frame of signal).
inline RampCheck checkRamp(const RecordingSink& sink)
{
    RampCheck r;
    const auto left = sink.channel(0);
    const auto right = sink.channel(1);
    const long long n = static_cast<long long>(left.size());
    long long first = 0, last = n - 1;
    while (first < n && left[static_cast<std::size_t>(first)] == 0.0f && right[static_cast<std::size_t>(first)] == 0.0f)
        ++first;
    while (last > first && left[static_cast<std::size_t>(last)] < 1e-4f)
        --last;
    long long previous = -1;
    for (long long i = first; i <= last; ++i) {
        if (left[static_cast<std::size_t>(i)] == 0.0f && right[static_cast<std::size_t>(i)] == 0.0f) {
            // The sink played silence because the playing side fell behind (a busy machine);
            // the ramp goes on where it stopped afterwards. Capture losses never look like this.
            ++r.silent;
            continue;
        }
        const double coarse = left[static_cast<std::size_t>(i)] / 0.9 * RampSource::CoarsePeriod;
        const double fine = right[static_cast<std::size_t>(i)] / 0.9 * RampSource::FinePeriod;
        const long long index = std::llround(fine + RampSource::FinePeriod * std::round((coarse - fine) / RampSource::FinePeriod));
        if (previous >= 0) {
            const long long step = index - previous;
            if (step > 16) {   // (decoding is good to a few frames)
                r.lost += step - 1;
                ++r.gaps;
            } else if (step < 0) {
                r.repeated += -step;
            }
        }
        previous = index;
        ++r.frames;
    }
    return r;
}

// Index of the device called `name` in a list, -1 when missing.
inline int deviceNamed(const QList<AudioDeviceInfo>& list, const QString& name)
{
    for (int i = 0; i < list.size(); ++i)
        if (list[i].name == name)
            return i;
    return -1;
}

struct ToneCheck {
    int start = -1;          // first loud sample
    int end = -1;            // last loud sample
    double hz = 0;           // from zero crossings between them
    double rms = 0;
    int longestQuiet = 0;    // longest run of near silence between start and end
    double worstJump = 0;    // largest departure from a continuing sine, relative to amplitude
};

// Looks at a recorded tone: where it is, its frequency, and whether it runs without a gap.
inline ToneCheck analyseTone(const std::vector<float>& x, double rate, double expectHz)
{
    ToneCheck r;
    const float loud = 0.02f;
    for (int i = 0; i < static_cast<int>(x.size()); ++i)
        if (std::fabs(x[static_cast<std::size_t>(i)]) > loud) {
            if (r.start < 0)
                r.start = i;
            r.end = i;
        }
    if (r.start < 0 || r.end - r.start < rate * 0.1)
        return r;
    // Trim 20 ms at both ends (fades of the stream start and stop).
    const int a = r.start + static_cast<int>(rate * 0.02);
    const int b = r.end - static_cast<int>(rate * 0.02);
    int crossings = 0, first = -1, last = -1, quiet = 0;
    double sum = 0;
    for (int i = a; i < b; ++i) {
        const float v = x[static_cast<std::size_t>(i)];
        sum += static_cast<double>(v) * v;
        if (x[static_cast<std::size_t>(i - 1)] < 0 && v >= 0) {
            if (first < 0)
                first = i;
            last = i;
            ++crossings;
        }
        quiet = std::fabs(v) < 0.002f ? quiet + 1 : 0;
        r.longestQuiet = std::max(r.longestQuiet, quiet);
    }
    r.rms = std::sqrt(sum / (b - a));
    if (crossings > 1)
        r.hz = (crossings - 1) * rate / (last - first);
    // A sine obeys x[n] = 2 cos(w) x[n-1] - x[n-2]; a dropped or doubled piece breaks it.
    const double c = 2 * std::cos(2 * std::numbers::pi * expectHz / rate);
    const double amplitude = r.rms * std::sqrt(2.0);
    for (int i = a + 2; i < b; ++i) {
        const double predicted = c * x[static_cast<std::size_t>(i - 1)] - x[static_cast<std::size_t>(i - 2)];
        r.worstJump = std::max(r.worstJump, std::fabs(x[static_cast<std::size_t>(i)] - predicted) / amplitude);
    }
    return r;
}

} // namespace devtest
