#include "engine/files/SndfileWriter.h"

#include "engine/EngineError.h"

#include <QFile>
#include <sndfile.h>

namespace files {

namespace {
QString sfText(SNDFILE* sf) { return QString::fromUtf8(sf_strerror(sf)); }
} // namespace

void SndfileWriter::Close::operator()(SNDFILE* sf) const noexcept { sf_close(sf); }

SndfileWriter::SndfileWriter(const QString& path, int sampleRate, int channels, int bitsPerSample)
    : path_(path), channels_(channels)
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
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_RF64 | sub;
    sf_.reset(sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info));
    SNDFILE* sf = sf_.get();
    if (!sf)
        throw EngineError(QStringLiteral("Cannot create %1: %2").arg(path, sfText(nullptr)));
    // A plain WAV header while the file is below 4 GiB; the header follows every block.
    sf_command(sf, SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    sf_command(sf, SFC_SET_UPDATE_HEADER_AUTO, nullptr, SF_TRUE);
    sf_command(sf, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    if (sf_error(sf) != SF_ERR_NO_ERROR) {
        const QString why = sfText(sf);
        sf_.reset();
        throw EngineError(QStringLiteral("Cannot create %1: %2").arg(path, why));
    }
}

SndfileWriter::~SndfileWriter() = default;

void SndfileWriter::write(const float* interleaved, int frames)
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

void SndfileWriter::finish()
{
    if (!sf_)
        return;
    SNDFILE* sf = sf_.release();
    sf_write_sync(sf);
    const int err = sf_close(sf);
    if (err != 0)
        throw EngineError(QStringLiteral("Cannot complete %1: %2").arg(path_, QString::fromUtf8(sf_error_number(err))));
}

} // namespace files
