// Audio file component: reading through FfmpegReader, writing through WavWriter (WAV of up to
// two channels of 8 or 16 bit), SndfileWriter (other WAV), LameWriter (MP3), FfmpegWriter
// (WMA) and XiphWriter (FLAC, Opus).
#include "engine/TAudioFile2.h"

#include "engine/EngineError.h"
#include "engine/TAudioFile2LameEnc.h"
#include "engine/files/FfmpegModule.h"
#include "engine/files/LameWriter.h"
#include "engine/files/LengthKeeper.h"
#include "engine/files/Mp3Parse.h"
#include "engine/files/SideFile.h"
#include "engine/files/SndfileWriter.h"
#include "engine/files/WavWriter.h"
#include "engine/files/WmaProfiles.h"
#include "engine/files/WriteRegistry.h"
#include "engine/files/XiphWriter.h"

#include <QFileInfo>
#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <vector>

namespace {

enum class Kind { Pcm, Mp3, Wma, Flac, Opus };

QString channelsText(int channels)
{
    return channels == 1 ? QStringLiteral("Mono") : channels == 2 ? QStringLiteral("Stereo")
                                                                  : QStringLiteral("%1 channels").arg(channels);
}

int clampToInt(std::int64_t v)
{
    return static_cast<int>(std::clamp<std::int64_t>(v, 0, INT_MAX));
}

} // namespace

struct TAudioFile2::Impl {
    bool active = false;
    Kind kind = Kind::Pcm;   // until a format is set: WAV, 44.1 kHz, 16 bit, stereo
    int pcmRate = 44100;
    int pcmChannels = 2;
    int pcmBits = 16;
    int mp3Rate = 44100;
    int mp3Kbps = 128;
    int mp3Mode = 2;
    int wmaProfile = 38;
    files::XiphFormat flac;
    files::XiphFormat opus{files::XiphFormat::Codec::Opus, files::XiphWriter::kOpusRate};
    TAudioFile2LameEnc* encoder = nullptr;

    std::unique_ptr<files::AudioReader> reader;
    std::unique_ptr<files::AudioWriter> writer;
    std::shared_ptr<files::SideFile> side;        // the written file, for its header and storage
    std::unique_ptr<files::LengthKeeper> keeper;  // FLAC and WMA: the length in the header
    QString writeKey;
    int writeRate = 0;
    int writeChannels = 0;
    qint64 writeBytesPerSecond = 0;
    QString writeDescription;
    bool writeFailed = false;
    std::vector<float> scratch;

    int lastError = 0;
    QString lastErrorText;
    bool openFailed = false;   // the last Open failed: no format to describe

    int mp3EffectiveRate() const { return encoder ? encoder->SampleRate() : mp3Rate; }
    int mp3EffectiveKbps() const { return encoder ? encoder->Bitrate() : mp3Kbps; }
    int mp3Channels() const { return mp3Mode == 1 ? 1 : 2; }

    int formatRate() const
    {
        switch (kind) {
        case Kind::Pcm: return pcmRate;
        case Kind::Mp3: return mp3EffectiveRate();
        case Kind::Wma: {
            const auto& t = files::wmaProfiles();
            return wmaProfile >= 0 && wmaProfile < static_cast<int>(t.size()) ? t[static_cast<std::size_t>(wmaProfile)].sampleRate : 0;
        }
        case Kind::Flac: return flac.sampleRate;
        case Kind::Opus: return opus.sampleRate;
        }
        return 0;
    }
    int formatChannels() const
    {
        switch (kind) {
        case Kind::Pcm: return pcmChannels;
        case Kind::Mp3: return mp3Channels();
        case Kind::Wma: {
            const auto& t = files::wmaProfiles();
            return wmaProfile >= 0 && wmaProfile < static_cast<int>(t.size()) ? t[static_cast<std::size_t>(wmaProfile)].channels : 0;
        }
        case Kind::Flac: return flac.channels;
        case Kind::Opus: return opus.channels;
        }
        return 0;
    }
    QString formatDescription() const
    {
        switch (kind) {
        case Kind::Pcm:
            return QStringLiteral("PCM %1 bit: %2 Hz, %3").arg(pcmBits).arg(pcmRate).arg(channelsText(pcmChannels));
        case Kind::Mp3: {
            const int rate = mp3EffectiveRate();
            const int version = rate >= 32000 ? 10 : rate >= 16000 ? 20 : 25;
            return QStringLiteral("%1: %2 Hz, %3 kbps, %4")
                .arg(files::mp3VersionText(version, 3))
                .arg(rate)
                .arg(mp3EffectiveKbps())
                .arg(channelsText(mp3Channels()));
        }
        case Kind::Wma: return files::wmaProfileDescription(wmaProfile);
        case Kind::Flac:
            return QStringLiteral("FLAC %1 bit: %2 Hz, level %3, %4").arg(flac.bitsPerSample).arg(flac.sampleRate).arg(flac.level).arg(channelsText(flac.channels));
        case Kind::Opus:
            return QStringLiteral("Opus: %1 Hz, %2 kbps, %3").arg(opus.sampleRate).arg(opus.kbps).arg(channelsText(opus.channels));
        }
        return {};
    }
    qint64 bytesPerSecond() const
    {
        switch (kind) {
        case Kind::Pcm: return qint64(pcmRate) * pcmChannels * ((pcmBits + 7) / 8);
        case Kind::Mp3: return qint64(mp3EffectiveKbps()) * 125;
        case Kind::Wma: {
            const auto& t = files::wmaProfiles();
            return wmaProfile >= 0 && wmaProfile < static_cast<int>(t.size()) ? qint64(t[static_cast<std::size_t>(wmaProfile)].bitrateKbps) * 125 : 0;
        }
        case Kind::Flac: return qint64(flac.sampleRate) * flac.channels * (flac.bitsPerSample / 8);
        case Kind::Opus: return qint64(opus.kbps) * 125 + 1000 / files::XiphWriter::kOpusPageMs * 64;   // pages
        }
        return 0;
    }

    void dropWriter()
    {
        keeper.reset();
        side.reset();
        writer.reset();
        if (!writeKey.isEmpty())
            files::unregisterWriting(writeKey);
        writeKey.clear();
        writeFailed = false;
    }

    // Ends reading and completes a written file. Throws when completing fails; the component
    // is closed all the same.
    void closeAll()
    {
        reader.reset();
        openFailed = false;
        if (!writer)
            return;
        std::unique_ptr<files::AudioWriter> w = std::move(writer);
        const bool failed = writeFailed;
        dropWriter();
        try {
            w->finish();
        } catch (const EngineError&) {
            if (!failed)
                throw;   // a failure already reported by WriteArray is not reported twice
        }
    }
};

TAudioFile2::TAudioFile2() : d(std::make_unique<Impl>()) {}

TAudioFile2::~TAudioFile2()
{
    try {
        d->closeAll();
    } catch (...) {
    }
}

bool TAudioFile2::Active() const { return d->active; }

void TAudioFile2::setActive(bool on)
{
    d->active = on;
    if (!on)
        d->closeAll();
}

void TAudioFile2::SetFormatPCM(int SampleRate, int Channels, int BitsPerSample)
{
    d->openFailed = false;
    d->kind = Kind::Pcm;
    d->pcmRate = SampleRate;
    d->pcmChannels = Channels;
    d->pcmBits = BitsPerSample;
}

void TAudioFile2::SetFormatMP3(int SampleRate, int Bitrate, int Mode)
{
    d->openFailed = false;
    d->kind = Kind::Mp3;
    d->mp3Rate = SampleRate;
    d->mp3Kbps = Bitrate;
    d->mp3Mode = Mode;
}

void TAudioFile2::SetFormatWMA(int Profile)
{
    d->openFailed = false;
    d->kind = Kind::Wma;
    d->wmaProfile = Profile;
}

void TAudioFile2::SetFormatFLAC(int SampleRate, int Channels, int BitsPerSample, int Level)
{
    d->openFailed = false;
    d->kind = Kind::Flac;
    d->flac.sampleRate = SampleRate;
    d->flac.channels = Channels;
    d->flac.bitsPerSample = BitsPerSample;
    d->flac.level = Level;
}

void TAudioFile2::SetFormatOpus(int Bitrate, int Channels)
{
    d->openFailed = false;
    d->kind = Kind::Opus;
    d->opus.kbps = Bitrate;
    d->opus.channels = Channels;
}

void TAudioFile2::SetMP3Encoder(TAudioFile2LameEnc* encoder) { d->encoder = encoder; }

int TAudioFile2::WmaProfileCount() const { return static_cast<int>(files::wmaProfiles().size()); }

void TAudioFile2::Open(const QString& FileName, int /*Mode*/, int /*Access*/)
{
    d->closeAll();
    d->lastError = 0;
    d->lastErrorText.clear();
    if (!QFileInfo::exists(FileName)) {
        d->lastError = 2;
        d->lastErrorText = QStringLiteral("Cannot open %1: the file does not exist").arg(FileName);
        d->openFailed = true;
        return;
    }
    try {
        d->reader = files::openFfmpegReader(FileName);
    } catch (const EngineError& e) {
        d->lastError = 1;
        d->lastErrorText = e.message();
    } catch (const std::exception& e) {
        d->lastError = 1;
        d->lastErrorText = QStringLiteral("Cannot open %1: %2").arg(FileName, QString::fromLocal8Bit(e.what()));
    }
    d->openFailed = d->lastError != 0;
}

int TAudioFile2::LastError() const { return d->lastError; }
QString TAudioFile2::LastErrorText() const { return d->lastErrorText; }

int TAudioFile2::Length() const
{
    if (d->reader)
        return clampToInt(d->reader->length());
    if (d->writer)
        return clampToInt(d->writer->frames());
    return 0;
}

int TAudioFile2::SampleRate() const
{
    if (d->reader)
        return d->reader->sampleRate();
    if (d->writer)
        return d->writeRate;
    return d->formatRate();
}

int TAudioFile2::Channels() const
{
    if (d->reader)
        return d->reader->channels();
    if (d->writer)
        return d->writeChannels;
    return d->formatChannels();
}

qint64 TAudioFile2::BytesPerSecond() const { return d->writer ? d->writeBytesPerSecond : d->bytesPerSecond(); }

QString TAudioFile2::FormatDescription() const
{
    if (d->reader)
        return d->reader->description();
    if (d->writer)
        return d->writeDescription;
    if (d->openFailed)
        return {};
    return d->formatDescription();
}

SampleArray TAudioFile2::ReadArray(int Count)
{
    if (!d->reader || Count <= 0)
        return {};
    if (d->reader->lengthExact())   // no buffer larger than what is left
        Count = static_cast<int>(std::min<std::int64_t>(Count, std::max<std::int64_t>(0, d->reader->length() - d->reader->position())));
    if (Count <= 0)
        return {};
    const int ch = d->reader->channels();
    std::vector<float> data(static_cast<std::size_t>(Count) * static_cast<std::size_t>(ch));
    int got = 0;
    try {
        got = d->reader->read(data.data(), Count);
    } catch (const EngineError&) {
        got = 0;   // a stream that breaks while being read ends there
    }
    if (got <= 0)
        return {};
    data.resize(static_cast<std::size_t>(got) * static_cast<std::size_t>(ch));
    return SampleArray(ch, std::move(data));
}

int TAudioFile2::Seek(int Position, int /*Mode*/)
{
    if (!d->reader)
        return 0;
    try {
        return clampToInt(d->reader->seek(std::max(0, Position)));
    } catch (const EngineError&) {
        return clampToInt(d->reader->position());
    }
}

void TAudioFile2::CreateNew(const QString& FileName, int /*Mode*/)
{
    d->closeAll();
    if (files::isBeingWritten(FileName))
        throw EngineError(QStringLiteral("Cannot create %1: the file is being written").arg(FileName));
    switch (d->kind) {
    case Kind::Pcm:
        if (files::WavWriter::writes(d->pcmChannels, d->pcmBits))
            d->writer = std::make_unique<files::WavWriter>(FileName, d->pcmRate, d->pcmChannels, d->pcmBits);
        else
            d->writer = std::make_unique<files::SndfileWriter>(FileName, d->pcmRate, d->pcmChannels, d->pcmBits);
        break;
    case Kind::Mp3:
        d->writer = std::make_unique<files::LameWriter>(FileName, d->mp3EffectiveRate(), d->mp3Channels(), d->mp3EffectiveKbps());
        break;
    case Kind::Wma: {
        const auto& t = files::wmaProfiles();
        if (d->wmaProfile < 0 || d->wmaProfile >= static_cast<int>(t.size()))
            throw EngineError(QStringLiteral("Cannot create %1: there is no WMA profile %2 (profiles are 0 to %3)")
                                  .arg(FileName).arg(d->wmaProfile).arg(static_cast<int>(t.size()) - 1));
        const files::WmaProfile& p = t[static_cast<std::size_t>(d->wmaProfile)];
        files::FfmpegWriterSpec spec;
        spec.container = QStringLiteral("asf");
        spec.codec = QStringLiteral("wmav2");
        spec.sampleRate = p.sampleRate;
        spec.channels = p.channels;
        spec.bitrate = p.bitrateKbps * 1000;
        spec.padForDecoderDelay = true;
        // The muxer writes whole packets: small enough ones (a quarter second of the stream,
        // 3200 bytes at most) keep what a killed program loses short at low bitrates too.
        spec.muxerOptions = QStringLiteral("packet_size=%1").arg(std::clamp(p.bitrateKbps * 1000 / 8 / 4, 512, 3200));
        d->writer = files::openFfmpegWriter(FileName, spec);
        break;
    }
    case Kind::Flac:
        d->writer = std::make_unique<files::XiphWriter>(FileName, d->flac);
        break;
    case Kind::Opus:
        d->writer = std::make_unique<files::XiphWriter>(FileName, d->opus);
        break;
    }
    d->writeRate = d->formatRate();
    d->writeBytesPerSecond = d->bytesPerSecond();
    d->writeChannels = d->writer->channels();
    d->writeDescription = d->formatDescription();
    d->writeKey = files::registerWriting(FileName);
    try {
        d->side = std::make_shared<files::SideFile>(FileName);
    } catch (const EngineError&) {
        return;   // written all the same, without the header kept or the pushes to storage
    }
    if (d->kind == Kind::Flac)
        d->keeper = files::flacLengthKeeper();
    else if (d->kind == Kind::Wma)
        d->keeper = files::asfLengthKeeper();
}

void TAudioFile2::WriteArray(const SampleArray& block)
{
    if (!d->writer)
        throw EngineError(QStringLiteral("No file is open for writing"));
    if (d->writeFailed || block.isEmpty())
        return;
    const int inCh = block.channels();
    const int outCh = d->writer->channels();
    const int frames = block.frames();
    const float* src = block.data();
    d->scratch.resize(static_cast<std::size_t>(frames) * static_cast<std::size_t>(outCh));
    float* dst = d->scratch.data();
    // Silence for what is not a number or infinite, the rest clamped to -1..1.
    const auto sound = [](float v) { return std::fabs(v) <= FLT_MAX ? std::clamp(v, -1.0f, 1.0f) : 0.0f; };
    if (inCh == outCh) {
        const std::size_t samples = static_cast<std::size_t>(frames) * static_cast<std::size_t>(outCh);
        for (std::size_t k = 0; k < samples; ++k)
            dst[k] = sound(src[k]);
    } else {
        for (int i = 0; i < frames; ++i) {
            const float* in = src + static_cast<std::size_t>(i) * static_cast<std::size_t>(inCh);
            float* out = dst + static_cast<std::size_t>(i) * static_cast<std::size_t>(outCh);
            if (outCh == 1) {
                float sum = 0.0f;
                for (int c = 0; c < inCh; ++c)
                    sum += in[c];
                out[0] = sound(sum / static_cast<float>(inCh));
            } else {
                for (int c = 0; c < outCh; ++c)
                    out[c] = sound(in[std::min(c, inCh - 1)]);
            }
        }
    }
    try {
        d->writer->write(dst, frames);
        if (d->keeper)
            d->keeper->update(*d->side);
    } catch (const EngineError&) {
        // Reported once; the file keeps what was written and takes no more data.
        d->writeFailed = true;
        throw;
    }
}

void TAudioFile2::Close() { d->closeAll(); }

std::shared_ptr<files::SideFile> TAudioFile2::StorageHandle() const { return d->writeFailed ? nullptr : d->side; }
