// Tag and stream information component: TagAccess (TagLib) for the tags, FfmpegReader for the
// play length and the stream description.
#include "engine/TAudioInformation2.h"

#include "engine/EngineError.h"
#include "engine/files/FfmpegModule.h"
#include "engine/files/TagAccess.h"
#include "engine/files/WriteRegistry.h"

#include <QFileInfo>
#include <algorithm>
#include <climits>

struct TAudioInformation2::Impl {
    bool enabled = true;
    int tagVersion = 2;
    files::TagValues tags;
    int durationMs = 0;
    qint64 fileSize = 0;
    QString description;
};

TAudioInformation2::TAudioInformation2() : d(std::make_unique<Impl>()) {}
TAudioInformation2::~TAudioInformation2() = default;

bool TAudioInformation2::infoEnabled() const { return d->enabled; }
void TAudioInformation2::setInfoEnabled(bool on) { d->enabled = on; }

QString TAudioInformation2::GenreName(int index) const
{
    const QStringList& names = files::genreNames();
    return index >= 0 && index < names.size() ? names[index] : QString();
}

void TAudioInformation2::ReadInfo(const QString& FileName)
{
    // Nothing of the file read before describes this one, whether it reads or not.
    d->durationMs = 0;
    d->fileSize = 0;
    d->description.clear();
    files::TagValues tags = files::readTags(FileName);   // throws for a missing or unreadable file
    int durationMs = 0;
    QString description;
    try {
        const auto reader = files::openFfmpegReader(FileName);
        if (reader->sampleRate() > 0) {
            const std::int64_t ms = reader->length() * 1000 / reader->sampleRate();
            durationMs = static_cast<int>(std::clamp<std::int64_t>(ms, 0, INT_MAX));
        }
        description = reader->description();
    } catch (const EngineError&) {
        // Not decodable (an empty new target, a damaged file): no play length, no description.
    }
    d->tags = tags;
    d->durationMs = durationMs;
    d->description = description;
    d->fileSize = QFileInfo(FileName).size();
}

void TAudioInformation2::WriteInfo(const QString& FileName)
{
    if (files::isBeingWritten(FileName))
        throw EngineError(QStringLiteral("Cannot write the tags of %1: the file is in use (it is being recorded)").arg(FileName));
    files::writeTags(FileName, d->tags, d->tagVersion);
    d->fileSize = QFileInfo(FileName).size();
}

QString TAudioInformation2::infoTitle() const { return files::joinedValues(d->tags.title); }
void TAudioInformation2::setInfoTitle(const QString& v) { d->tags.title = files::valuesFromText(v, d->tags.title); }
QString TAudioInformation2::infoArtist() const { return files::joinedValues(d->tags.artist); }
void TAudioInformation2::setInfoArtist(const QString& v) { d->tags.artist = files::valuesFromText(v, d->tags.artist); }
QString TAudioInformation2::infoAlbum() const { return files::joinedValues(d->tags.album); }
void TAudioInformation2::setInfoAlbum(const QString& v) { d->tags.album = files::valuesFromText(v, d->tags.album); }
QString TAudioInformation2::infoComments() const { return files::joinedValues(d->tags.comments); }
void TAudioInformation2::setInfoComments(const QString& v) { d->tags.comments = files::valuesFromText(v, d->tags.comments); }
QString TAudioInformation2::infoCopyright() const { return files::joinedValues(d->tags.copyright); }
void TAudioInformation2::setInfoCopyright(const QString& v) { d->tags.copyright = files::valuesFromText(v, d->tags.copyright); }
short TAudioInformation2::infoGenre() const { return static_cast<short>(std::clamp(d->tags.genre, -1, 255)); }
void TAudioInformation2::setInfoGenre(int v) { d->tags.genre = v; }
int TAudioInformation2::infoYear() const { return d->tags.year; }
void TAudioInformation2::setInfoYear(int v) { d->tags.year = v; }
short TAudioInformation2::infoTrack() const
{
    return static_cast<short>(std::clamp(d->tags.track, static_cast<int>(SHRT_MIN), static_cast<int>(SHRT_MAX)));
}
void TAudioInformation2::setInfoTrack(int v) { d->tags.track = v; }
int TAudioInformation2::TagVersion() const { return d->tagVersion; }
void TAudioInformation2::setTagVersion(int v) { d->tagVersion = v; }

int TAudioInformation2::Duration() const { return d->durationMs; }
qint64 TAudioInformation2::FileSize() const { return d->fileSize; }
QString TAudioInformation2::FormatDescription() const { return d->description; }
