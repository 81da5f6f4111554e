#pragma once
// Output formats of new recordings: the MP3 and WAV choice tables of the settings dialog, the
// rules that turn a chosen line into format values, and the hand-over of the current choice to
// the engine's file components (ApplyOutputFormat of the main window).
#include "settings/RecordingSettings.h"
#include <QString>
#include <QStringList>

enum class OutputFormat { None, Mp3, Wav, Wma, Flac, Opus };

// Upper-cases ASCII letters only; every other character stays as it is.
QString AsciiUpper(const QString& text);
// ".MP3", ".WAV", ".WMA", ".FLAC" and ".OPUS" (compared after AsciiUpper, nothing trimmed);
// anything else: None.
OutputFormat OutputFormatOf(const QString& saveFormat);

// The ten lines of the MP3 list and the sixteen lines of the WAV list, in list order.
const QStringList& Mp3ChoiceLines();
const QStringList& WavChoiceLines();
constexpr int DefaultMp3Choice = 5;   // "44100 Hz, 128 kbps"
constexpr int DefaultWavChoice = 15;  // "44100 Hz - 16 bit,Stereo"

// The FLAC sample formats ("44100 Hz - 24 bit,Stereo") and the Opus bitrates ("96 kbps,
// Stereo"), in list order. A line stands for its values; the values pick their line again
// (-1 when no line has them, e.g. after a hand edit of setup.ini).
const QStringList& FlacChoiceLines();
const QStringList& OpusChoiceLines();
bool FlacValuesOf(int position, int& frequency, int& channels, int& bits);   // false: no line
bool OpusValuesOf(int position, int& bitrate, int& channels);
int FlacLineOf(int frequency, int channels, int bits);
int OpusLineOf(int bitrate, int channels);

struct Mp3Values {
    int frequency;  // Hz
    int bitrate;    // kbit/s
};
// Lines 0..9 give their row; any other position (-1: no line chosen) gives 44100 Hz, 128 kbit/s.
Mp3Values Mp3ValuesOf(int position);

// position / 4 (truncated) picks the rate, position % 4 (sign of position) the sample format.
// A part without a row leaves its fields unchanged: -1 sets 8000 Hz and keeps bits and channels.
void WavValuesOf(int position, int& frequency, int& channels, int& bits);

// The WMA list line for an engine description: characters 5 to 104 (counted from 1).
QString WmaLineOf(const QString& formatDescription);

// Hands the format of `s` to the two file components and the MP3 encoder in the fixed order:
// both files activated (file1, then file2); the format call on file2 then file1 (none when the
// extension names no format); then the encoder's rate and bitrate, handed to file2 then file1.
// Values go through unchecked. A template so that tests can watch the calls.
template <class File, class Encoder>
void ApplyOutputFormatTo(File& file1, File& file2, Encoder& encoder, const TRecordingSettings& s)
{
    file1.setActive(true);
    file2.setActive(true);
    switch (OutputFormatOf(s.SaveFormat)) {
    case OutputFormat::Wav:
        file2.SetFormatPCM(s.WavFrequency, s.WavChannels, s.WavBits);
        file1.SetFormatPCM(s.WavFrequency, s.WavChannels, s.WavBits);
        break;
    case OutputFormat::Wma:
        file2.SetFormatWMA(s.WmaProfile);
        file1.SetFormatWMA(s.WmaProfile);
        break;
    case OutputFormat::Mp3:
        file2.SetFormatMP3(s.Mp3Frequency, s.Mp3Bitrate, 2);
        file1.SetFormatMP3(s.Mp3Frequency, s.Mp3Bitrate, 2);
        break;
    case OutputFormat::Flac:
        file2.SetFormatFLAC(s.FlacFrequency, s.FlacChannels, s.FlacBits, s.FlacLevel);
        file1.SetFormatFLAC(s.FlacFrequency, s.FlacChannels, s.FlacBits, s.FlacLevel);
        break;
    case OutputFormat::Opus:
        file2.SetFormatOpus(s.OpusBitrate, s.OpusChannels);
        file1.SetFormatOpus(s.OpusBitrate, s.OpusChannels);
        break;
    case OutputFormat::None:
        break;
    }
    encoder.setSampleRate(s.Mp3Frequency);
    encoder.setBitrate(s.Mp3Bitrate);
    file2.SetMP3Encoder(encoder.DefaultInterface());
    file1.SetMP3Encoder(encoder.DefaultInterface());
}
