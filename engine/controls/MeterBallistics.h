#pragma once
// What a level meter shows over time, apart from drawing: the falling bar, the peak hold and
// the clip mark. Times are milliseconds of any steady clock, passed in so that tests can drive
// it by hand.
#include <cstdint>

class MeterBallistics {
public:
    static constexpr int FullScale = 32767;
    static constexpr double FloorDb = -60.0;       // bottom of the scale
    static constexpr double BarFallDbPerSec = 36;  // the bar sinks this fast after a drop
    static constexpr int PeakHoldMs = 1500;        // the peak mark stays this long...
    static constexpr double PeakFallDbPerSec = 24; // ...then sinks this fast
    static constexpr int ClipHoldMs = 3000;        // the clip mark stays lit this long

    // Linear 0..32767 to dBFS; 0 and below give -infinity as a very low number.
    static double toDb(int value);
    // dBFS to the position on the scale, 0 (floor) .. 1 (0 dBFS); more room near the top.
    static double scalePosition(double db);

    // A new reading at time now (clamped to 0..32767; returns the clamped value).
    int feed(int value, std::int64_t now);
    // Forgets the peak and the clip mark (the user clicked the meter).
    void resetHolds();

    double barDb(std::int64_t now) const;   // level of the bar
    double peakDb(std::int64_t now) const;  // level of the peak mark
    bool clipLit(std::int64_t now) const;
    // True once nothing shown will change any more without a new reading: the bar and the
    // peak mark rest on the last reading and the clip mark is out.
    bool settled(std::int64_t now) const;

private:
    double barFallen(std::int64_t now) const;
    double peakFallen(std::int64_t now) const;

    double current_ = -1000;   // the last reading
    double barFrom_ = -1000;   // level when the bar started to fall
    std::int64_t barAt_ = 0;
    double peak_ = -1000;      // held peak level
    std::int64_t peakAt_ = 0;  // when it was set
    std::int64_t clipAt_ = 0;
    bool clipped_ = false;
};
