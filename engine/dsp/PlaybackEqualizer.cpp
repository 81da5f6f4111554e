// Placeholder definitions; the owner of this component replaces them.
#include "engine/dsp/PlaybackEqualizer.h"

struct PlaybackEqualizer::Impl {};
PlaybackEqualizer::PlaybackEqualizer() : d(std::make_unique<Impl>()) {}
float PlaybackEqualizer::bandFrequency(int /*band*/) { return {}; }
void PlaybackEqualizer::setFormat(int /*sampleRate*/, int /*channels*/) { }
void PlaybackEqualizer::setEnabled(bool /*on*/) { }
bool PlaybackEqualizer::enabled() const { return {}; }
void PlaybackEqualizer::setGains(const std::vector<float>& /*gainsDb*/) { }
PlaybackEqualizer::~PlaybackEqualizer() { }
