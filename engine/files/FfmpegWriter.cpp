#include "engine/files/FfmpegWriter.h"

#include "engine/EngineError.h"
#include "engine/files/FfmpegCommon.h"
#include "engine/files/FfmpegHandles.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace files {

namespace {
struct OutputCloser {
    void operator()(AVFormatContext* c) const
    {
        if (c->pb && !(c->oformat->flags & AVFMT_NOFILE))
            avio_closep(&c->pb);
        avformat_free_context(c);
    }
};

bool formatSupported(const AVCodec* codec, AVSampleFormat f)
{
    if (!codec->sample_fmts)
        return false;
    for (const AVSampleFormat* p = codec->sample_fmts; *p != AV_SAMPLE_FMT_NONE; ++p)
        if (*p == f)
            return true;
    return false;
}

// One channel of `n` interleaved frames (`inStep` samples apart), clamped to -1..1, into the
// encoder's sample type (`outStep` apart: 1 for a plane, the channel count when packed).
template <typename Out, typename Convert>
void convertChannel(const float* in, std::size_t inStep, Out* out, std::size_t outStep, int n, Convert convert)
{
    for (int i = 0; i < n; ++i)
        out[static_cast<std::size_t>(i) * outStep] =
            convert(std::clamp(in[static_cast<std::size_t>(i) * inStep], -1.0f, 1.0f));
}

} // namespace

struct FfmpegWriter::State {
    QString path;
    std::unique_ptr<AVFormatContext, OutputCloser> oc;
    std::unique_ptr<AVCodecContext, CodecFreer> enc;
    std::unique_ptr<AVPacket, PacketFreer> pkt{av_packet_alloc()};
    std::unique_ptr<AVFrame, FrameFreer> frame{av_frame_alloc()};
    AVStream* st = nullptr;
    int channels = 0;
    int frameSize = 0;
    std::vector<float> pending;      // interleaved, fewer than frameSize frames
    std::int64_t frames = 0;         // accepted
    std::int64_t nextPts = 0;
    bool headerWritten = false;
    bool finished = false;
    bool failed = false;
    bool padDelay = false;

    [[noreturn]] void fail(const QString& doing, int err) const
    {
        throw EngineError(QStringLiteral("%1 %2: %3").arg(doing, path, avErrorText(err)));
    }

    void drain(bool flushing)
    {
        for (;;) {
            const int r = avcodec_receive_packet(enc.get(), pkt.get());
            if (r == AVERROR(EAGAIN) || (flushing && r == AVERROR_EOF))
                return;
            if (r < 0)
                fail(QStringLiteral("Cannot encode"), r);
            av_packet_rescale_ts(pkt.get(), enc->time_base, st->time_base);
            pkt->stream_index = st->index;
            const int w = av_interleaved_write_frame(oc.get(), pkt.get());
            if (w < 0)
                fail(QStringLiteral("Cannot write to"), w);
        }
    }

    void sendFrame(const float* data, int n)
    {
        frame->nb_samples = n;
        frame->format = enc->sample_fmt;
        av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
        frame->sample_rate = enc->sample_rate;
        int r = av_frame_get_buffer(frame.get(), 0);
        if (r < 0)
            fail(QStringLiteral("Cannot encode"), r);
        const auto fmt = enc->sample_fmt;
        const bool planar = av_sample_fmt_is_planar(fmt);
        const AVSampleFormat packed = av_get_packed_sample_fmt(fmt);   // once, not per sample
        const auto ch = static_cast<std::size_t>(channels);
        for (int c = 0; c < channels; ++c) {
            const float* in = data + c;
            uint8_t* plane = frame->extended_data[planar ? c : 0];
            const std::size_t step = planar ? 1 : ch;
            const std::size_t first = planar ? 0 : static_cast<std::size_t>(c);
            switch (packed) {
            case AV_SAMPLE_FMT_FLT:
                convertChannel(in, ch, reinterpret_cast<float*>(plane) + first, step, n, [](float v) { return v; });
                break;
            case AV_SAMPLE_FMT_S16:
                convertChannel(in, ch, reinterpret_cast<int16_t*>(plane) + first, step, n, [](float v) {
                    return static_cast<int16_t>(std::lrintf(std::min(v * 32768.0f, 32767.0f)));
                });
                break;
            case AV_SAMPLE_FMT_S32:
                convertChannel(in, ch, reinterpret_cast<int32_t*>(plane) + first, step, n, [](float v) {
                    return static_cast<int32_t>(std::llrint(std::min(v * 2147483648.0, 2147483647.0)));
                });
                break;
            case AV_SAMPLE_FMT_U8:
                convertChannel(in, ch, plane + first, step, n, [](float v) {
                    return static_cast<uint8_t>(std::clamp(std::lrintf(v * 128.0f) + 128, 0L, 255L));
                });
                break;
            case AV_SAMPLE_FMT_DBL:
                convertChannel(in, ch, reinterpret_cast<double*>(plane) + first, step, n,
                               [](float v) { return static_cast<double>(v); });
                break;
            default: break;
            }
        }
        frame->pts = nextPts;
        nextPts += n;
        r = avcodec_send_frame(enc.get(), frame.get());
        av_frame_unref(frame.get());
        if (r < 0)
            fail(QStringLiteral("Cannot encode"), r);
        drain(false);
    }
};

FfmpegWriter::FfmpegWriter(const QString& path, const FfmpegWriterSpec& spec) : s(std::make_unique<State>())
{
    initFfmpegLogging();
    s->path = path;
    s->channels = spec.channels;
    const QByteArray container = spec.container.toUtf8();
    const QByteArray url = QByteArray("file:") + QFile::encodeName(path);
    AVFormatContext* oc = nullptr;
    int r = avformat_alloc_output_context2(&oc, nullptr, container.constData(), url.constData());
    if (r < 0 || !oc)
        s->fail(QStringLiteral("Cannot create"), r < 0 ? r : AVERROR_MUXER_NOT_FOUND);
    s->oc.reset(oc);
    const AVCodec* codec = avcodec_find_encoder_by_name(spec.codec.toUtf8().constData());
    if (!codec)
        s->fail(QStringLiteral("Cannot create"), AVERROR_ENCODER_NOT_FOUND);
    s->enc.reset(avcodec_alloc_context3(codec));
    if (!s->enc)
        s->fail(QStringLiteral("Cannot create"), AVERROR(ENOMEM));
    AVCodecContext* enc = s->enc.get();
    const AVSampleFormat preferred[] = {AV_SAMPLE_FMT_FLTP, AV_SAMPLE_FMT_FLT, AV_SAMPLE_FMT_S16,
                                        AV_SAMPLE_FMT_S16P, AV_SAMPLE_FMT_S32, AV_SAMPLE_FMT_S32P,
                                        AV_SAMPLE_FMT_U8, AV_SAMPLE_FMT_DBL, AV_SAMPLE_FMT_DBLP};
    enc->sample_fmt = AV_SAMPLE_FMT_NONE;
    for (AVSampleFormat f : preferred) {
        if (formatSupported(codec, f)) {
            enc->sample_fmt = f;
            break;
        }
    }
    if (enc->sample_fmt == AV_SAMPLE_FMT_NONE)
        s->fail(QStringLiteral("Cannot create"), AVERROR(EINVAL));
    enc->sample_rate = spec.sampleRate;
    av_channel_layout_default(&enc->ch_layout, spec.channels);
    if (spec.bitrate > 0)
        enc->bit_rate = spec.bitrate;
    enc->time_base = AVRational{1, spec.sampleRate};
    if (oc->oformat->flags & AVFMT_GLOBALHEADER)
        enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (!spec.encoderOptions.isEmpty()) {
        r = av_dict_parse_string(&options, spec.encoderOptions.toUtf8().constData(), "=", ":", 0);
        if (r < 0) {
            av_dict_free(&options);
            s->fail(QStringLiteral("Cannot start the encoder for"), r);
        }
    }
    r = avcodec_open2(enc, codec, &options);
    av_dict_free(&options);
    if (r < 0)
        s->fail(QStringLiteral("Cannot start the encoder for"), r);
    s->frameSize = (codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) || enc->frame_size <= 0 ? 4096 : enc->frame_size;

    s->st = avformat_new_stream(oc, nullptr);
    if (!s->st)
        s->fail(QStringLiteral("Cannot create"), AVERROR(ENOMEM));
    s->st->time_base = enc->time_base;
    r = avcodec_parameters_from_context(s->st->codecpar, enc);
    if (r < 0)
        s->fail(QStringLiteral("Cannot create"), r);
    r = avio_open(&oc->pb, url.constData(), AVIO_FLAG_WRITE);
    if (r < 0)
        s->fail(QStringLiteral("Cannot create"), r);
    AVDictionary* muxerOptions = nullptr;
    if (!spec.muxerOptions.isEmpty()) {
        r = av_dict_parse_string(&muxerOptions, spec.muxerOptions.toUtf8().constData(), "=", ":", 0);
        if (r < 0) {
            av_dict_free(&muxerOptions);
            s->fail(QStringLiteral("Cannot create"), r);
        }
    }
    r = avformat_write_header(oc, &muxerOptions);
    av_dict_free(&muxerOptions);
    if (r < 0)
        s->fail(QStringLiteral("Cannot create"), r);
    s->headerWritten = true;
    s->padDelay = spec.padForDecoderDelay;
    if (s->padDelay)
        s->pending.assign(static_cast<std::size_t>(s->frameSize) * static_cast<std::size_t>(s->channels), 0.0f);
    avio_flush(oc->pb);
    if (oc->pb->error < 0)
        s->fail(QStringLiteral("Cannot create"), oc->pb->error);
}

FfmpegWriter::~FfmpegWriter()
{
    if (!s->finished && s->headerWritten) {
        try {
            finish();
        } catch (const EngineError&) {
        }
    }
}

int FfmpegWriter::channels() const { return s->channels; }
std::int64_t FfmpegWriter::frames() const { return s->frames; }

void FfmpegWriter::write(const float* interleaved, int frames)
{
    if (s->finished)
        throw EngineError(QStringLiteral("Cannot write to %1: the file is closed").arg(s->path));
    if (frames <= 0)
        return;
    const std::size_t ch = static_cast<std::size_t>(s->channels);
    s->pending.insert(s->pending.end(), interleaved, interleaved + static_cast<std::size_t>(frames) * ch);
    s->frames += frames;
    std::size_t used = 0;
    const std::size_t frameSamples = static_cast<std::size_t>(s->frameSize) * ch;
    while (s->pending.size() - used >= frameSamples) {
        s->sendFrame(s->pending.data() + used, s->frameSize);
        used += frameSamples;
    }
    s->pending.erase(s->pending.begin(), s->pending.begin() + static_cast<std::ptrdiff_t>(used));
    avio_flush(s->oc->pb);
    if (s->oc->pb->error < 0)
        s->fail(QStringLiteral("Cannot write to"), s->oc->pb->error);
}

void FfmpegWriter::finish()
{
    if (s->finished)
        return;
    s->finished = true;
    const std::size_t ch = static_cast<std::size_t>(s->channels);
    if (s->padDelay) {
        if (s->frames > 0)
            s->pending.resize(s->pending.size() + static_cast<std::size_t>(s->frameSize) * ch, 0.0f);
        else
            s->pending.clear();   // nothing was written: no audio at all
    }
    const std::size_t frameSamples = static_cast<std::size_t>(s->frameSize) * ch;
    std::size_t used = 0;
    while (s->pending.size() - used >= frameSamples) {
        s->sendFrame(s->pending.data() + used, s->frameSize);
        used += frameSamples;
    }
    s->pending.erase(s->pending.begin(), s->pending.begin() + static_cast<std::ptrdiff_t>(used));
    if (!s->pending.empty()) {
        int n = static_cast<int>(s->pending.size() / ch);
        const bool small = s->enc->codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
        if (!small) {
            s->pending.resize(frameSamples, 0.0f);
            n = s->frameSize;
        }
        s->sendFrame(s->pending.data(), n);
        s->pending.clear();
    }
    int r = avcodec_send_frame(s->enc.get(), nullptr);
    if (r < 0 && r != AVERROR_EOF)
        s->fail(QStringLiteral("Cannot complete"), r);
    s->drain(true);
    r = av_write_trailer(s->oc.get());
    if (r < 0)
        s->fail(QStringLiteral("Cannot complete"), r);
    r = avio_closep(&s->oc->pb);
    if (r < 0)
        s->fail(QStringLiteral("Cannot complete"), r);
}

} // namespace files
