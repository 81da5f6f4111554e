#pragma once
// The FFmpeg adapters (reading every file type of the open dialog, WMA writing) are built as a
// module of their own, libtavrin_ffmpeg.so, that is loaded on the first call below: a program
// that records MP3 or WAV and reads nothing never maps FFmpeg and the hundred libraries it
// brings (a third of its memory, and time at start). The module is looked for beside the
// program, then where it is installed, then in the build folder.
#include "engine/files/AudioReader.h"
#include "engine/files/AudioWriter.h"

#include <QString>
#include <memory>

namespace files {

struct FfmpegWriterSpec {
    QString container;   // FFmpeg muxer name: "asf", "ogg", "avi", "wav", "mp2", ...
    QString codec;       // FFmpeg encoder name: "wmav2", "libvorbis", "pcm_s16le", ...
    int sampleRate = 44100;
    int channels = 2;
    int bitrate = 0;     // bits per second; 0 leaves the encoder's default
    QString encoderOptions;      // "key=value:key=value" for the encoder ("code_size=3")
    QString muxerOptions;        // the same for the muxer ("packet_size=1000")
    // The container keeps no encoder delay (WMA in ASF) and the decoder drops the first
    // frame: lead the stream in with one frame of silence, so that the decoded audio lines up
    // with what was written and its end is not lost (it then ends within one frame after).
    bool padForDecoderDelay = false;
};

// Opens a file for reading (see FfmpegReader.h). Throws EngineError when the file cannot be
// read or the module cannot be loaded. Without loading the module: a missing or empty file
// fails, and a recording target that holds no audio yet (see openEmptyRecording) is read.
// ReadVia::Module always goes through the module.
enum class ReadVia { Any, Module };
std::unique_ptr<AudioReader> openFfmpegReader(const QString& path, ReadVia via = ReadVia::Any);
// A file as a recording starts it, before any audio: a PCM WAV whose data chunk is empty and
// ends the file, or an MP3 of nothing but its Xing/LAME frame. Read from its header, with what
// the module would give for it (format, no frames, or the same error); nullptr for anything
// else.
std::unique_ptr<AudioReader> openEmptyRecording(const QString& path);
// Creates a file written by an FFmpeg encoder and muxer (see FfmpegWriter.h).
std::unique_ptr<AudioWriter> openFfmpegWriter(const QString& path, const FfmpegWriterSpec& spec);
// True once the module is loaded.
bool ffmpegModuleLoaded();

} // namespace files
