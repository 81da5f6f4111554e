#include "engine/files/FfmpegReader.h"

#include "engine/EngineError.h"
#include "engine/files/FfmpegCommon.h"
#include "engine/files/FfmpegHandles.h"
#include "engine/files/Mp3Parse.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace files {

namespace {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};

// A headerless file type: fixed codec parameters, blocks of blockBytes bytes holding
// blockFrames frames each.
struct RawFormat {
    AVCodecID codec;
    int rate;
    int channels;
    int blockBytes;
    int blockFrames;
    int bitsPerCodedSample;
    bool stateless;     // each block decodes on its own (so a seek can start anywhere)
    const char* name;
};

std::optional<RawFormat> rawFormatFor(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("vox"))
        return RawFormat{AV_CODEC_ID_ADPCM_IMA_OKI, 8000, 1, 1, 2, 4, false, "Dialogic ADPCM"};
    if (ext == QLatin1String("raw") || ext == QLatin1String("pcm"))
        return RawFormat{AV_CODEC_ID_PCM_S16LE, 44100, 2, 4, 1, 16, true, "PCM 16 bit"};
    if (ext == QLatin1String("gsm"))
        return RawFormat{AV_CODEC_ID_GSM, 8000, 1, 33, 160, 0, false, "GSM 6.10"};
    if (ext == QLatin1String("g721") || ext == QLatin1String("g726"))
        return RawFormat{AV_CODEC_ID_ADPCM_G726LE, 8000, 1, 1, 2, 4, false, "G.726 ADPCM"};
    if (ext == QLatin1String("g723"))
        return RawFormat{AV_CODEC_ID_ADPCM_G726LE, 8000, 1, 3, 8, 3, false, "G.723 ADPCM"};
    return std::nullopt;
}

bool startsWithRiff(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    return f.read(4) == "RIFF";
}

QString channelsText(int channels)
{
    if (channels == 1)
        return QStringLiteral("Mono");
    if (channels == 2)
        return QStringLiteral("Stereo");
    return QStringLiteral("%1 channels").arg(channels);
}

bool isPcm(AVCodecID id)
{
    return id >= AV_CODEC_ID_PCM_S16LE && id < AV_CODEC_ID_ADPCM_IMA_QT;
}

// A codec's name as players show it: a few by their usual names, the rest by FFmpeg's long
// name without its explanation in brackets ("FLAC (Free Lossless Audio Codec)": FLAC).
QString shortCodecName(AVCodecID id)
{
    switch (id) {
    case AV_CODEC_ID_MUSEPACK7:
    case AV_CODEC_ID_MUSEPACK8: return QStringLiteral("Musepack");
    case AV_CODEC_ID_AC3: return QStringLiteral("AC-3");
    case AV_CODEC_ID_EAC3: return QStringLiteral("E-AC-3");
    case AV_CODEC_ID_DTS: return QStringLiteral("DTS");
    default: break;
    }
    const AVCodecDescriptor* d = avcodec_descriptor_get(id);
    QString name = d && d->long_name ? QString::fromUtf8(d->long_name) : QString::fromUtf8(avcodec_get_name(id));
    const qsizetype bracket = name.indexOf(QLatin1String(" ("));
    if (bracket > 0)
        name.truncate(bracket);
    return name.replace(QLatin1Char(':'), QLatin1Char(' '));
}

enum class SeekKind { Direct, Preroll, Restart };

// One channel of a decoded frame into every outChannels-th float of `out`.
template <typename T, typename Convert>
void convertChannel(const uint8_t* data, std::size_t first, std::size_t stride, int n, float* out, int outChannels,
                    Convert convert)
{
    const T* p = reinterpret_cast<const T*>(data) + first;
    for (int i = 0; i < n; ++i)
        out[static_cast<std::size_t>(i) * static_cast<std::size_t>(outChannels)] =
            convert(p[static_cast<std::size_t>(i) * stride]);
}

// Converts a decoded frame to interleaved floats, `outChannels` per frame (the first channels
// of the frame; a mono frame feeds every output channel). The sample format is looked at once
// per channel, not once per sample: this runs for every sample played.
void appendConverted(const AVFrame* f, int outChannels, std::vector<float>& dst)
{
    const int n = f->nb_samples;
    const int inCh = f->ch_layout.nb_channels > 0 ? f->ch_layout.nb_channels : 1;
    const auto fmt = static_cast<AVSampleFormat>(f->format);
    const bool planar = av_sample_fmt_is_planar(fmt);
    const AVSampleFormat packed = av_get_packed_sample_fmt(fmt);
    const std::size_t base = dst.size();
    dst.resize(base + static_cast<std::size_t>(n) * static_cast<std::size_t>(outChannels));
    float* out = dst.data() + base;
    for (int c = 0; c < outChannels; ++c) {
        const int src = std::min(c, inCh - 1);
        const uint8_t* d = f->extended_data[planar ? src : 0];
        const std::size_t first = planar ? 0 : static_cast<std::size_t>(src);
        const std::size_t stride = planar ? 1 : static_cast<std::size_t>(inCh);
        float* o = out + c;
        switch (packed) {
        case AV_SAMPLE_FMT_U8:
            convertChannel<uint8_t>(d, first, stride, n, o, outChannels, [](uint8_t v) { return (static_cast<int>(v) - 128) / 128.0f; });
            break;
        case AV_SAMPLE_FMT_S16:
            convertChannel<int16_t>(d, first, stride, n, o, outChannels, [](int16_t v) { return v / 32768.0f; });
            break;
        case AV_SAMPLE_FMT_S32:
            convertChannel<int32_t>(d, first, stride, n, o, outChannels, [](int32_t v) { return static_cast<float>(v / 2147483648.0); });
            break;
        case AV_SAMPLE_FMT_S64:
            convertChannel<int64_t>(d, first, stride, n, o, outChannels, [](int64_t v) { return static_cast<float>(v / 9223372036854775808.0); });
            break;
        case AV_SAMPLE_FMT_FLT:
            convertChannel<float>(d, first, stride, n, o, outChannels, [](float v) { return v; });
            break;
        case AV_SAMPLE_FMT_DBL:
            convertChannel<double>(d, first, stride, n, o, outChannels, [](double v) { return static_cast<float>(v); });
            break;
        default:
            convertChannel<uint8_t>(d, 0, 0, n, o, outChannels, [](uint8_t) { return 0.0f; });
            break;
        }
    }
}

} // namespace

struct FfmpegReader::State {
    QString path;
    std::optional<RawFormat> raw;
    std::unique_ptr<AVFormatContext, FormatCloser> fmt;
    QFile rawFile;
    int streamIndex = -1;
    AVRational tb{1, 1};
    std::unique_ptr<AVCodecContext, CodecFreer> dec;
    std::unique_ptr<AVPacket, PacketFreer> pkt{av_packet_alloc()};
    std::unique_ptr<AVFrame, FrameFreer> frame{av_frame_alloc()};

    int rate = 0;
    int fileChannels = 0;
    int outChannels = 0;
    std::int64_t length = 0;
    bool exact = false;
    QString desc;
    SeekKind seekKind = SeekKind::Restart;
    std::int64_t preroll = 0;
    int snapQuantum = 0;             // container timestamps coarser than a frame: snap to this

    std::int64_t originPts = 0;      // timestamp (in frames) of position 0
    bool captureOrigin = true;       // the next frame is position 0: take its timestamp
    bool positionKnown = true;       // false right after a coarse seek, until the first frame
    std::int64_t nextDecodePos = 0;  // position of the next frame the decoder delivers
    std::int64_t pos = 0;            // next frame handed out
    std::vector<float> buf;          // decoded frames starting at bufStart
    std::int64_t bufStart = 0;
    bool inputEof = false;
    bool flushSent = false;
    bool decoderDone = false;
    int decodeErrors = 0;
    std::int64_t firstPacketPos = -1;

    std::int64_t bufFrames() const { return static_cast<std::int64_t>(buf.size()) / outChannels; }

    [[noreturn]] void fail(const QString& what, int err) const
    {
        throw EngineError(QStringLiteral("Cannot open %1: %2").arg(path, err ? avErrorText(err) : what));
    }

    void openDecoder(const AVCodecParameters* par)
    {
        // The float MPEG audio decoders: the fixed-point ones carry a dither state from frame
        // to frame, so their output after a seek would differ from a straight read.
        const AVCodec* codec = nullptr;
        if (par->codec_id == AV_CODEC_ID_MP1)
            codec = avcodec_find_decoder_by_name("mp1float");
        else if (par->codec_id == AV_CODEC_ID_MP2)
            codec = avcodec_find_decoder_by_name("mp2float");
        else if (par->codec_id == AV_CODEC_ID_MP3)
            codec = avcodec_find_decoder_by_name("mp3float");
        if (!codec)
            codec = avcodec_find_decoder(par->codec_id);
        if (!codec)
            fail(QStringLiteral("no decoder for %1").arg(QString::fromUtf8(avcodec_get_name(par->codec_id))), 0);
        dec.reset(avcodec_alloc_context3(codec));
        if (!dec)
            fail(QStringLiteral("out of memory"), 0);
        int r = avcodec_parameters_to_context(dec.get(), par);
        if (r < 0)
            fail({}, r);
        dec->pkt_timebase = tb;
        r = avcodec_open2(dec.get(), codec, nullptr);
        if (r < 0)
            fail({}, r);
    }

    void openContainer()
    {
        AVFormatContext* c = nullptr;
        const QByteArray url = QByteArray("file:") + QFile::encodeName(path);
        int r = avformat_open_input(&c, url.constData(), nullptr, nullptr);
        if (r < 0)
            fail({}, r);
        fmt.reset(c);
        r = avformat_find_stream_info(c, nullptr);
        if (r < 0)
            fail({}, r);
        streamIndex = -1;
        for (unsigned i = 0; i < c->nb_streams; ++i) {
            if (c->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && streamIndex < 0)
                streamIndex = static_cast<int>(i);
            else
                c->streams[i]->discard = AVDISCARD_ALL;
        }
        if (streamIndex < 0)
            fail(QStringLiteral("the file holds no audio stream"), 0);
        tb = c->streams[streamIndex]->time_base;
        openDecoder(c->streams[streamIndex]->codecpar);
    }

    void openRaw()
    {
        rawFile.close();
        rawFile.setFileName(path);
        if (!rawFile.open(QIODevice::ReadOnly))
            fail(rawFile.errorString(), 0);
        std::unique_ptr<AVCodecParameters, void (*)(AVCodecParameters*)> par(
            avcodec_parameters_alloc(), [](AVCodecParameters* p) { avcodec_parameters_free(&p); });
        par->codec_type = AVMEDIA_TYPE_AUDIO;
        par->codec_id = raw->codec;
        par->sample_rate = raw->rate;
        av_channel_layout_default(&par->ch_layout, raw->channels);
        par->bits_per_coded_sample = raw->bitsPerCodedSample;
        par->block_align = raw->codec == AV_CODEC_ID_GSM ? raw->blockBytes : 0;
        tb = AVRational{1, raw->rate};
        openDecoder(par.get());
    }

    // (Re)opens the source and positions it at the first frame.
    void openSource()
    {
        buf.clear();
        bufStart = 0;
        nextDecodePos = 0;
        positionKnown = true;
        captureOrigin = true;
        inputEof = flushSent = decoderDone = false;
        if (raw)
            openRaw();
        else
            openContainer();
    }

    bool nextPacket()
    {
        if (raw) {
            const int blocks = std::max(1, 4096 / raw->blockBytes);
            const int want = blocks * raw->blockBytes;
            if (av_new_packet(pkt.get(), want) < 0)
                return false;
            const qint64 got = rawFile.read(reinterpret_cast<char*>(pkt->data), want);
            const int whole = got > 0 ? static_cast<int>(got / raw->blockBytes) * raw->blockBytes : 0;
            if (whole <= 0) {
                av_packet_unref(pkt.get());
                return false;
            }
            av_shrink_packet(pkt.get(), whole);
            return true;
        }
        for (;;) {
            const int r = av_read_frame(fmt.get(), pkt.get());
            if (r < 0)
                return false;   // end of file, or a read error: the stream ends here
            if (pkt->stream_index == streamIndex) {
                if (firstPacketPos < 0)
                    firstPacketPos = pkt->pos;
                return true;
            }
            av_packet_unref(pkt.get());
        }
    }

    // Decodes one more frame into buf. False at the end of the stream.
    bool decodeMore()
    {
        if (decoderDone)
            return false;
        for (;;) {
            int r = avcodec_receive_frame(dec.get(), frame.get());
            if (r == 0) {
                if (frame->nb_samples > 0) {
                    acceptFrame();
                    av_frame_unref(frame.get());
                    return true;
                }
                av_frame_unref(frame.get());
                continue;
            }
            if (r == AVERROR_EOF) {
                decoderDone = true;
                return false;
            }
            if (r != AVERROR(EAGAIN)) {
                ++decodeErrors;         // a damaged frame: go on with the next packet
                if (flushSent) {
                    decoderDone = true;
                    return false;
                }
            }
            if (inputEof) {
                if (flushSent) {
                    decoderDone = true;
                    return false;
                }
                avcodec_send_packet(dec.get(), nullptr);
                flushSent = true;
                continue;
            }
            if (!nextPacket()) {
                inputEof = true;
                continue;
            }
            r = avcodec_send_packet(dec.get(), pkt.get());
            av_packet_unref(pkt.get());
            if (r < 0 && r != AVERROR(EAGAIN))
                ++decodeErrors;
        }
    }

    std::int64_t frameTimestamp() const
    {
        std::int64_t ts = frame->pts != AV_NOPTS_VALUE ? frame->pts : frame->best_effort_timestamp;
        if (ts == AV_NOPTS_VALUE)
            return AV_NOPTS_VALUE;
        return av_rescale_q(ts, tb, AVRational{1, rate});
    }

    void acceptFrame()
    {
        if (captureOrigin) {
            const std::int64_t ts = frameTimestamp();
            originPts = ts == AV_NOPTS_VALUE ? 0 : ts;
            captureOrigin = false;
        }
        if (!positionKnown) {
            const std::int64_t ts = frameTimestamp();
            std::int64_t p = ts == AV_NOPTS_VALUE ? -1 : ts - originPts;
            if (p >= 0 && snapQuantum > 0)
                p = (p + snapQuantum / 2) / snapQuantum * snapQuantum;
            nextDecodePos = p;   // -1 tells the seek that the position is unknown
            positionKnown = true;
        }
        if (buf.empty())
            bufStart = nextDecodePos;
        appendConverted(frame.get(), outChannels, buf);
        nextDecodePos += frame->nb_samples;
    }

    // Ensures position `target` is in buf or the stream has ended. Drops what lies before it.
    void fillTo(std::int64_t target)
    {
        while (target >= bufStart + bufFrames()) {
            buf.clear();
            bufStart = nextDecodePos;
            if (!decodeMore())
                break;
        }
        if (target > bufStart && target < bufStart + bufFrames()) {
            const std::size_t drop = static_cast<std::size_t>(target - bufStart) * static_cast<std::size_t>(outChannels);
            buf.erase(buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(drop));
            bufStart = target;
        }
    }

    void noteEnd()
    {
        // The decoder has delivered everything: the true length is known now.
        if (decoderDone && (nextDecodePos < length || !exact)) {
            length = nextDecodePos;
            exact = true;
        }
    }

    void restartAt(std::int64_t target)
    {
        openSource();
        fillTo(target);
        pos = std::max<std::int64_t>(std::min(target, bufStart + bufFrames()), bufStart);
        if (decoderDone && target >= nextDecodePos)
            pos = nextDecodePos;
        noteEnd();
    }

    // Jumps near `target` with the container's seek, then decodes up to it.
    bool coarseSeek(std::int64_t target)
    {
        const std::int64_t from = std::max<std::int64_t>(0, target - preroll);
        if (raw) {
            const std::int64_t block = from / raw->blockFrames;
            if (!rawFile.seek(block * raw->blockBytes))
                return false;
            avcodec_flush_buffers(dec.get());
            buf.clear();
            inputEof = flushSent = decoderDone = false;
            nextDecodePos = bufStart = block * raw->blockFrames;
            positionKnown = true;
        } else {
            const std::int64_t ts = av_rescale_q(from + originPts, AVRational{1, rate}, tb);
            if (avformat_seek_file(fmt.get(), streamIndex, std::numeric_limits<std::int64_t>::min(), ts, ts, 0) < 0)
                return false;
            avcodec_flush_buffers(dec.get());
            buf.clear();
            inputEof = flushSent = decoderDone = false;
            positionKnown = false;
            if (!decodeMore())
                return false;
            if (bufStart < 0 || bufStart > target)
                return false;
        }
        fillTo(target);
        pos = std::min(target, bufStart + bufFrames());
        if (decoderDone && target >= nextDecodePos)
            pos = nextDecodePos;
        noteEnd();
        return true;
    }

    void describe(const AVCodecParameters* par, const Mp3StreamInfo* mp3)
    {
        const QString tail = QStringLiteral("%1 Hz").arg(rate);
        if (mp3) {
            desc = QStringLiteral("%1: %2 Hz, %3 kbps, %4")
                       .arg(mp3VersionText(mp3->first.version, mp3->first.layer))
                       .arg(mp3->first.sampleRate)
                       .arg(mp3->averageKbps)
                       .arg(channelsText(mp3->first.channels));
            return;
        }
        std::int64_t bitrate = par->bit_rate;
        if (bitrate <= 0 && fmt)
            bitrate = fmt->bit_rate;
        const QString kbps = bitrate > 0 ? QStringLiteral(", %1 kbps").arg((bitrate + 500) / 1000) : QString();
        const QString chans = channelsText(fileChannels);
        const AVCodecID id = par->codec_id;
        if (raw) {
            desc = QStringLiteral("%1: %2%3, %4").arg(QLatin1String(raw->name), tail, kbps, chans);
        } else if (isPcm(id)) {
            int bits = av_get_bits_per_sample(id);
            desc = QStringLiteral("PCM %1 bit: %2, %3").arg(bits).arg(tail, chans);
        } else if (id == AV_CODEC_ID_WMAV1 || id == AV_CODEC_ID_WMAV2 || id == AV_CODEC_ID_WMAPRO
                   || id == AV_CODEC_ID_WMALOSSLESS || id == AV_CODEC_ID_WMAVOICE) {
            desc = QStringLiteral("WMA %1%2, %3").arg(tail, kbps, chans);
        } else if (id == AV_CODEC_ID_MP1 || id == AV_CODEC_ID_MP2 || id == AV_CODEC_ID_MP3) {
            const int layer = id == AV_CODEC_ID_MP1 ? 1 : id == AV_CODEC_ID_MP2 ? 2 : 3;
            const int version = rate >= 32000 ? 10 : rate >= 16000 ? 20 : 25;
            desc = QStringLiteral("%1: %2%3, %4").arg(mp3VersionText(version, layer), tail, kbps, chans);
        } else if (id == AV_CODEC_ID_VORBIS) {
            desc = QStringLiteral("Ogg Vorbis: %1%2, %3").arg(tail, kbps, chans);
        } else if (id == AV_CODEC_ID_ADPCM_IMA_OKI) {
            desc = QStringLiteral("Dialogic ADPCM: %1%2, %3").arg(tail, kbps, chans);
        } else {
            desc = QStringLiteral("%1: %2%3, %4").arg(shortCodecName(id), tail, kbps, chans);
        }
    }

    // Counts the frames by demuxing (packet durations) or, failing that, by decoding.
    std::int64_t scanLength()
    {
        std::int64_t total = 0;
        bool durations = !raw;
        if (durations) {
            std::int64_t first = AV_NOPTS_VALUE;
            std::int64_t last = AV_NOPTS_VALUE;
            while (nextPacket()) {
                if (pkt->duration <= 0 || pkt->pts == AV_NOPTS_VALUE) {
                    durations = false;
                    av_packet_unref(pkt.get());
                    break;
                }
                if (first == AV_NOPTS_VALUE)
                    first = pkt->pts;
                last = std::max(last, pkt->pts + pkt->duration);
                av_packet_unref(pkt.get());
            }
            if (durations && first != AV_NOPTS_VALUE)
                total = av_rescale_q(last, tb, AVRational{1, rate}) - originPts;
            openSource();
        }
        if (!durations) {
            while (decodeMore())
                buf.clear();
            total = nextDecodePos;
            openSource();
        }
        return std::max<std::int64_t>(0, total);
    }

    void open()
    {
        raw = rawFormatFor(path);
        if (raw && startsWithRiff(path))
            raw.reset();
        if (!QFileInfo::exists(path))
            fail(QStringLiteral("the file does not exist"), 0);
        openSource();

        // A copy: a length scan reopens the source, which frees the stream's own parameters.
        std::unique_ptr<AVCodecParameters, void (*)(AVCodecParameters*)> ownPar(
            avcodec_parameters_alloc(), [](AVCodecParameters* p) { avcodec_parameters_free(&p); });
        if (!ownPar)
            fail(QStringLiteral("out of memory"), 0);
        const int copied = raw ? avcodec_parameters_from_context(ownPar.get(), dec.get())
                               : avcodec_parameters_copy(ownPar.get(), fmt->streams[streamIndex]->codecpar);
        if (copied < 0)
            fail({}, copied);
        const AVCodecParameters* par = ownPar.get();

        fileChannels = par->ch_layout.nb_channels > 0 ? par->ch_layout.nb_channels : dec->ch_layout.nb_channels;
        outChannels = std::clamp(fileChannels, 1, 2);
        rate = dec->sample_rate > 0 ? dec->sample_rate : par->sample_rate;
        if (rate <= 0)
            fail(QStringLiteral("the sample rate is unknown"), 0);
        // The first frame proves that the stream decodes.
        const bool any = decodeMore();
        if (any && dec->sample_rate > 0)
            rate = dec->sample_rate;
        if (!any && decodeErrors > 0)
            fail(QStringLiteral("the audio data cannot be decoded"), 0);
        if (fileChannels <= 0)
            fail(QStringLiteral("the channel count is unknown"), 0);

        const AVCodecID id = par->codec_id;
        if (raw) {
            seekKind = raw->stateless ? SeekKind::Direct : SeekKind::Restart;
        } else if (isPcm(id)) {
            seekKind = SeekKind::Direct;
        } else if (id == AV_CODEC_ID_MP1 || id == AV_CODEC_ID_MP2 || id == AV_CODEC_ID_MP3) {
            seekKind = SeekKind::Preroll;
            preroll = 16 * std::max(384, dec->frame_size > 0 ? dec->frame_size : 1152);
        } else if (id == AV_CODEC_ID_VORBIS || id == AV_CODEC_ID_WMAV1 || id == AV_CODEC_ID_WMAV2
                   || id == AV_CODEC_ID_MUSEPACK7 || id == AV_CODEC_ID_MUSEPACK8 || id == AV_CODEC_ID_AAC
                   || id == AV_CODEC_ID_OPUS || id == AV_CODEC_ID_FLAC) {
            seekKind = SeekKind::Preroll;
            preroll = rate;
        } else {
            seekKind = SeekKind::Restart;
        }
        // Timestamps coarser than a frame (ASF counts milliseconds): positions after a seek are
        // snapped to the codec's frame grid.
        if (tb.num > 0 && static_cast<std::int64_t>(tb.num) * rate > tb.den)
            snapQuantum = dec->frame_size > 0 ? dec->frame_size : static_cast<int>(bufFrames());

        // Length.
        std::optional<Mp3StreamInfo> mp3;
        if (fmt && std::strcmp(fmt->iformat->name, "mp3") == 0) {
            Mp3StreamInfo info = inspectMp3File(path);
            if (info.valid && info.first.sampleRate == rate) {
                length = info.length;
                exact = true;
                mp3 = info;
            }
        }
        if (!mp3) {
            if (raw) {
                length = rawFile.size() / raw->blockBytes * raw->blockFrames;
                exact = true;
            } else if (isPcm(id) && par->block_align > 0 && firstPacketPos >= 0
                       && (std::strcmp(fmt->iformat->name, "wav") == 0 || std::strcmp(fmt->iformat->name, "w64") == 0)) {
                // The data chunk's size, or what the file holds when it was cut off.
                const std::int64_t available = (QFileInfo(path).size() - firstPacketPos) / par->block_align;
                const AVStream* st = fmt->streams[streamIndex];
                std::int64_t declared = st->duration != AV_NOPTS_VALUE ? av_rescale_q(st->duration, tb, AVRational{1, rate}) : available;
                if (declared <= 0)
                    declared = available;   // a size never filled in (a header written once, at the start)
                length = std::max<std::int64_t>(0, std::min(available, declared));
                exact = true;
            } else if (const std::int64_t d = fmt->streams[streamIndex]->duration;
                       d != AV_NOPTS_VALUE && d > 0 && (id == AV_CODEC_ID_FLAC || id == AV_CODEC_ID_OPUS)) {
                // FLAC's stream header and Ogg's last granule position are exact; an Opus
                // granule position counts the encoder delay (the pre-skip) as well.
                length = av_rescale_q(d, tb, AVRational{1, rate});
                if (id == AV_CODEC_ID_OPUS)
                    length = std::max<std::int64_t>(0, length - av_rescale(par->initial_padding, rate, 48000));
                exact = true;
            } else if (fmt->streams[streamIndex]->duration != AV_NOPTS_VALUE && fmt->streams[streamIndex]->duration > 0) {
                length = av_rescale_q(fmt->streams[streamIndex]->duration, tb, AVRational{1, rate});
                exact = false;
            } else {
                length = scanLength();
                exact = true;
            }
        }
        if (!any) {
            length = 0;
            exact = true;
        }
        describe(par, mp3 ? &*mp3 : nullptr);
    }

};

FfmpegReader::FfmpegReader(const QString& path) : s(std::make_unique<State>())
{
    initFfmpegLogging();
    s->path = path;
    s->open();
}

FfmpegReader::~FfmpegReader() = default;

int FfmpegReader::sampleRate() const { return s->rate; }
int FfmpegReader::channels() const { return s->outChannels; }
std::int64_t FfmpegReader::length() const { return s->length; }
bool FfmpegReader::lengthExact() const { return s->exact; }
QString FfmpegReader::description() const { return s->desc; }
std::int64_t FfmpegReader::position() const { return s->pos; }

int FfmpegReader::read(float* out, int frames)
{
    int done = 0;
    while (done < frames) {
        const std::int64_t limit = s->exact ? s->length : std::numeric_limits<std::int64_t>::max();
        if (s->pos >= limit)
            break;
        const std::int64_t bufEnd = s->bufStart + s->bufFrames();
        if (s->pos >= s->bufStart && s->pos < bufEnd) {
            const std::int64_t n = std::min<std::int64_t>({frames - done, bufEnd - s->pos, limit - s->pos});
            const float* src = s->buf.data() + static_cast<std::size_t>(s->pos - s->bufStart) * static_cast<std::size_t>(s->outChannels);
            std::memcpy(out + static_cast<std::size_t>(done) * static_cast<std::size_t>(s->outChannels), src,
                        static_cast<std::size_t>(n) * static_cast<std::size_t>(s->outChannels) * sizeof(float));
            done += static_cast<int>(n);
            s->pos += n;
            continue;
        }
        s->buf.clear();
        s->bufStart = s->nextDecodePos;
        if (!s->decodeMore()) {
            s->noteEnd();
            break;
        }
        if (s->pos < s->bufStart)
            s->pos = s->bufStart;   // a gap in the stream's timestamps: go on from what exists
    }
    return done;
}

std::int64_t FfmpegReader::seek(std::int64_t frame)
{
    // An estimated length (from a container header) does not bound the seek: the stream's end
    // does.
    const std::int64_t target = s->exact ? std::clamp<std::int64_t>(frame, 0, std::max<std::int64_t>(0, s->length))
                                         : std::max<std::int64_t>(frame, 0);
    if (target >= s->bufStart && target < s->bufStart + s->bufFrames()) {
        s->pos = target;
        return s->pos;
    }
    if (target == s->pos)
        return s->pos;
    const std::int64_t ahead = target - std::max(s->pos, s->nextDecodePos);
    const bool forward = target > s->pos && ahead >= 0;
    if (forward && (s->seekKind == SeekKind::Restart || ahead <= std::max<std::int64_t>(s->preroll * 2, s->rate * 5))) {
        s->fillTo(target);
        s->pos = std::min(target, s->bufStart + s->bufFrames());
        if (s->decoderDone && target >= s->nextDecodePos)
            s->pos = s->nextDecodePos;
        s->noteEnd();
        return s->pos;
    }
    if (s->seekKind != SeekKind::Restart && target > s->preroll) {
        try {
            if (s->coarseSeek(target))
                return s->pos;
        } catch (const EngineError&) {
        }
    }
    s->restartAt(target);
    return s->pos;
}

} // namespace files
