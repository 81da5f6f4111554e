#pragma once
// Tags and stream data of an audio file (TagLib for the tags, FFmpeg for the stream).
// ReadInfo and WriteInfo raise EngineError with a clear text for a missing file, a file in
// use or a format without tags.
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
