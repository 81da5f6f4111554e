#include "engine/backends/VariableResampler.h"
#include "engine/EngineError.h"

#include <samplerate.h>

namespace {

struct SrcFree {
    void operator()(SRC_STATE* s) const noexcept { src_delete(s); }
};
using SrcHandle = std::unique_ptr<SRC_STATE, SrcFree>;

[[noreturn]] void fail(int error, const char* what)
{
    throw EngineError(QStringLiteral("Sample-rate conversion (%1): %2")
                          .arg(QLatin1String(what), QString::fromUtf8(src_strerror(error))));
}

} // namespace

struct VariableResampler::Impl {
    int channels = 0;
    SrcHandle state;
};

VariableResampler::VariableResampler(int channels) : d(std::make_unique<Impl>())
{
    if (channels < 1 || channels > 8)
        throw EngineError(QStringLiteral("Sample-rate conversion of %1 channels is not possible").arg(channels));
    int error = 0;
    SrcHandle state(src_new(SRC_SINC_FASTEST, channels, &error));
    if (!state)
        fail(error, "new");
    d->channels = channels;
    d->state = std::move(state);
}

VariableResampler::~VariableResampler() = default;

int VariableResampler::channels() const { return d->channels; }

VariableResampler::Result VariableResampler::convert(const float* input, int frames, float* output, int capacity,
                                                     double ratio)
{
    Result r;
    if (frames <= 0 || capacity <= 0)
        return r;
    // The ratio steps to its new value at the start of the call instead of gliding across it.
    if (const int e = src_set_ratio(d->state.get(), ratio))
        fail(e, "ratio");
    SRC_DATA data{};
    data.data_in = input;
    data.input_frames = frames;
    data.data_out = output;
    data.output_frames = capacity;
    data.src_ratio = ratio;
    data.end_of_input = 0;
    if (const int e = src_process(d->state.get(), &data))
        fail(e, "process");
    r.used = static_cast<int>(data.input_frames_used);
    r.made = static_cast<int>(data.output_frames_gen);
    return r;
}

void VariableResampler::reset()
{
    if (const int e = src_reset(d->state.get()))
        fail(e, "reset");
}
