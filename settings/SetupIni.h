#pragma once
// setup.ini (platform/ProgramFolder.h says where it lives): its path, the default save folder,
// and the table of its keys: each key with its section, its default, the field of the settings
// record it fills and the moment it is written. Reading at start-up, the settings dialog's
// writes and the single-key reads and writes of the other places all go through that table.
// Every access opens the file by its full path (see platform/Ini.h).
#include "platform/Ini.h"
#include "settings/RecordingSettings.h"
#include <QString>
#include <climits>
#include <span>

QString SetupIniPath();      // Locations().configFolder + "setup.ini"
IniFile SetupIni();
QString DefaultSavePath();   // Locations().saveFolder

enum class SetupKeyId {
    SavePath, SaveFormat, TimeLimit,
    Mp3Bitrate, Mp3Frequency, Mp3Choice,
    WavFrequency, WavChannels, WavBits, WavChoice,
    WmaProfile,
    FlacFrequency, FlacChannels, FlacBits, FlacLevel,
    OpusBitrate, OpusChannels,
    NameTemplate, TrayIcon,
    TipNumber, ShowTip,
    Language,
    TriggerSound, TriggerLevel, TriggerPreroll, TriggerSilence, TriggerOnSilence,
    TriggerStart, TriggerStop,
    InputDevice, SecondInput, InputLayout, OutputDevice,
};

// When the settings dialog's OK writes a key.
enum class SetupWrite {
    Always,      // on every OK
    WithFlac,    // when FLAC is the chosen format
    WithOpus,    // when Opus is the chosen format
    WhenChanged, // when its value differs from the file's (so a file of defaults stays as it was)
    Elsewhere,   // not by the dialog's OK (tips, trigger, devices when chosen; the language when it changes)
};

struct SetupKey {
    SetupKeyId id;
    const char* section;
    const char* key;
    // The field of the settings record the key fills and is written from; both null for a key
    // kept outside the record (the dialog's list positions, the tip keys).
    QString TRecordingSettings::* text;
    int TRecordingSettings::* number;
    int defaultNumber;
    const char* defaultText;   // a text key with a null default: DefaultSavePath()
    SetupWrite write;
    // A value outside these reads as the default (a number outside low..high, a text that
    // `valid` refuses).
    int low = INT_MIN;
    int high = INT_MAX;
    bool (*valid)(const QString& text) = nullptr;
};

// Every key, in the order the settings dialog's OK writes them.
std::span<const SetupKey> SetupKeys();
const SetupKey& SetupKeyOf(SetupKeyId id);

// The default of a text key (the default save folder for savepath).
QString SetupDefaultText(const SetupKey& key);

// The record from the file: every key that has a field, missing or malformed values as their
// defaults.
void ReadSettingsRecord(TRecordingSettings& s);
// One integer key, by itself (missing or malformed: its default), and one written.
int ReadSetupInteger(SetupKeyId id);
void WriteSetupInteger(SetupKeyId id, int value);
// One text key, by itself (missing: its default), and one written.
QString ReadSetupText(SetupKeyId id);
void WriteSetupText(SetupKeyId id, const QString& value);
// One key with a field, written from the record.
void WriteSetupKey(SetupKeyId id, const TRecordingSettings& s);

// The eleven keys of options, mp3, wav and wma from RecordingSettings, in their fixed order,
// with the two list positions of the settings dialog (-1: no line chosen); then, when FLAC or
// Opus is the chosen format, the keys of its section (flac: freq, ch, bps, level; opus:
// bitrate, ch); last the name template and the tray switch of options, when they differ from
// the file. A refused write raises IniError and stops at that key.
void SaveSettings(int mp3Index, int wavIndex);

// Section trigger: its keys from the record, in the table's order.
void SaveTriggerSettings(const TRecordingSettings& s);

// Section tips: the number of the tip shown last and the start-up switch.
int ReadTipNumber();                 // default 1
int ReadShowTip();                   // default 1; only 1 means "show at start-up"
void WriteTipKeys(int tipNumber, bool showAtStart);
