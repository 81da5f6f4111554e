#pragma once
// Tags and stream data of an audio file (TagLib for the tags, FFmpeg for the stream).
// ReadInfo and WriteInfo raise EngineError with a clear text for a missing file, a file in
// use or a format without tags.
//
// Details of this implementation:
// - ReadInfo raises for a missing or unreadable file only, and for what is not a regular file
//   (a named pipe, a device, a folder, a socket; a link by what it leads to), which it never
//   opens. After a failed ReadInfo, Duration, FileSize and FormatDescription are 0 and empty. A file of a type without tags
//   (AVI, VOX, raw, ...) or one that cannot be decoded reads as empty tags, with its size and,
//   where it decodes, its play length and description: the file list needs those.
// - WriteInfo raises for a missing file, a file that cannot be opened for writing (read-only,
//   or being recorded by this program), a type without tags and a failed save.
// - Tag kinds: MP3 files ID3v1 (TagVersion 1) or ID3v2.3 (TagVersion 2, the default); a tag
//   of the other kind already in the file is updated too. WAV: RIFF INFO; WMA: ASF; Ogg:
//   Vorbis comments; Musepack: APEv2. ReadInfo prefers ID3v2 over ID3v1. ID3v1 has no
//   copyright field.
// - A text field of several values (two artist frames, two ARTIST comments) reads as all of
//   them joined with " / ". Set back unchanged, the field keeps its values as they are in the
//   file; changed, a field of several values is split at " / " again, any other is one value.
// - infoGenre: the ID3v1 genre number; 255 means none (any number outside the list is written
//   as none). infoYear and infoTrack: 0 means none. infoEnabled is kept for the program and
//   does not change reading or writing.
#include <QString>
#include <memory>

class TAudioInformation2 {
public:
    TAudioInformation2();
    ~TAudioInformation2();
    TAudioInformation2(const TAudioInformation2&) = delete;
    TAudioInformation2& operator=(const TAudioInformation2&) = delete;

    bool infoEnabled() const;
    void setInfoEnabled(bool on);
    QString GenreName(int index) const;  // 0..146

    void ReadInfo(const QString& FileName);
    void WriteInfo(const QString& FileName);

    QString infoTitle() const;      void setInfoTitle(const QString& v);
    QString infoArtist() const;     void setInfoArtist(const QString& v);
    QString infoAlbum() const;      void setInfoAlbum(const QString& v);
    QString infoComments() const;   void setInfoComments(const QString& v);
    QString infoCopyright() const;  void setInfoCopyright(const QString& v);
    short infoGenre() const;        void setInfoGenre(int v);
    int infoYear() const;           void setInfoYear(int v);
    short infoTrack() const;        void setInfoTrack(int v);
    int TagVersion() const;         void setTagVersion(int v);   // 1: ID3v1, 2: ID3v2

    int Duration() const;           // milliseconds
    qint64 FileSize() const;        // bytes
    QString FormatDescription() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
