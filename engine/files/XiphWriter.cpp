#include "engine/files/XiphWriter.h"

#include "engine/EngineError.h"

#include <sndfile.h>

namespace files {

XiphWriter::XiphWriter(const QString& path, const XiphFormat& format) : SndfileOutput(false), format_(format)
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

    open(path,
              opus ? (SF_FORMAT_OGG | SF_FORMAT_OPUS)
                   : (SF_FORMAT_FLAC | (format_.bitsPerSample == 24 ? SF_FORMAT_PCM_24 : SF_FORMAT_PCM_16)),
              format_.sampleRate, format_.channels);
    SNDFILE* sf = handle();
    sf_command(sf, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (opus) {
        // libsndfile takes the bitrate as a level: per channel, (1 - level) * 250000 + 6000 bit/s,
        // cut to whole bits; the half bit makes the cut land on the bitrate asked for.
        const double perChannel = format_.kbps * 1000.0 / format_.channels;
        command(SFC_SET_COMPRESSION_LEVEL, 1.0 - (perChannel - 5999.5) / 250000.0, "bitrate");
        double pageMs = kOpusPageMs;
        if (sf_command(sf, SFC_SET_OGG_PAGE_LATENCY_MS, &pageMs, sizeof pageMs) != 0)
            throw EngineError(QStringLiteral("Cannot create %1: the Ogg page length was refused (%2)").arg(path, errorText()));
    } else {
        command(SFC_SET_COMPRESSION_LEVEL, format_.level / 8.0, "compression level");
    }
}

XiphWriter::~XiphWriter() = default;

void XiphWriter::command(int cmd, double value, const char* what)
{
    if (sf_command(handle(), cmd, &value, sizeof value) != SF_TRUE)
        throw EngineError(QStringLiteral("Cannot create %1: the encoder refused the %2 (%3)").arg(path(), QLatin1String(what), errorText()));
}

} // namespace files
