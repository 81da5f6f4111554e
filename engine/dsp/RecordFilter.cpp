// Placeholder definitions; the owner of this component replaces them.
#include "engine/dsp/RecordFilter.h"

struct RecordFilter::Impl {};
RecordFilter::RecordFilter() : d(std::make_unique<Impl>()) {}
void RecordFilter::setFormat(int /*sampleRate*/, int /*channels*/) { }
void RecordFilter::setNotch(bool /*on*/, float /*hz*/) { }
void RecordFilter::setHighPass(bool /*on*/, float /*hz*/) { }
void RecordFilter::setLowPass(bool /*on*/, float /*hz*/) { }
bool RecordFilter::anyEnabled() const { return {}; }
RecordFilter::~RecordFilter() { }
