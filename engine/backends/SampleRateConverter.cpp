#include "engine/backends/SampleRateConverter.h"
#include "engine/EngineError.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <vector>

namespace {

struct SwrFree {
    void operator()(SwrContext* s) const noexcept { swr_free(&s); }
};
using SwrHandle = std::unique_ptr<SwrContext, SwrFree>;

QString avText(int err)
{
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(err, buf, sizeof buf);
    return QString::fromUtf8(buf);
}

void check(int err, const char* what)
{
    if (err < 0)
        throw EngineError(QStringLiteral("Sample-rate conversion (%1): %2").arg(QLatin1String(what), avText(err)));
}

} // namespace

struct SampleRateConverter::Impl {
    int inRate = 0, outRate = 0, channels = 0, maxIn = 0, maxOut = 0;
    SwrHandle swr;

    void build()
    {
        AVChannelLayout layout{};
        av_channel_layout_default(&layout, channels);
        SwrContext* raw = nullptr;
        const int err = swr_alloc_set_opts2(&raw, &layout, AV_SAMPLE_FMT_FLT, outRate, &layout,
                                            AV_SAMPLE_FMT_FLT, inRate, 0, nullptr);
        av_channel_layout_uninit(&layout);
        SwrHandle s(raw);
        check(err, "options");
        check(swr_init(s.get()), "init");
        // Prime the internal buffers with blocks of silence of the largest size, so that later
        // conversions of that size or less never allocate. What the priming leaves behind is
        // the filter's delay worth of silence: the stream starts a few frames later.
        std::vector<float> in(static_cast<std::size_t>(maxIn) * channels, 0.0f);
        std::vector<float> out(static_cast<std::size_t>(maxOut) * channels, 0.0f);
        const uint8_t* inPlanes[1] = {reinterpret_cast<const uint8_t*>(in.data())};
        uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(out.data())};
        for (int i = 0; i < 2; ++i)
            check(swr_convert(s.get(), outPlanes, maxOut, inPlanes, maxIn), "priming");
        swr = std::move(s);
    }
};

SampleRateConverter::SampleRateConverter(int inputRate, int outputRate, int channels, int maxInputFrames)
    : d(std::make_unique<Impl>())
{
    if (inputRate <= 0 || outputRate <= 0 || channels <= 0 || channels > 8 || maxInputFrames <= 0)
        throw EngineError(QStringLiteral("Sample-rate conversion from %1 Hz to %2 Hz with %3 channels is not possible")
                              .arg(inputRate).arg(outputRate).arg(channels));
    d->inRate = inputRate;
    d->outRate = outputRate;
    d->channels = channels;
    d->maxIn = maxInputFrames;
    // The ratio's share plus room for the history the resampler may release at once.
    d->maxOut = static_cast<int>((static_cast<long long>(maxInputFrames) * outputRate + inputRate - 1) / inputRate) + 256;
    d->build();
}

SampleRateConverter::~SampleRateConverter() = default;

int SampleRateConverter::inputRate() const { return d->inRate; }
int SampleRateConverter::outputRate() const { return d->outRate; }
int SampleRateConverter::channels() const { return d->channels; }
int SampleRateConverter::maxInputFrames() const { return d->maxIn; }
int SampleRateConverter::maxOutputFrames() const { return d->maxOut; }

int SampleRateConverter::convert(const float* input, int frames, float* output, int outputCapacity) noexcept
{
    if (frames < 0 || frames > d->maxIn || !output || outputCapacity <= 0)
        return -1;
    if (frames == 0)
        return 0;   // (a null input would flush the resampler)
    const uint8_t* inPlanes[1] = {reinterpret_cast<const uint8_t*>(input)};
    uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(output)};
    // The resampler sizes its work buffers by the room it is offered: never more than primed.
    return swr_convert(d->swr.get(), outPlanes, std::min(outputCapacity, d->maxOut), inPlanes, frames);
}

void SampleRateConverter::reset() { d->build(); }
