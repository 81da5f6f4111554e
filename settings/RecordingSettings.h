#pragma once
// The settings record: one instance for the whole process, filled from setup.ini at start-up.
#include <QString>

struct TRecordingSettings {
    QString SavePath;          // folder of new recordings, ending in "/"
    QString SaveFormat = ".mp3";
    int TimeLimit = -1;        // seconds; 0 or less: no limit
    bool SplitEnabled = false;
    int SplitLength = 0;       // seconds per piece
    int SplitOffset = 0;       // seconds recorded in earlier pieces of the running recording
    int Mp3Bitrate = 128;
    int Mp3Frequency = 44100;
    int WavFrequency = 44100;
    int WavChannels = 2;
    int WavBits = 16;
    int WmaProfile = 38;
    int FlacFrequency = 44100;
    int FlacChannels = 2;
    int FlacBits = 16;         // 16 or 24
    int FlacLevel = 5;         // compression level 0..8
    int OpusBitrate = 96;      // kbit/s
    int OpusChannels = 2;
    QString NameTemplate;      // names of new recordings (settings/RecordingNames.h); empty: Untitled<n>
    int TrayIcon = 0;          // 1: an icon in the desktop's tray (app/TrayIcon.h)
    // Recordings that start and stop by themselves ([trigger]; settings/TriggerSettings.h).
    int TriggerSound = 0;      // 1: the record command waits for sound
    int TriggerLevel = -40;    // the threshold, dBFS, -60..0
    int TriggerPreroll = 2;    // seconds kept before the sound, 0..30
    int TriggerSilence = 0;    // seconds below the threshold before acting; 0: never
    QString TriggerOnSilence = QStringLiteral("stop");   // "stop" or "pause"
    QString TriggerStart;      // clock time "HH:MM:SS" of the next start; empty: none
    QString TriggerStop;       // clock time of the stop; empty: none
    // The devices chosen last: the server's name of a source or sink (the device's name where
    // there is no server), "app:<name>" for an application; empty: the default (none for the
    // second input). InputLayout: "mix" or "split".
    QString InputDevice;
    QString SecondInput;
    QString InputLayout = QStringLiteral("mix");
    QString OutputDevice;
};

extern TRecordingSettings RecordingSettings;
