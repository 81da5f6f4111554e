#pragma once
// Reads audio files of every type of the open dialogs (FFmpeg) and writes WAV (libsndfile),
// MP3 (LAME) and WMA (FFmpeg). Positions and lengths are in frames.
//
// Reading: Open(name, 0, 1) then Length, SampleRate, Channels, ReadArray, Seek(pos, 3), Close.
// LastError is 0 after a successful Open and non-zero (LastErrorText says why) otherwise.
// Writing: SetFormatPCM / SetFormatMP3 / SetFormatWMA, then CreateNew(name, 0), WriteArray...,
// Close. Write failures (disk full, folder gone) raise EngineError; what was written before
// stays a playable file.
#include "engine/SampleArray.h"
#include <QString>
#include <memory>

class TAudioFile2LameEnc;

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
    void SetMP3Encoder(TAudioFile2LameEnc* encoder);
    int WmaProfileCount() const;

    void Open(const QString& FileName, int Mode, int Access);
    int LastError() const;
    QString LastErrorText() const;
    int Length() const;                 // frames: of the open file, or written so far
    int SampleRate() const;
    int Channels() const;
    QString FormatDescription() const;
    SampleArray ReadArray(int Count);   // next Count frames (fewer at the end, empty past it)
    int Seek(int Position, int Mode);   // returns the position reached
    void CreateNew(const QString& FileName, int Mode);
    void WriteArray(const SampleArray& block);
    void Close();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
