#include "settings/SetupIni.h"

#include "platform/ProgramFolder.h"
#include "settings/OutputFormats.h"
#include "settings/RecordingSettings.h"

QString SetupIniPath()
{
    return Locations().configFolder + QStringLiteral("setup.ini");
}

IniFile SetupIni()
{
    return IniFile(SetupIniPath());
}

QString DefaultSavePath()
{
    return Locations().saveFolder;
}

void SaveSettings(int mp3Index, int wavIndex)
{
    const TRecordingSettings& s = RecordingSettings;
    IniFile ini = SetupIni();
    ini.WriteString("options", "savepath", s.SavePath);
    ini.WriteString("options", "saveformat", s.SaveFormat);
    ini.WriteInteger("options", "timelimit", s.TimeLimit);
    ini.WriteInteger("mp3", "bitrate", s.Mp3Bitrate);
    ini.WriteInteger("mp3", "freq", s.Mp3Frequency);
    ini.WriteInteger("mp3", "ind", mp3Index);
    ini.WriteInteger("wav", "freq", s.WavFrequency);
    ini.WriteInteger("wav", "ch", s.WavChannels);
    ini.WriteInteger("wav", "bps", s.WavBits);
    ini.WriteInteger("wav", "ind", wavIndex);
    ini.WriteInteger("wma", "profile", s.WmaProfile);
    // The sections of the newer formats are written once they are chosen: their values change
    // only then, and a file of a program that never chose them stays as it was.
    switch (OutputFormatOf(s.SaveFormat)) {
    case OutputFormat::Flac:
        ini.WriteInteger("flac", "freq", s.FlacFrequency);
        ini.WriteInteger("flac", "ch", s.FlacChannels);
        ini.WriteInteger("flac", "bps", s.FlacBits);
        ini.WriteInteger("flac", "level", s.FlacLevel);
        break;
    case OutputFormat::Opus:
        ini.WriteInteger("opus", "bitrate", s.OpusBitrate);
        ini.WriteInteger("opus", "ch", s.OpusChannels);
        break;
    default: break;
    }
}

int ReadTipNumber()
{
    return SetupIni().ReadInteger("tips", "tipno", 1);
}

int ReadShowTip()
{
    return SetupIni().ReadInteger("tips", "showtip", 1);
}

void WriteTipKeys(int tipNumber, bool showAtStart)
{
    IniFile ini = SetupIni();
    ini.WriteInteger("tips", "tipno", tipNumber);
    ini.WriteInteger("tips", "showtip", showAtStart ? 1 : 0);
}
