#pragma once
// Tag reading and writing through TagLib, by file type:
//   .mp3 .mp2 .mp1 .mpeg   ID3v1 and ID3v2 (written as ID3v2.3; several values of a field in
//                          one frame, separated by zero bytes as TagLib writes them)
//   .wav                   RIFF INFO (an ID3v2 chunk already present is kept up to date)
//   .wma .asf              ASF content description and WM/ attributes
//   .ogg .opus .flac       Vorbis comments (Xiph comments; an .ogg may hold Vorbis or Opus)
//   .mpc .mp+              APEv2
// Other types (AVI, VOX, raw, GSM, G.72x) have no tags.
#include <QString>
#include <QStringList>

namespace files {

// The text fields hold each of their values, in the file's order: ID3v2 text frames, Vorbis
// comments and APE items may hold several (two TPE1 frames, two ARTIST comments), the other
// kinds one. Written back, a field whose values the file already holds is left as it is.
struct TagValues {
    QStringList title;
    QStringList artist;
    QStringList album;
    QStringList comments;
    QStringList copyright;
    int genre = 255;    // ID3v1 genre number; 255 (or anything outside the list) is none
    int year = 0;       // 0 is none
    int track = 0;      // 0 is none
};

// Whether the file's type can hold tags (by its extension).
bool typeHasTags(const QString& path);
// Reads the tags. A file type without tags gives empty values. Throws EngineError for a
// missing or unreadable file.
TagValues readTags(const QString& path);
// Writes the tags in place; the audio data is not touched. id3Version 1 writes ID3v1,
// anything else ID3v2, in MPEG files (a tag of the other kind already present is updated
// too, so that both agree). Throws EngineError for a missing file, a file that cannot be
// opened for writing (in use or read-only), a type without tags or a failed save.
void writeTags(const QString& path, const TagValues& values, int id3Version);

// Several values shown as one text, and that text taken back: " / " between the values.
QString joinedValues(const QStringList& values);
// The values a field gets from an edited text. The text the values already show keeps them
// as they are; a field of several values is split at " / "; any other text is one value (none
// when empty).
QStringList valuesFromText(const QString& text, const QStringList& current);

// TagLib's ID3v1 genre list (index = genre number).
const QStringList& genreNames();

} // namespace files
