// Weak stand-ins for the DSP process() functions while their sources do not define them yet:
// audio passes through unchanged. A real definition in engine/dsp replaces these at link time.
#include "engine/dsp/PlaybackEqualizer.h"
#include "engine/dsp/RecordFilter.h"

__attribute__((weak)) void RecordFilter::process(float* /*interleaved*/, int /*frames*/) noexcept {}
__attribute__((weak)) void PlaybackEqualizer::process(float* /*interleaved*/, int /*frames*/) noexcept {}
