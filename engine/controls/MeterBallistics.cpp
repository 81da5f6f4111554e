#include "engine/controls/MeterBallistics.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kSilence = -1000.0;
}

double MeterBallistics::toDb(int value)
{
    if (value <= 0)
        return kSilence;
    return 20.0 * std::log10(std::min(value, FullScale) / double(FullScale));
}

double MeterBallistics::scalePosition(double db)
{
    // Piecewise: 0..-20 dB take the upper half, -20..-30 and -30..-40 a fifth and a seventh,
    // the rest below shares what is left.
    if (db >= 0)
        return 1.0;
    if (db <= FloorDb)
        return 0.0;
    if (db >= -20)
        return 0.5 + (db + 20) * 0.025;        // 0.50 .. 1.00
    if (db >= -30)
        return 0.3 + (db + 30) * 0.02;         // 0.30 .. 0.50
    if (db >= -40)
        return 0.15 + (db + 40) * 0.015;       // 0.15 .. 0.30
    if (db >= -50)
        return 0.06 + (db + 50) * 0.009;       // 0.06 .. 0.15
    return (db + 60) * 0.006;                  // 0.00 .. 0.06
}

int MeterBallistics::feed(int value, std::int64_t now)
{
    value = std::clamp(value, 0, FullScale);
    const double db = toDb(value);
    if (db >= barDb(now)) {
        barFrom_ = db;
        barAt_ = now;
    } else if (barFallen(now) < current_) {
        // The bar rested on the last reading: it starts falling from there now.
        barFrom_ = current_;
        barAt_ = now;
    }
    if (db >= peakDb(now)) {
        peak_ = db;
        peakAt_ = now;
    } else if (peakFallen(now) < current_) {
        // The mark rested on the bar: it sinks from there at once, without a new hold.
        peak_ = current_;
        peakAt_ = now - PeakHoldMs;
    }
    current_ = db;
    if (value >= FullScale) {
        clipped_ = true;
        clipAt_ = now;
    }
    return value;
}

void MeterBallistics::resetHolds()
{
    peak_ = current_;
    clipped_ = false;
}

double MeterBallistics::barFallen(std::int64_t now) const
{
    return barFrom_ - BarFallDbPerSec * std::max<std::int64_t>(0, now - barAt_) / 1000.0;
}

double MeterBallistics::peakFallen(std::int64_t now) const
{
    const std::int64_t sinceHold = now - peakAt_ - PeakHoldMs;
    return sinceHold <= 0 ? peak_ : peak_ - PeakFallDbPerSec * sinceHold / 1000.0;
}

double MeterBallistics::barDb(std::int64_t now) const
{
    // The bar falls from its last high, but never below the current reading.
    const double level = std::max(barFallen(now), current_);
    return level < FloorDb ? kSilence : level;
}

double MeterBallistics::peakDb(std::int64_t now) const
{
    // The mark sinks to the bar and rests on it.
    const double level = std::max(peakFallen(now), current_);
    return level < FloorDb ? kSilence : level;
}

bool MeterBallistics::clipLit(std::int64_t now) const
{
    return clipped_ && now - clipAt_ < ClipHoldMs;
}

bool MeterBallistics::settled(std::int64_t now) const
{
    const double rest = current_ < FloorDb ? kSilence : current_;
    return barDb(now) <= rest && peakDb(now) <= rest && !clipLit(now);
}
