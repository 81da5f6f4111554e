#pragma once
// The automatic stop and the cutting of a recording into pieces, as tested at every timer tick
// of the recorder. Both work on the whole seconds that the time display shows.
//
// The recorder's tick, after it has set the display's Milliseconds, runs in this order:
//   if (RecordingSettings.TimeLimit > 0 && LimitReached(ElapsedSeconds(*NCTTimeDisplay1)))
//       StopRecording();
//   if (SplitActive() && SplitDue(ElapsedSeconds(*NCTTimeDisplay1)))   // read again
//       SplitRecording();
// RunAutoStopTests(form) does exactly that.
#include "settings/RecordingSettings.h"

class TForm1;
class TNCTTimeDisplay2;

// Hours * 3600 + Minutes * 60 + Seconds of the display.
int ElapsedSeconds(const TNCTTimeDisplay2& display);

// A limit is in effect (TimeLimit > 0) and the elapsed time has reached it.
bool LimitReached(int elapsed, const TRecordingSettings& s = RecordingSettings);

// Cutting is on (SplitEnabled and SplitLength > 0).
bool SplitActive(const TRecordingSettings& s = RecordingSettings);

// Cutting is on and the current piece (elapsed - SplitOffset) has reached SplitLength.
bool SplitDue(int elapsed, const TRecordingSettings& s = RecordingSettings);

// The two tests of one recorder tick on the main window: StopRecording, then SplitRecording.
void RunAutoStopTests(TForm1& form);
