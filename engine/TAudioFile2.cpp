// Placeholder definitions; the owner of this component replaces them.
#include "engine/TAudioFile2.h"

struct TAudioFile2::Impl {};
TAudioFile2::TAudioFile2() : d(std::make_unique<Impl>()) {}
bool TAudioFile2::Active() const { return {}; }
void TAudioFile2::setActive(bool /*on*/) { }
void TAudioFile2::SetFormatPCM(int /*SampleRate*/, int /*Channels*/, int /*BitsPerSample*/) { }
void TAudioFile2::SetFormatMP3(int /*SampleRate*/, int /*Bitrate*/, int /*Mode*/) { }
void TAudioFile2::SetFormatWMA(int /*Profile*/) { }
void TAudioFile2::SetMP3Encoder(TAudioFile2LameEnc* /*encoder*/) { }
int TAudioFile2::WmaProfileCount() const { return {}; }
void TAudioFile2::Open(const QString& /*FileName*/, int /*Mode*/, int /*Access*/) { }
int TAudioFile2::LastError() const { return {}; }
QString TAudioFile2::LastErrorText() const { return {}; }
int TAudioFile2::Length() const { return {}; }
int TAudioFile2::SampleRate() const { return {}; }
int TAudioFile2::Channels() const { return {}; }
QString TAudioFile2::FormatDescription() const { return {}; }
SampleArray TAudioFile2::ReadArray(int /*Count*/) { return {}; }
int TAudioFile2::Seek(int /*Position*/, int /*Mode*/) { return {}; }
void TAudioFile2::CreateNew(const QString& /*FileName*/, int /*Mode*/) { }
void TAudioFile2::WriteArray(const SampleArray& /*block*/) { }
void TAudioFile2::Close() { }
TAudioFile2::~TAudioFile2() { }
