// The entry points of the FFmpeg module (FfmpegModule.h loads it).
#include "engine/files/FfmpegReader.h"
#include "engine/files/FfmpegWriter.h"

extern "C" {

__attribute__((visibility("default"))) files::AudioReader* tavrin_ffmpeg_reader(const QString& path)
{
    return new files::FfmpegReader(path);
}

__attribute__((visibility("default"))) files::AudioWriter* tavrin_ffmpeg_writer(const QString& path,
                                                                                const files::FfmpegWriterSpec& spec)
{
    return new files::FfmpegWriter(path, spec);
}

}
