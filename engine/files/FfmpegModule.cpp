#include "engine/files/FfmpegModule.h"

#include "engine/EngineError.h"
#include "engine/files/Mp3Parse.h"
#include "engine/files/RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <atomic>
#include <cstring>
#include <utility>

#include <dlfcn.h>

namespace files {

namespace {

using ReaderEntry = AudioReader* (*)(const QString&);
using WriterEntry = AudioWriter* (*)(const QString&, const FfmpegWriterSpec&);

struct Module {
    ReaderEntry reader = nullptr;
    WriterEntry writer = nullptr;
};

std::atomic<bool> loaded{false};

QStringList candidates()
{
    const QString name = QStringLiteral("/libtavrin_ffmpeg.so");
    QStringList list;
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!self.isEmpty()) {
        const QString folder = QFileInfo(self).absolutePath();
        list << folder + name << folder + QStringLiteral("/" TAVRIN_FFMPEG_MODULE_FROM_BIN) + name;
    }
    list << QStringLiteral(TAVRIN_FFMPEG_MODULE_INSTALLED) + name << QStringLiteral(TAVRIN_FFMPEG_MODULE_BUILT);
    return list;
}

Module load()
{
    QString why;
    for (const QString& path : candidates()) {
        if (!QFileInfo::exists(path))
            continue;
        // Kept for the life of the process: FFmpeg keeps global state.
        void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) {
            const char* error = dlerror();
            why = error ? QString::fromLocal8Bit(error) : path;
            continue;
        }
        Module m;
        m.reader = reinterpret_cast<ReaderEntry>(dlsym(handle, "tavrin_ffmpeg_reader"));
        m.writer = reinterpret_cast<WriterEntry>(dlsym(handle, "tavrin_ffmpeg_writer"));
        if (m.reader && m.writer) {
            loaded = true;
            return m;
        }
        why = QStringLiteral("%1 lacks its entry points").arg(path);
        dlclose(handle);
    }
    throw EngineError(QStringLiteral("Cannot load the FFmpeg module (libtavrin_ffmpeg.so): %1")
                          .arg(why.isEmpty() ? QStringLiteral("not found beside the program, installed or built") : why));
}

const Module& module()
{
    static const Module m = load();   // a failed load is tried again at the next call
    return m;
}

QString channelsText(int channels)
{
    return channels == 1 ? QStringLiteral("Mono") : QStringLiteral("Stereo");
}

class NoFrames final : public AudioReader {
public:
    NoFrames(int rate, int channels, QString description)
        : rate_(rate), channels_(channels), description_(std::move(description)) {}
    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    std::int64_t length() const override { return 0; }
    bool lengthExact() const override { return true; }
    QString description() const override { return description_; }
    std::int64_t position() const override { return 0; }
    int read(float*, int) override { return 0; }
    std::int64_t seek(std::int64_t) override { return 0; }

private:
    int rate_, channels_;
    QString description_;
};

std::uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
std::uint16_t le16(const unsigned char* p) { return std::uint16_t(p[0] | p[1] << 8); }

std::unique_ptr<AudioReader> emptyWav(const QByteArray& head, qint64 fileSize)
{
    const auto* p = reinterpret_cast<const unsigned char*>(head.constData());
    const qint64 n = head.size();
    if (n < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0)
        return nullptr;
    int channels = 0, rate = 0, bits = 0;
    for (qint64 at = 12; at + 8 <= n;) {
        const std::uint32_t size = le32(p + at + 4);
        if (std::memcmp(p + at, "fmt ", 4) == 0 && size >= 16 && at + 8 + 16 <= n) {
            const int tag = le16(p + at + 8);
            channels = le16(p + at + 10);
            rate = int(le32(p + at + 12));
            bits = le16(p + at + 22);
            if (tag != 1 && !(tag == 0xFFFE && size >= 40 && at + 8 + 40 <= n && le16(p + at + 8 + 24) == 1))
                return nullptr;
        } else if (std::memcmp(p + at, "data", 4) == 0) {
            // Only a data chunk that is empty and ends the file: the recording has not begun.
            if (size != 0 || at + 8 != fileSize || channels < 1 || channels > 2 || rate <= 0
                || (bits != 8 && bits != 16))
                return nullptr;
            return std::make_unique<NoFrames>(rate, channels,
                                              QStringLiteral("PCM %1 bit: %2 Hz, %3").arg(bits).arg(rate).arg(channelsText(channels)));
        }
        at += 8 + qint64(size) + (size & 1);
    }
    return nullptr;
}

std::unique_ptr<AudioReader> emptyMp3(const QString& path)
{
    const Mp3StreamInfo info = inspectMp3File(path);
    if (!info.valid || info.length != 0 || !info.hasLameTag || info.first.channels < 1 || info.first.channels > 2)
        return nullptr;
    // FFmpeg's MP3 demuxer takes the tag frame of an MPEG 1 file for the stream's only frame,
    // finds nothing to decode in it and refuses the file; MPEG 2 files it opens, empty.
    if (info.first.version == 10)
        throw EngineError(QStringLiteral("Cannot open %1: Invalid argument").arg(path));
    return std::make_unique<NoFrames>(info.first.sampleRate, info.first.channels,
                                      QStringLiteral("%1: %2 Hz, %3 kbps, %4")
                                          .arg(mp3VersionText(info.first.version, info.first.layer))
                                          .arg(info.first.sampleRate)
                                          .arg(info.averageKbps)
                                          .arg(channelsText(info.first.channels)));
}

} // namespace

std::unique_ptr<AudioReader> openEmptyRecording(const QString& path)
{
    QFile file(path);
    if (file.size() > 64 * 1024 || !file.open(QIODevice::ReadOnly))
        return nullptr;
    const QByteArray head = file.read(4096);
    if (auto wav = emptyWav(head, file.size()))
        return wav;
    if (path.endsWith(QStringLiteral(".mp3"), Qt::CaseInsensitive))
        return emptyMp3(path);
    return nullptr;
}

std::unique_ptr<AudioReader> openFfmpegReader(const QString& path, ReadVia via)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw EngineError(QStringLiteral("Cannot open %1: No such file or directory").arg(path));
    requireRegularFile(path);   // before anything opens it: a pipe or a device would never answer
    if (via == ReadVia::Any) {
        if (info.size() == 0)
            throw EngineError(QStringLiteral("Cannot open %1: the file is empty").arg(path));
        if (auto empty = openEmptyRecording(path))
            return empty;
    }
    return std::unique_ptr<AudioReader>(module().reader(path));
}

std::unique_ptr<AudioWriter> openFfmpegWriter(const QString& path, const FfmpegWriterSpec& spec)
{
    return std::unique_ptr<AudioWriter>(module().writer(path, spec));
}

bool ffmpegModuleLoaded() { return loaded; }

} // namespace files
