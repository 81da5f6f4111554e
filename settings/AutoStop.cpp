#include "settings/AutoStop.h"

#include "app/Unit1.h"
#include "engine/controls/TNCTTimeDisplay2.h"

int ElapsedSeconds(const TNCTTimeDisplay2& display)
{
    return display.Hours() * 3600 + display.Minutes() * 60 + display.Seconds();
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

void RunAutoStopTests(TForm1& form)
{
    if (!form.NCTTimeDisplay1)
        return;
    if (RecordingSettings.TimeLimit > 0 && LimitReached(ElapsedSeconds(*form.NCTTimeDisplay1)))
        form.StopRecording();
    // StopRecording zeroes the display and SplitOffset, so a stop is never followed by a cut.
    if (SplitActive() && SplitDue(ElapsedSeconds(*form.NCTTimeDisplay1)))
        form.SplitRecording();
}
