#pragma once
// The automatic stop and the cutting of a recording into pieces, as tested at every timer tick
// of a running recording. Both work on the whole seconds of recorded time that the time display
// shows; these are pure functions of that time and the settings values.
//
// A tick runs, in this order (a stop zeroes SplitOffset, so a stop is never followed by a cut):
//   if (LimitReached(elapsed, settings)) stop;
//   else if (SplitDue(elapsed, settings)) cut;
#include "settings/RecordingSettings.h"
#include <QtGlobal>

// The whole seconds a time display shows for `recordedMs` milliseconds (negative shows 0).
int ElapsedSeconds(qint64 recordedMs);

// Hours * 3600 + Minutes * 60 + Seconds of a display that shows them.
template <class TimeDisplay>
    requires requires(const TimeDisplay& d) { d.Hours() + d.Minutes() + d.Seconds(); }
int ElapsedSeconds(const TimeDisplay& display)
{
    return display.Hours() * 3600 + display.Minutes() * 60 + display.Seconds();
}

// A limit is in effect (TimeLimit > 0) and the elapsed time has reached it.
bool LimitReached(int elapsed, const TRecordingSettings& s);

// Cutting is on (SplitEnabled and SplitLength > 0).
bool SplitActive(const TRecordingSettings& s);

// Cutting is on and the current piece (elapsed - SplitOffset) has reached SplitLength.
bool SplitDue(int elapsed, const TRecordingSettings& s);
