#pragma once
// The settings of recordings that start and stop by themselves (section [trigger] of
// setup.ini) as a recording uses them, and the clock times they name.
#include "settings/RecordingSettings.h"

#include <QDateTime>
#include <QString>
#include <QTime>

struct TriggerOptions {
    static constexpr int DefaultLevelDb = -40;
    static constexpr int MinLevelDb = -60;
    static constexpr int MaxLevelDb = 0;
    static constexpr int DefaultPrerollSeconds = 2;
    static constexpr int MaxPrerollSeconds = 30;
    static constexpr int MaxSilenceSeconds = 24 * 3600;

    bool sound = false;                   // the record command arms; sound starts the recording
    int levelDb = DefaultLevelDb;         // the threshold, dBFS
    int prerollSeconds = DefaultPrerollSeconds;
    int silenceSeconds = 0;               // below the threshold this long acts; 0: never
    bool pauseOnSilence = false;          // pause until sound returns instead of stopping
    QTime start;                          // invalid: none
    QTime stop;                           // invalid: none

    // The level matters: a threshold to show and a gate that listens.
    bool watchesLevel() const { return sound || silenceSeconds > 0; }
};

// The options of the record; a value outside its range counts as its default.
TriggerOptions TriggerOptionsOf(const TRecordingSettings& s);

// The values of onsilence.
inline constexpr const char* kOnSilenceStop = "stop";
inline constexpr const char* kOnSilencePause = "pause";
bool IsOnSilenceText(const QString& text);

// "HH:MM" or "HH:MM:SS" (hours of one or two digits, blanks around allowed); an invalid time
// for anything else. The empty text is valid as a setting (no time) but gives no time.
QTime ParseClockTime(const QString& text);
bool IsClockTimeSetting(const QString& text);   // empty, or a clock time
// The form the settings keep and the window shows: "HH:MM:SS".
QString ClockTimeText(const QTime& time);
// The first moment after `after` at which the local clock shows `time`: later today, or
// tomorrow when today's has come.
QDateTime NextClockTime(const QTime& time, const QDateTime& after);
