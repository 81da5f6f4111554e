#include "engine/files/XiphWriter.h"

#include "engine/EngineError.h"

#include <QFile>
#include <sndfile.h>

namespace files {

namespace {

QString sfText(SNDFILE* sf) { return QString::fromUtf8(sf_strerror(sf)); }

// A libsndfile command that answers SF_TRUE when it took the value.
void command(SNDFILE* sf, int cmd, double value, const QString& path, const char* what)
{
    if (sf_command(sf, cmd, &value, sizeof value) != SF_TRUE)
        throw EngineError(QStringLiteral("Cannot create %1: the encoder refused the %2 (%3)").arg(path, QLatin1String(what), sfText(sf)));
}

} // namespace

void XiphWriter::Close::operator()(sf_private_tag* sf) const { sf_close(sf); }

XiphWriter::XiphWriter(const QString& path, const XiphFormat& format) : path_(path), format_(format)
{
    const bool opus = format.codec == XiphFormat::Codec::Opus;
    const QString kind = opus ? QStringLiteral("Opus") : QStringLiteral("FLAC");
    if (opus)
        format_.sampleRate = kOpusRate;
    if (format_.channels < 1 || format_.channels > 2)
        throw EngineError(QStringLiteral("%1 files cannot be written with %2 channels (1 or 2)").arg(kind).arg(format_.channels));
    if (opus && (format_.kbps < 6 || format_.kbps > 256))
        throw EngineError(QStringLiteral("Opus files cannot be written at %1 kbps (6 to 256)").arg(format_.kbps));
    if (!opus && format_.bitsPerSample != 16 && format_.bitsPerSample != 24)
        throw EngineError(QStringLiteral("FLAC files cannot be written with %1 bits per sample (16 or 24)").arg(format_.bitsPerSample));
    if (!opus && (format_.level < 0 || format_.level > 8))
        throw EngineError(QStringLiteral("FLAC has no compression level %1 (0 to 8)").arg(format_.level));
    if (!opus && (format_.sampleRate < 1000 || format_.sampleRate > 655350))
        throw EngineError(QStringLiteral("FLAC files cannot be written at %1 Hz").arg(format_.sampleRate));

    SF_INFO info{};
    info.samplerate = format_.sampleRate;
    info.channels = format_.channels;
    info.format = opus ? (SF_FORMAT_OGG | SF_FORMAT_OPUS)
                       : (SF_FORMAT_FLAC | (format_.bitsPerSample == 24 ? SF_FORMAT_PCM_24 : SF_FORMAT_PCM_16));
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sf)
        throw EngineError(QStringLiteral("Cannot create %1: %2").arg(path, sfText(nullptr)));
    sf_.reset(sf);
    sf_command(sf, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (opus) {
        // libsndfile takes the bitrate as a level: per channel, (1 - level) * 250000 + 6000 bit/s,
        // cut to whole bits; the half bit makes the cut land on the bitrate asked for.
        const double perChannel = format_.kbps * 1000.0 / format_.channels;
        command(sf, SFC_SET_COMPRESSION_LEVEL, 1.0 - (perChannel - 5999.5) / 250000.0, path, "bitrate");
        double pageMs = kOpusPageMs;
        if (sf_command(sf, SFC_SET_OGG_PAGE_LATENCY_MS, &pageMs, sizeof pageMs) != 0)
            throw EngineError(QStringLiteral("Cannot create %1: the Ogg page length was refused (%2)").arg(path, sfText(sf)));
    } else {
        command(sf, SFC_SET_COMPRESSION_LEVEL, format_.level / 8.0, path, "compression level");
    }
}

XiphWriter::~XiphWriter() = default;

void XiphWriter::write(const float* interleaved, int frames)
{
    if (!sf_)
        throw EngineError(QStringLiteral("Cannot write to %1: the file is closed").arg(path_));
    if (frames <= 0)
        return;
    const sf_count_t done = sf_writef_float(sf_.get(), interleaved, frames);
    if (done > 0)
        frames_ += done;
    if (done != frames || sf_error(sf_.get()) != SF_ERR_NO_ERROR)
        throw EngineError(QStringLiteral("Cannot write to %1: %2").arg(path_, sfText(sf_.get())));
}

void XiphWriter::finish()
{
    if (!sf_)
        return;
    const int err = sf_close(sf_.release());
    if (err != 0)
        throw EngineError(QStringLiteral("Cannot complete %1: %2").arg(path_, QString::fromUtf8(sf_error_number(err))));
}

} // namespace files
