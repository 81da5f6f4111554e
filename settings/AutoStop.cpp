#include "settings/AutoStop.h"

#include <algorithm>
#include <limits>

int ElapsedSeconds(qint64 recordedMs)
{
    // The display holds at most an int of milliseconds.
    const qint64 ms = std::clamp<qint64>(recordedMs, 0, std::numeric_limits<int>::max());
    return int(ms / 1000);
}

bool LimitReached(int elapsed, const TRecordingSettings& s)
{
    return s.TimeLimit > 0 && elapsed >= s.TimeLimit;
}

bool SplitActive(const TRecordingSettings& s)
{
    return s.SplitEnabled && s.SplitLength > 0;
}

bool SplitDue(int elapsed, const TRecordingSettings& s)
{
    // 64-bit difference: an offset near the limits of int must not wrap into a false cut.
    return SplitActive(s) && qint64(elapsed) - s.SplitOffset >= s.SplitLength;
}
