#pragma once
// setup.ini (platform/ProgramFolder.h says where it lives): its path, the default save folder and the writes of the
// settings dialog. Every access opens the file by its full path (see platform/Ini.h).
#include "platform/Ini.h"
#include <QString>

QString SetupIniPath();      // Locations().configFolder + "setup.ini"
IniFile SetupIni();
QString DefaultSavePath();   // Locations().saveFolder

// The eleven keys of options, mp3, wav and wma from RecordingSettings, in their fixed order,
// with the two list positions of the settings dialog (-1: no line chosen); then, when FLAC or
// Opus is the chosen format, the keys of its section (flac: freq, ch, bps, level; opus:
// bitrate, ch). A refused write raises IniError and stops at that key.
void SaveSettings(int mp3Index, int wavIndex);

// Section tips: the number of the tip shown last and the start-up switch.
int ReadTipNumber();                 // default 1
int ReadShowTip();                   // default 1; only 1 means "show at start-up"
void WriteTipKeys(int tipNumber, bool showAtStart);
