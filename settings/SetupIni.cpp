#include "settings/SetupIni.h"

#include "platform/ProgramFolder.h"
#include "settings/OutputFormats.h"
#include "settings/TriggerSettings.h"

#include <stdexcept>

namespace {

using S = TRecordingSettings;
using W = SetupWrite;
using K = SetupKeyId;

// Written in this order by the settings dialog's OK; a new key goes where it is to be written.
constexpr SetupKey kKeys[] = {
    {K::SavePath, "options", "savepath", &S::SavePath, nullptr, 0, nullptr, W::Always},
    {K::SaveFormat, "options", "saveformat", &S::SaveFormat, nullptr, 0, ".mp3", W::Always},
    {K::TimeLimit, "options", "timelimit", nullptr, &S::TimeLimit, -1, nullptr, W::Always},
    {K::Mp3Bitrate, "mp3", "bitrate", nullptr, &S::Mp3Bitrate, 128, nullptr, W::Always},
    {K::Mp3Frequency, "mp3", "freq", nullptr, &S::Mp3Frequency, 44100, nullptr, W::Always},
    {K::Mp3Choice, "mp3", "ind", nullptr, nullptr, DefaultMp3Choice, nullptr, W::Always},
    {K::WavFrequency, "wav", "freq", nullptr, &S::WavFrequency, 44100, nullptr, W::Always},
    {K::WavChannels, "wav", "ch", nullptr, &S::WavChannels, 2, nullptr, W::Always},
    {K::WavBits, "wav", "bps", nullptr, &S::WavBits, 16, nullptr, W::Always},
    {K::WavChoice, "wav", "ind", nullptr, nullptr, DefaultWavChoice, nullptr, W::Always},
    {K::WmaProfile, "wma", "profile", nullptr, &S::WmaProfile, 38, nullptr, W::Always},
    // The sections of the newer formats are written once they are chosen: their values change
    // only then, and a file of a program that never chose them stays as it was.
    {K::FlacFrequency, "flac", "freq", nullptr, &S::FlacFrequency, 44100, nullptr, W::WithFlac},
    {K::FlacChannels, "flac", "ch", nullptr, &S::FlacChannels, 2, nullptr, W::WithFlac},
    {K::FlacBits, "flac", "bps", nullptr, &S::FlacBits, 16, nullptr, W::WithFlac},
    {K::FlacLevel, "flac", "level", nullptr, &S::FlacLevel, 5, nullptr, W::WithFlac},
    {K::OpusBitrate, "opus", "bitrate", nullptr, &S::OpusBitrate, 96, nullptr, W::WithOpus},
    {K::OpusChannels, "opus", "ch", nullptr, &S::OpusChannels, 2, nullptr, W::WithOpus},
    {K::NameTemplate, "options", "nametemplate", &S::NameTemplate, nullptr, 0, "", W::WhenChanged},
    {K::TrayIcon, "options", "trayicon", nullptr, &S::TrayIcon, 0, nullptr, W::WhenChanged},
    {K::TipNumber, "tips", "tipno", nullptr, nullptr, 1, nullptr, W::Elsewhere},
    {K::ShowTip, "tips", "showtip", nullptr, nullptr, 1, nullptr, W::Elsewhere},
    // The interface's language ("ru", "en"; empty: the system's). Written only by a choice in
    // the settings dialog that differs from the file's.
    {K::Language, "options", "language", nullptr, nullptr, 0, "", W::Elsewhere},
    // Written by the dialog of recordings that start and stop by themselves; start and stop
    // also when a time has been used.
    {K::TriggerSound, "trigger", "sound", nullptr, &S::TriggerSound, 0, nullptr, W::Elsewhere, 0, 1},
    {K::TriggerLevel, "trigger", "level", nullptr, &S::TriggerLevel, TriggerOptions::DefaultLevelDb, nullptr,
     W::Elsewhere, TriggerOptions::MinLevelDb, TriggerOptions::MaxLevelDb},
    {K::TriggerPreroll, "trigger", "preroll", nullptr, &S::TriggerPreroll, TriggerOptions::DefaultPrerollSeconds,
     nullptr, W::Elsewhere, 0, TriggerOptions::MaxPrerollSeconds},
    {K::TriggerSilence, "trigger", "silence", nullptr, &S::TriggerSilence, 0, nullptr, W::Elsewhere, 0,
     TriggerOptions::MaxSilenceSeconds},
    {K::TriggerOnSilence, "trigger", "onsilence", &S::TriggerOnSilence, nullptr, 0, kOnSilenceStop, W::Elsewhere,
     INT_MIN, INT_MAX, IsOnSilenceText},
    {K::TriggerStart, "trigger", "start", &S::TriggerStart, nullptr, 0, "", W::Elsewhere, INT_MIN, INT_MAX,
     IsClockTimeSetting},
    {K::TriggerStop, "trigger", "stop", &S::TriggerStop, nullptr, 0, "", W::Elsewhere, INT_MIN, INT_MAX,
     IsClockTimeSetting},
    {K::InputDevice, "input", "device", &S::InputDevice, nullptr, 0, "", W::Elsewhere},
    {K::SecondInput, "input", "second", &S::SecondInput, nullptr, 0, "", W::Elsewhere},
    {K::InputLayout, "input", "layout", &S::InputLayout, nullptr, 0, "mix", W::Elsewhere},
    {K::OutputDevice, "output", "device", &S::OutputDevice, nullptr, 0, "", W::Elsewhere},
};

int readInteger(const IniFile& ini, const SetupKey& k)
{
    const int value = ini.ReadInteger(k.section, k.key, k.defaultNumber);
    return value >= k.low && value <= k.high ? value : k.defaultNumber;
}

QString readText(const IniFile& ini, const SetupKey& k)
{
    const QString value = ini.ReadString(k.section, k.key, SetupDefaultText(k));
    return !k.valid || k.valid(value) ? value : SetupDefaultText(k);
}

void writeInteger(IniFile& ini, const SetupKey& k, int value)
{
    ini.WriteInteger(k.section, k.key, value);
}

bool differsFromFile(const IniFile& ini, const SetupKey& k, const TRecordingSettings& s)
{
    if (k.text)
        return ini.ReadString(k.section, k.key, SetupDefaultText(k)) != s.*k.text;
    return k.number && readInteger(ini, k) != s.*k.number;
}

void writeFromRecord(IniFile& ini, const SetupKey& k, const TRecordingSettings& s)
{
    if (k.text)
        ini.WriteString(k.section, k.key, s.*k.text);
    else if (k.number)
        writeInteger(ini, k, s.*k.number);
}

} // namespace

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

std::span<const SetupKey> SetupKeys()
{
    return kKeys;
}

const SetupKey& SetupKeyOf(SetupKeyId id)
{
    for (const SetupKey& k : kKeys) {
        if (k.id == id)
            return k;
    }
    throw std::logic_error("setup.ini key without a row in the table");
}

QString SetupDefaultText(const SetupKey& key)
{
    return key.defaultText ? QString::fromUtf8(key.defaultText) : DefaultSavePath();
}

void ReadSettingsRecord(TRecordingSettings& s)
{
    const IniFile ini = SetupIni();
    for (const SetupKey& k : kKeys) {
        if (k.text)
            s.*k.text = readText(ini, k);
        else if (k.number)
            s.*k.number = readInteger(ini, k);
    }
}

int ReadSetupInteger(SetupKeyId id)
{
    return readInteger(SetupIni(), SetupKeyOf(id));
}

void WriteSetupInteger(SetupKeyId id, int value)
{
    IniFile ini = SetupIni();
    writeInteger(ini, SetupKeyOf(id), value);
}

QString ReadSetupText(SetupKeyId id)
{
    const SetupKey& k = SetupKeyOf(id);
    return SetupIni().ReadString(k.section, k.key, SetupDefaultText(k));
}

void WriteSetupText(SetupKeyId id, const QString& value)
{
    const SetupKey& k = SetupKeyOf(id);
    IniFile ini = SetupIni();
    ini.WriteString(k.section, k.key, value);
}

void WriteSetupKey(SetupKeyId id, const TRecordingSettings& s)
{
    IniFile ini = SetupIni();
    writeFromRecord(ini, SetupKeyOf(id), s);
}

void SaveSettings(int mp3Index, int wavIndex)
{
    const TRecordingSettings& s = RecordingSettings;
    const OutputFormat format = OutputFormatOf(s.SaveFormat);
    IniFile ini = SetupIni();
    for (const SetupKey& k : kKeys) {
        const bool written = k.write == SetupWrite::Always
                             || (k.write == SetupWrite::WithFlac && format == OutputFormat::Flac)
                             || (k.write == SetupWrite::WithOpus && format == OutputFormat::Opus)
                             || (k.write == SetupWrite::WhenChanged && differsFromFile(ini, k, s));
        if (!written)
            continue;
        if (k.id == SetupKeyId::Mp3Choice)
            writeInteger(ini, k, mp3Index);
        else if (k.id == SetupKeyId::WavChoice)
            writeInteger(ini, k, wavIndex);
        else
            writeFromRecord(ini, k, s);
    }
}

void SaveTriggerSettings(const TRecordingSettings& s)
{
    IniFile ini = SetupIni();
    for (const SetupKey& k : kKeys) {
        if (QLatin1String(k.section) == QLatin1String("trigger"))
            writeFromRecord(ini, k, s);
    }
}

int ReadTipNumber()
{
    return ReadSetupInteger(SetupKeyId::TipNumber);
}

int ReadShowTip()
{
    return ReadSetupInteger(SetupKeyId::ShowTip);
}

void WriteTipKeys(int tipNumber, bool showAtStart)
{
    IniFile ini = SetupIni();
    writeInteger(ini, SetupKeyOf(SetupKeyId::TipNumber), tipNumber);
    writeInteger(ini, SetupKeyOf(SetupKeyId::ShowTip), showAtStart ? 1 : 0);
}
