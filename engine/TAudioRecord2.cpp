// Placeholder definitions; the owner of this component replaces them.
#include "engine/TAudioRecord2.h"

struct TAudioRecord2::Impl {};
TAudioRecord2::TAudioRecord2(QObject* parent, AudioBackend* backend) : QObject(parent), d(std::make_unique<Impl>()) {}
int TAudioRecord2::DeviceLastIndex() { return {}; }
int TAudioRecord2::DeviceIndex() { return {}; }
void TAudioRecord2::setDeviceIndex(int /*index*/) { }
QString TAudioRecord2::DeviceName() { return {}; }
bool TAudioRecord2::DeviceAvailable() { return {}; }
void TAudioRecord2::SetFormat(int /*SampleRate*/, int /*Channels*/) { }
int TAudioRecord2::SampleRate() const { return {}; }
int TAudioRecord2::Channels() const { return {}; }
int TAudioRecord2::MillisecondsToSamples(int /*ms*/) const { return {}; }
int TAudioRecord2::SamplesToMilliseconds(int /*samples*/) const { return {}; }
int TAudioRecord2::ArraySize() const { return {}; }
void TAudioRecord2::setArraySize(int /*frames*/) { }
bool TAudioRecord2::TimerEnabled() const { return {}; }
void TAudioRecord2::setTimerEnabled(bool /*on*/) { }
int TAudioRecord2::TimerInterval() const { return {}; }
void TAudioRecord2::setTimerInterval(int /*ms*/) { }
void TAudioRecord2::StartRecord() { }
void TAudioRecord2::StopRecord() { }
int TAudioRecord2::LastError() const { return {}; }
QString TAudioRecord2::LastErrorText() const { return {}; }
SampleArray TAudioRecord2::GetArray() { return {}; }
SampleArray TAudioRecord2::GetCurrentArray(int /*Count*/) { return {}; }
int TAudioRecord2::CurrentSamples() const { return {}; }
qint64 TAudioRecord2::OverflowCount() const { return {}; }
int TAudioRecord2::LevelLeft() const { return {}; }
int TAudioRecord2::LevelRight() const { return {}; }
bool TAudioRecord2::NotchFilter() const { return {}; }
void TAudioRecord2::setNotchFilter(bool /*on*/) { }
float TAudioRecord2::NotchFrequency() const { return {}; }
void TAudioRecord2::setNotchFrequency(float /*hz*/) { }
bool TAudioRecord2::HighPassFilter() const { return {}; }
void TAudioRecord2::setHighPassFilter(bool /*on*/) { }
float TAudioRecord2::HighPassFrequency() const { return {}; }
void TAudioRecord2::setHighPassFrequency(float /*hz*/) { }
bool TAudioRecord2::LowPassFilter() const { return {}; }
void TAudioRecord2::setLowPassFilter(bool /*on*/) { }
float TAudioRecord2::LowPassFrequency() const { return {}; }
void TAudioRecord2::setLowPassFrequency(float /*hz*/) { }
int TAudioRecord2::srcLastIndex() { return {}; }
void TAudioRecord2::setSrcIndex(int /*index*/) { }
int TAudioRecord2::srcIndex() const { return {}; }
QString TAudioRecord2::srcName() { return {}; }
bool TAudioRecord2::srcVolumeEnabled() { return {}; }
int TAudioRecord2::srcVolume() { return {}; }
void TAudioRecord2::setSrcVolume(int /*value*/) { }
bool TAudioRecord2::srcBalanceEnabled() { return {}; }
int TAudioRecord2::srcBalance() { return {}; }
void TAudioRecord2::setSrcBalance(int /*value*/) { }
bool TAudioRecord2::srcSelectEnabled() { return {}; }
bool TAudioRecord2::srcSelect() { return {}; }
void TAudioRecord2::setSrcSelect(bool /*on*/) { }
int TAudioRecord2::srcAdvancedLastIndex() { return {}; }
QString TAudioRecord2::srcAdvancedName(int /*i*/) { return {}; }
QVariant TAudioRecord2::srcAdvancedValue(int /*i*/) { return {}; }
void TAudioRecord2::setSrcAdvancedValue(int /*i*/, const QVariant& /*value*/) { }
TAudioRecord2::~TAudioRecord2() { }
