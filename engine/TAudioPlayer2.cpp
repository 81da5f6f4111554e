// Placeholder definitions; the owner of this component replaces them.
#include "engine/TAudioPlayer2.h"

struct TAudioPlayer2::Impl {};
TAudioPlayer2::TAudioPlayer2(QObject* parent, AudioBackend* backend) : QObject(parent), d(std::make_unique<Impl>()) {}
int TAudioPlayer2::DeviceLastIndex() { return {}; }
int TAudioPlayer2::DeviceIndex() { return {}; }
void TAudioPlayer2::setDeviceIndex(int /*index*/) { }
QString TAudioPlayer2::DeviceName() { return {}; }
bool TAudioPlayer2::DeviceAvailable() { return {}; }
void TAudioPlayer2::SetFormat(int /*SampleRate*/, int /*Channels*/) { }
int TAudioPlayer2::SampleRate() const { return {}; }
int TAudioPlayer2::Channels() const { return {}; }
int TAudioPlayer2::MillisecondsToSamples(int /*ms*/) const { return {}; }
int TAudioPlayer2::SamplesToMilliseconds(int /*samples*/) const { return {}; }
bool TAudioPlayer2::TimerEnabled() const { return {}; }
void TAudioPlayer2::setTimerEnabled(bool /*on*/) { }
int TAudioPlayer2::TimerInterval() const { return {}; }
void TAudioPlayer2::setTimerInterval(int /*ms*/) { }
int TAudioPlayer2::Volume() const { return {}; }
void TAudioPlayer2::setVolume(int /*value*/) { }
void TAudioPlayer2::Play() { }
void TAudioPlayer2::Stop() { }
int TAudioPlayer2::LastError() const { return {}; }
QString TAudioPlayer2::LastErrorText() const { return {}; }
void TAudioPlayer2::PlayArray(SampleArray& /*block*/) { }
int TAudioPlayer2::CurrentSamples() const { return {}; }
SampleArray TAudioPlayer2::GetCurrentArray(int /*Count*/) { return {}; }
int TAudioPlayer2::LevelLeft() const { return {}; }
int TAudioPlayer2::LevelRight() const { return {}; }
bool TAudioPlayer2::EqualizerEnabled() const { return {}; }
void TAudioPlayer2::setEqualizerEnabled(bool /*on*/) { }
void TAudioPlayer2::SetEqualizer(const std::vector<float>& /*bands*/) { }
int TAudioPlayer2::srcLastIndex() { return {}; }
void TAudioPlayer2::setSrcIndex(int /*index*/) { }
int TAudioPlayer2::srcIndex() const { return {}; }
QString TAudioPlayer2::srcName() { return {}; }
bool TAudioPlayer2::srcVolumeEnabled() { return {}; }
int TAudioPlayer2::srcVolume() { return {}; }
void TAudioPlayer2::setSrcVolume(int /*value*/) { }
bool TAudioPlayer2::srcBalanceEnabled() { return {}; }
int TAudioPlayer2::srcBalance() { return {}; }
void TAudioPlayer2::setSrcBalance(int /*value*/) { }
bool TAudioPlayer2::srcMuteEnabled() { return {}; }
bool TAudioPlayer2::srcMute() { return {}; }
void TAudioPlayer2::setSrcMute(bool /*on*/) { }
int TAudioPlayer2::srcAdvancedLastIndex() { return {}; }
QString TAudioPlayer2::srcAdvancedName(int /*i*/) { return {}; }
QVariant TAudioPlayer2::srcAdvancedValue(int /*i*/) { return {}; }
void TAudioPlayer2::setSrcAdvancedValue(int /*i*/, const QVariant& /*value*/) { }
TAudioPlayer2::~TAudioPlayer2() { }
