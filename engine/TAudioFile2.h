#pragma once
// Reads audio files of every type of the open dialogs (FFmpeg) and writes WAV (our own writer
// with the plain PCM format tag, RF64 past 4 GiB; libsndfile for more than two channels or
// other sample sizes), MP3 (LAME), WMA (FFmpeg), and FLAC and Opus in Ogg (libsndfile).
// Positions and lengths are in frames.
//
// Reading: Open(name, 0, 1) then Length, SampleRate, Channels, ReadArray, Seek(pos, 3), Close.
// LastError is 0 after a successful Open and non-zero (LastErrorText says why) otherwise.
// Writing: SetFormatPCM / SetFormatMP3 / SetFormatWMA / SetFormatFLAC / SetFormatOpus, then
// CreateNew(name, 0), WriteArray...,
// Close. Write failures (disk full, folder gone) raise EngineError; what was written before
// stays a playable file.
//
// Details of this implementation:
// - The Mode/Access arguments of Open, CreateNew and Seek are accepted and not interpreted
//   (Open reads, CreateNew creates or empties, Seek goes to the exact frame).
// - Open of a missing file: LastError 2; of a file that cannot be read or decoded: LastError 1.
//   Headerless types are read with fixed settings (see engine/files/FfmpegReader.h).
// - SetFormatMP3(rate, kbps, mode): mode 1 writes mono, anything else (the program's 2)
//   stereo. When an encoder object was given with SetMP3Encoder, its SampleRate and Bitrate
//   are used instead of the first two arguments (read at CreateNew; the object must outlive
//   this component or be replaced with SetMP3Encoder(nullptr)).
// - WMA profiles are numbered from 0: SetFormatWMA(p) selects profile p, 0 <= p <
//   WmaProfileCount(), and FormatDescription then describes profile p ("WMA 44100 Hz,
//   128 kbps, Stereo"). Profile 38 is 44100 Hz, 128 kbps, stereo. A list of profiles is
//   therefore built by asking p = 0 .. WmaProfileCount()-1, line k showing profile k, and the
//   chosen line's position is the profile to pass. A number outside the table is kept; its
//   FormatDescription is empty and CreateNew raises EngineError.
// - Until a format is set, CreateNew writes WAV, 44.1 kHz, 16 bit, stereo.
// - SampleRate/Channels/FormatDescription describe the open file; else the file being
//   written; else the format last set. After a failed Open, FormatDescription is empty until
//   the next Close, SetFormat... or CreateNew (nothing describes a file that did not open).
//   Length is 0 when nothing is open.
// - Open refuses what is not a regular file (a named pipe, a device, a folder, a socket; a
//   link by what it leads to) without opening it: LastError 1, LastErrorText says what it is.
// - While writing, the length in the header of FLAC and WMA files follows each block (WAV's
//   header always does), so a file cut off by a crash opens with its length in every reader.
// - After a write failure the file takes no more data: later WriteArray calls do nothing (the
//   failure is raised once), and Close completes what was written.
#include "engine/SampleArray.h"
#include <QString>
#include <memory>

class TAudioFile2LameEnc;
namespace files {
class SideFile;
}

class TAudioFile2 {
public:
    TAudioFile2();
    ~TAudioFile2();
    TAudioFile2(const TAudioFile2&) = delete;
    TAudioFile2& operator=(const TAudioFile2&) = delete;

    bool Active() const;
    void setActive(bool on);            // false closes any open file

    void SetFormatPCM(int SampleRate, int Channels, int BitsPerSample);
    void SetFormatMP3(int SampleRate, int Bitrate, int Mode);
    void SetFormatWMA(int Profile);
    void SetFormatFLAC(int SampleRate, int Channels, int BitsPerSample, int Level);
    void SetFormatOpus(int Bitrate, int Channels);   // kbit/s; always 48000 Hz
    void SetMP3Encoder(TAudioFile2LameEnc* encoder);
    int WmaProfileCount() const;

    void Open(const QString& FileName, int Mode, int Access);
    int LastError() const;
    QString LastErrorText() const;
    int Length() const;                 // frames: of the open file, or written so far
    int SampleRate() const;
    int Channels() const;
    QString FormatDescription() const;
    // Bytes a second of the file being written, else of the format last set: the bitrate of
    // MP3, WMA and Opus, the PCM size of WAV and FLAC (what a FLAC file takes at most).
    qint64 BytesPerSecond() const;
    SampleArray ReadArray(int Count);   // next Count frames (fewer at the end, empty past it)
    int Seek(int Position, int Mode);   // returns the position reached
    void CreateNew(const QString& FileName, int Mode);
    void WriteArray(const SampleArray& block);
    void Close();
    // The file being written, for pushing it to stable storage (SideFile::sync) from the thread
    // that writes it, also after Close; nullptr when nothing is written (or writing failed).
    std::shared_ptr<files::SideFile> StorageHandle() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
