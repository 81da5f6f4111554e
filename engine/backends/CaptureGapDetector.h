#pragma once
// Finds audio that a capture stream lost without saying so. PulseAudio drops recorded frames
// silently when a client falls behind; what stays visible is the stream's clock (the capture
// time of each buffer's first frame) running ahead of the frames received. The detector keeps
// the usual shortfall between the two; when the shortfall rises above that level by more than
// a threshold and stays there for a confirmation period, the rise is a gap. Brief spikes of the
// clock (the first buffer after a stall can carry a late time stamp) are not gaps, and the
// usual level follows slowly, so drift between the device's clock and the system clock does not
// read as gaps.
//
// The stream's clock is only trusted once the stream has settled: PulseAudio's latency estimate
// starts far too high (half a second where it soon finds 50 ms) and converges over a second or
// two, which looks exactly like a gap of that size. During the first settleSeconds (wall clock)
// the usual level simply follows. Real-time safe: no allocation, no locks.
#include <algorithm>
#include <cmath>

class CaptureGapDetector {
public:
    // rate: frames per second; threshold: the smallest gap reported (seconds; above the timing
    // jitter of the buffers); confirm: how long a rise must last (seconds of stream time);
    // follow: time constant of the usual level (seconds).
    void start(double rate, double thresholdSeconds = 0.12, double confirmSeconds = 0.5,
               double settleSeconds = 3.0, double followSeconds = 30.0)
    {
        settle_ = settleSeconds;
        rate_ = rate;
        threshold_ = thresholdSeconds * rate;
        confirm_ = confirmSeconds;
        follow_ = followSeconds;
        started_ = false;
        pending_ = false;
        received_ = 0;
        level_ = 0;
        lost_ = 0;
    }

    // A buffer of `frames` frames whose first frame was captured at `time` (seconds, any
    // origin, the stream's clock), delivered at wall-clock time `now` (seconds, any origin).
    // Returns the frames found missing (0 when none).
    long long onBuffer(double time, double now, int frames)
    {
        if (!started_) {
            started_ = true;
            origin_ = time;
            lastTime_ = time;
            firstNow_ = now;
        }
        const double shortfall = (time - origin_) * rate_ - received_;
        received_ += frames;
        const double dt = std::max(0.0, time - lastTime_);
        lastTime_ = time;
        const double rise = shortfall - level_;
        if (now - firstNow_ < settle_) {
            level_ = shortfall;
            pending_ = false;
            return 0;
        }
        if (rise > threshold_) {
            if (!pending_) {
                pending_ = true;
                pendingSince_ = time;
            } else if (time - pendingSince_ >= confirm_) {
                pending_ = false;
                level_ = shortfall;
                const long long gap = std::llround(rise);
                lost_ += gap;
                return gap;
            }
            return 0;
        }
        pending_ = false;
        // Follow the usual level: quickly downwards (the stream settling after its start, a
        // clock running fast), slowly upwards (a clock running slow).
        const double k = std::min(1.0, dt / (rise < 0 ? 1.0 : follow_));
        level_ += rise * k;
        return 0;
    }

    long long lostFrames() const { return lost_; }

private:
    double rate_ = 44100, threshold_ = 0, confirm_ = 0.5, settle_ = 3, follow_ = 30;
    double firstNow_ = 0;
    bool started_ = false;
    bool pending_ = false;
    double pendingSince_ = 0;
    double origin_ = 0, lastTime_ = 0;
    double received_ = 0;
    double level_ = 0;
    long long lost_ = 0;
};
