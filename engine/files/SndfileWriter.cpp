#include "engine/files/SndfileWriter.h"

#include "engine/EngineError.h"

#include <sndfile.h>

namespace files {

SndfileWriter::SndfileWriter(const QString& path, int sampleRate, int channels, int bitsPerSample)
    : SndfileOutput(true), channels_(channels)
{
    int sub = 0;
    switch (bitsPerSample) {
    case 8: sub = SF_FORMAT_PCM_U8; break;
    case 16: sub = SF_FORMAT_PCM_16; break;
    case 24: sub = SF_FORMAT_PCM_24; break;
    case 32: sub = SF_FORMAT_PCM_32; break;
    default:
        throw EngineError(QStringLiteral("WAV files cannot be written with %1 bits per sample (8 or 16)").arg(bitsPerSample));
    }
    if (sampleRate < 1000 || sampleRate > 384000)
        throw EngineError(QStringLiteral("WAV files cannot be written at %1 Hz").arg(sampleRate));
    if (channels < 1 || channels > 8)
        throw EngineError(QStringLiteral("WAV files cannot be written with %1 channels").arg(channels));
    open(path, SF_FORMAT_RF64 | sub, sampleRate, channels);
    SNDFILE* sf = handle();
    // A plain WAV header while the file is below 4 GiB; the header follows every block.
    sf_command(sf, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    sf_command(sf, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
    sf_command(sf, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (sf_error(sf) != SF_ERR_NO_ERROR)
        throw EngineError(QStringLiteral("Cannot create %1: %2").arg(path, errorText()));
}

SndfileWriter::~SndfileWriter() = default;

} // namespace files
