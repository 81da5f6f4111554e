#include "engine/files/SndfileOutput.h"

#include "engine/EngineError.h"

#include <QFile>
#include <sndfile.h>

namespace files {

void SndfileOutput::Close::operator()(SNDFILE* sf) const noexcept { sf_close(sf); }

SndfileOutput::~SndfileOutput() = default;

void SndfileOutput::open(const QString& path, int format, int sampleRate, int channels)
{
    path_ = path;
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format;
    sf_.reset(sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info));
    if (!sf_)
        throw EngineError(QStringLiteral("Cannot create %1: %2").arg(path, QString::fromUtf8(sf_strerror(nullptr))));
}

QString SndfileOutput::errorText() const
{
    return QString::fromUtf8(sf_strerror(sf_.get()));
}

void SndfileOutput::write(const float* interleaved, int frames)
{
    if (!sf_)
        throw EngineError(QStringLiteral("Cannot write to %1: the file is closed").arg(path_));
    if (frames <= 0)
        return;
    const sf_count_t done = sf_writef_float(sf_.get(), interleaved, frames);
    if (done > 0)
        frames_ += done;
    if (done != frames || sf_error(sf_.get()) != SF_ERR_NO_ERROR)
        throw EngineError(QStringLiteral("Cannot write to %1: %2").arg(path_, errorText()));
}

void SndfileOutput::finish()
{
    if (!sf_)
        return;
    SNDFILE* sf = sf_.release();
    if (syncAtFinish_)
        sf_write_sync(sf);
    const int err = sf_close(sf);
    if (err != 0)
        throw EngineError(QStringLiteral("Cannot complete %1: %2").arg(path_, QString::fromUtf8(sf_error_number(err))));
}

} // namespace files
