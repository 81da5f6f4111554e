// Placeholder definitions; the owner of this component replaces them.
#include "engine/TAudioInformation2.h"

struct TAudioInformation2::Impl {};
TAudioInformation2::TAudioInformation2() : d(std::make_unique<Impl>()) {}
bool TAudioInformation2::infoEnabled() const { return {}; }
void TAudioInformation2::setInfoEnabled(bool /*on*/) { }
QString TAudioInformation2::GenreName(int /*index*/) const { return {}; }
void TAudioInformation2::ReadInfo(const QString& /*FileName*/) { }
void TAudioInformation2::WriteInfo(const QString& /*FileName*/) { }
QString TAudioInformation2::infoTitle() const { return {}; }
void TAudioInformation2::setInfoTitle(const QString& /*v*/) { }
QString TAudioInformation2::infoArtist() const { return {}; }
void TAudioInformation2::setInfoArtist(const QString& /*v*/) { }
QString TAudioInformation2::infoAlbum() const { return {}; }
void TAudioInformation2::setInfoAlbum(const QString& /*v*/) { }
QString TAudioInformation2::infoComments() const { return {}; }
void TAudioInformation2::setInfoComments(const QString& /*v*/) { }
QString TAudioInformation2::infoCopyright() const { return {}; }
void TAudioInformation2::setInfoCopyright(const QString& /*v*/) { }
short TAudioInformation2::infoGenre() const { return {}; }
void TAudioInformation2::setInfoGenre(int /*v*/) { }
int TAudioInformation2::infoYear() const { return {}; }
void TAudioInformation2::setInfoYear(int /*v*/) { }
short TAudioInformation2::infoTrack() const { return {}; }
void TAudioInformation2::setInfoTrack(int /*v*/) { }
int TAudioInformation2::TagVersion() const { return {}; }
void TAudioInformation2::setTagVersion(int /*v*/) { }
int TAudioInformation2::Duration() const { return {}; }
qint64 TAudioInformation2::FileSize() const { return {}; }
QString TAudioInformation2::FormatDescription() const { return {}; }
TAudioInformation2::~TAudioInformation2() { }
