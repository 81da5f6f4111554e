#include "engine/files/TagAccess.h"

#include "engine/EngineError.h"
#include "engine/files/RegularFile.h"

#include <QFile>
#include <QFileInfo>

#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/asftag.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/opusfile.h>
#include <taglib/tfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <cstring>
#include <memory>
#include <utility>

namespace files {

namespace {

enum class Type { None, Mpeg, Wav, Asf, Ogg, Opus, Flac, Mpc };

Type typeOf(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("mp3") || ext == QLatin1String("mp2") || ext == QLatin1String("mp1") || ext == QLatin1String("mpeg"))
        return Type::Mpeg;
    if (ext == QLatin1String("wav"))
        return Type::Wav;
    if (ext == QLatin1String("wma") || ext == QLatin1String("asf"))
        return Type::Asf;
    if (ext == QLatin1String("ogg"))
        return Type::Ogg;
    if (ext == QLatin1String("opus"))
        return Type::Opus;
    if (ext == QLatin1String("flac"))
        return Type::Flac;
    if (ext == QLatin1String("mpc") || ext == QLatin1String("mp+"))
        return Type::Mpc;
    return Type::None;
}

QString toQ(const TagLib::String& s) { return QString::fromStdString(s.to8Bit(true)); }
TagLib::String toT(const QString& s) { return TagLib::String(s.toStdString(), TagLib::String::UTF8); }

QStringList one(const TagLib::String& s) { return s.isEmpty() ? QStringList() : QStringList{toQ(s)}; }
QStringList toList(const TagLib::StringList& l)
{
    QStringList v;
    for (const TagLib::String& s : l)
        if (!s.isEmpty())
            v << toQ(s);
    return v;
}
TagLib::StringList toTList(const QStringList& v)
{
    TagLib::StringList l;
    for (const QString& s : v)
        l.append(toT(s));
    return l;
}
TagLib::String joined(const QStringList& v) { return toT(joinedValues(v)); }

int genreNumber(const TagLib::String& name)
{
    if (name.isEmpty())
        return 255;
    const int n = TagLib::ID3v1::genreIndex(name);
    return n >= 0 && n < 255 ? n : 255;
}

TagLib::String genreText(int number)
{
    const QStringList& names = genreNames();
    return number >= 0 && number < names.size() ? toT(names[number]) : TagLib::String();
}

void readNumbers(const TagLib::Tag* t, TagValues& v)
{
    v.genre = genreNumber(t->genre());
    v.year = static_cast<int>(t->year());
    v.track = static_cast<int>(t->track());
}

// The fields as the kinds of one value per field hold them.
void readCommon(const TagLib::Tag* t, TagValues& v)
{
    if (!t)
        return;
    v.title = one(t->title());
    v.artist = one(t->artist());
    v.album = one(t->album());
    v.comments = one(t->comment());
    readNumbers(t, v);
}

void writeNumbers(TagLib::Tag* t, const TagValues& v)
{
    t->setGenre(genreText(v.genre));
    t->setYear(v.year > 0 ? static_cast<unsigned>(v.year) : 0u);
    t->setTrack(v.track > 0 ? static_cast<unsigned>(v.track) : 0u);
}

void writeCommon(TagLib::Tag* t, const TagValues& v)
{
    t->setTitle(joined(v.title));
    t->setArtist(joined(v.artist));
    t->setAlbum(joined(v.album));
    t->setComment(joined(v.comments));
    writeNumbers(t, v);
}

// ID3v2: every value of every frame of the field. Comments (COMM frames with their languages
// and descriptions) are one text, as TagLib gives it.
QStringList id3v2Values(TagLib::ID3v2::Tag* t, const char* id)
{
    QStringList v;
    if (!t)
        return v;
    for (TagLib::ID3v2::Frame* f : t->frameListMap()[id]) {
        if (auto* text = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(f))
            v << toList(text->fieldList());
        else if (!f->toString().isEmpty())
            v << toQ(f->toString());
    }
    return v;
}

void readId3v2(TagLib::ID3v2::Tag* t, TagValues& v)
{
    for (auto [field, id] : {std::pair{&v.title, "TIT2"}, {&v.artist, "TPE1"}, {&v.album, "TALB"}}) {
        QStringList values = id3v2Values(t, id);
        if (!values.isEmpty())
            *field = values;   // else what another tag of the file holds (ID3v1, APE)
    }
    v.copyright = id3v2Values(t, "TCOP");
}

void setId3v2Values(TagLib::ID3v2::Tag* t, const char* id, const QStringList& values)
{
    if (id3v2Values(t, id) == values)
        return;   // the frames stay as they are, however many
    t->removeFrames(id);
    if (values.isEmpty())
        return;
    // Latin-1 where it will do; TagLib widens the frame when a value needs more.
    auto* f = new TagLib::ID3v2::TextIdentificationFrame(id, std::strcmp(id, "TCOP") == 0 ? TagLib::String::UTF16
                                                                                          : TagLib::String::Latin1);
    f->setText(toTList(values));
    t->addFrame(f);
}

void writeId3v1(TagLib::ID3v1::Tag* t, const TagValues& v)
{
    writeCommon(t, v);
    // ID3v1 keeps numbers only: the genre byte is 255 for none.
    t->setGenreNumber(v.genre >= 0 && v.genre < 255 && v.genre < genreNames().size() ? static_cast<unsigned>(v.genre) : 255u);
}

void writeId3v2(TagLib::ID3v2::Tag* t, const TagValues& v)
{
    setId3v2Values(t, "TIT2", v.title);
    setId3v2Values(t, "TPE1", v.artist);
    setId3v2Values(t, "TALB", v.album);
    setId3v2Values(t, "TCOP", v.copyright);
    t->setComment(joined(v.comments));
    writeNumbers(t, v);
}

// Xiph comments (Ogg Vorbis, Opus, FLAC): every value of each field; the comment is
// DESCRIPTION where the file has one, else COMMENT (as TagLib reads it).
TagLib::String xiphCommentKey(TagLib::Ogg::XiphComment* t)
{
    const auto& m = t->fieldListMap();
    return m.contains("DESCRIPTION") && !m["DESCRIPTION"].isEmpty() ? "DESCRIPTION" : "COMMENT";
}

QStringList xiphValues(TagLib::Ogg::XiphComment* t, const TagLib::String& key)
{
    const auto& m = t->fieldListMap();
    return m.contains(key) ? toList(m[key]) : QStringList();
}

void readXiph(TagLib::Ogg::XiphComment* t, TagValues& v)
{
    if (!t)
        return;
    v.title = xiphValues(t, "TITLE");
    v.artist = xiphValues(t, "ARTIST");
    v.album = xiphValues(t, "ALBUM");
    v.comments = xiphValues(t, xiphCommentKey(t));
    v.copyright = xiphValues(t, "COPYRIGHT");
    readNumbers(t, v);
}

void setXiphValues(TagLib::Ogg::XiphComment* t, const TagLib::String& key, const QStringList& values)
{
    if (xiphValues(t, key) == values)
        return;
    t->removeFields(key);
    for (const QString& value : values)
        t->addField(key, toT(value), false);
}

void writeXiph(TagLib::Ogg::XiphComment* t, const TagValues& v)
{
    setXiphValues(t, "TITLE", v.title);
    setXiphValues(t, "ARTIST", v.artist);
    setXiphValues(t, "ALBUM", v.album);
    setXiphValues(t, xiphCommentKey(t), v.comments);
    setXiphValues(t, "COPYRIGHT", v.copyright);
    writeNumbers(t, v);
}

// APEv2 (Musepack): an item's values.
QStringList apeValues(TagLib::APE::Tag* t, const char* key)
{
    const auto& m = t->itemListMap();
    return m.contains(key) ? toList(m[key].values()) : QStringList();
}

void readApe(TagLib::APE::Tag* t, TagValues& v)
{
    for (auto [field, key] : {std::pair{&v.title, "TITLE"}, {&v.artist, "ARTIST"}, {&v.album, "ALBUM"},
                              {&v.comments, "COMMENT"}, {&v.copyright, "COPYRIGHT"}}) {
        QStringList values = apeValues(t, key);
        if (!values.isEmpty())
            *field = values;
    }
}

void writeApe(TagLib::APE::Tag* t, const TagValues& v)
{
    for (auto [field, key] : {std::pair{&v.title, "TITLE"}, {&v.artist, "ARTIST"}, {&v.album, "ALBUM"},
                              {&v.comments, "COMMENT"}, {&v.copyright, "COPYRIGHT"}}) {
        if (apeValues(t, key) == *field)
            continue;
        t->removeItem(key);
        for (const QString& value : *field)
            t->addValue(key, toT(value), false);
    }
    writeNumbers(t, v);
}

// An Ogg file holds Vorbis or Opus whatever its name: the one that opens is the one it holds.
template <class Action>
void withOggFile(const QByteArray& name, Type type, Action&& action)
{
    if (type == Type::Ogg) {
        TagLib::Ogg::Vorbis::File vorbis(name.constData(), false);
        if (vorbis.isValid())
            return action(vorbis);
    }
    TagLib::Ogg::Opus::File opus(name.constData(), false);
    if (opus.isValid() || type == Type::Opus)
        return action(opus);
    TagLib::Ogg::Vorbis::File vorbis(name.constData(), false);
    action(vorbis);
}

[[noreturn]] void cannotWrite(const QString& path, const QString& why)
{
    throw EngineError(QStringLiteral("Cannot write the tags of %1: %2").arg(path, why));
}

void checkWritable(const QString& path, const TagLib::File& f)
{
    if (!f.isOpen())
        cannotWrite(path, QStringLiteral("the file cannot be opened"));
    if (f.readOnly())
        cannotWrite(path, QStringLiteral("the file is in use or read-only"));
    if (!f.isValid())
        cannotWrite(path, QStringLiteral("the file is damaged or not of its type"));
}

} // namespace

QString joinedValues(const QStringList& values) { return values.join(QStringLiteral(" / ")); }

QStringList valuesFromText(const QString& text, const QStringList& current)
{
    if (text == joinedValues(current))
        return current;
    if (text.isEmpty())
        return {};
    if (current.size() > 1) {
        QStringList values = text.split(QStringLiteral(" / "));
        values.removeAll(QString());
        return values;
    }
    return {text};
}

bool typeHasTags(const QString& path) { return typeOf(path) != Type::None; }

const QStringList& genreNames()
{
    static const QStringList names = [] {
        QStringList l;
        const TagLib::StringList g = TagLib::ID3v1::genreList();
        for (const TagLib::String& s : g)
            l << toQ(s);
        return l;
    }();
    return names;
}

TagValues readTags(const QString& path)
{
    const QFileInfo fi(path);
    if (!fi.exists())
        throw EngineError(QStringLiteral("Cannot read the tags of %1: the file does not exist").arg(path));
    requireRegularFile(path);
    {
        QFile probe(path);
        if (!probe.open(QIODevice::ReadOnly))
            throw EngineError(QStringLiteral("Cannot read the tags of %1: %2").arg(path, probe.errorString()));
    }
    TagValues v;
    const QByteArray name = QFile::encodeName(path);
    switch (typeOf(path)) {
    case Type::None:
        break;
    case Type::Mpeg: {
        TagLib::MPEG::File f(name.constData(), false);
        if (f.isValid()) {
            readCommon(f.tag(), v);
            readId3v2(f.ID3v2Tag(), v);
            // A genre the ID3v2 text names outside the list falls back to the ID3v1 byte.
            if (v.genre == 255 && f.hasID3v1Tag())
                v.genre = static_cast<int>(f.ID3v1Tag()->genreNumber());
        }
        break;
    }
    case Type::Wav: {
        TagLib::RIFF::WAV::File f(name.constData(), false);
        if (f.isValid()) {
            // The file's own INFO list first; an ID3v2 chunk only when there is no INFO.
            if (f.hasInfoTag() || !f.hasID3v2Tag()) {
                readCommon(f.InfoTag(), v);
                v.copyright = one(f.InfoTag()->fieldText("ICOP"));
            } else {
                readCommon(f.ID3v2Tag(), v);
                readId3v2(f.ID3v2Tag(), v);
            }
        }
        break;
    }
    case Type::Asf: {
        TagLib::ASF::File f(name.constData(), false);
        if (f.isValid() && f.tag()) {
            readCommon(f.tag(), v);
            v.copyright = one(f.tag()->copyright());
        }
        break;
    }
    case Type::Ogg:
    case Type::Opus:
        withOggFile(name, typeOf(path), [&v](auto& f) {
            if (f.isValid())
                readXiph(f.tag(), v);
        });
        break;
    case Type::Flac: {
        TagLib::FLAC::File f(name.constData(), false);
        if (f.isValid())
            readXiph(f.xiphComment(), v);
        break;
    }
    case Type::Mpc: {
        TagLib::MPC::File f(name.constData(), false);
        if (f.isValid()) {
            readCommon(f.tag(), v);
            if (f.APETag())
                readApe(f.APETag(), v);
        }
        break;
    }
    }
    return v;
}

void writeTags(const QString& path, const TagValues& v, int id3Version)
{
    const QFileInfo fi(path);
    if (!fi.exists())
        cannotWrite(path, QStringLiteral("the file does not exist"));
    requireRegularFile(path);
    const QByteArray name = QFile::encodeName(path);
    bool ok = false;
    switch (typeOf(path)) {
    case Type::None:
        cannotWrite(path, QStringLiteral("files of type .%1 cannot hold tags").arg(fi.suffix()));
    case Type::Mpeg: {
        TagLib::MPEG::File f(name.constData(), false);
        checkWritable(path, f);
        int tags = 0;
        if (id3Version == 1 || f.hasID3v1Tag()) {
            writeId3v1(f.ID3v1Tag(true), v);
            tags |= TagLib::MPEG::File::ID3v1;
        }
        if (id3Version != 1 || f.hasID3v2Tag()) {
            writeId3v2(f.ID3v2Tag(true), v);
            tags |= TagLib::MPEG::File::ID3v2;
        }
        ok = f.save(tags, TagLib::File::StripNone, TagLib::ID3v2::v3, TagLib::File::DoNotDuplicate);
        break;
    }
    case Type::Wav: {
        TagLib::RIFF::WAV::File f(name.constData(), false);
        checkWritable(path, f);
        TagLib::RIFF::Info::Tag* info = f.InfoTag();
        writeCommon(info, v);
        info->setFieldText("ICOP", joined(v.copyright));
        int tags = TagLib::RIFF::WAV::File::Info;
        if (f.hasID3v2Tag()) {
            writeId3v2(f.ID3v2Tag(), v);
            tags |= TagLib::RIFF::WAV::File::ID3v2;
        }
        ok = f.save(static_cast<TagLib::RIFF::WAV::File::TagTypes>(tags), TagLib::File::StripNone, TagLib::ID3v2::v3);
        break;
    }
    case Type::Asf: {
        TagLib::ASF::File f(name.constData(), false);
        checkWritable(path, f);
        writeCommon(f.tag(), v);
        f.tag()->setCopyright(joined(v.copyright));
        ok = f.save();
        break;
    }
    case Type::Ogg:
    case Type::Opus:
        withOggFile(name, typeOf(path), [&](auto& f) {
            checkWritable(path, f);
            writeXiph(f.tag(), v);
            ok = f.save();
        });
        break;
    case Type::Flac: {
        TagLib::FLAC::File f(name.constData(), false);
        checkWritable(path, f);
        writeXiph(f.xiphComment(true), v);
        ok = f.save();
        break;
    }
    case Type::Mpc: {
        TagLib::MPC::File f(name.constData(), false);
        checkWritable(path, f);
        writeApe(f.APETag(true), v);
        ok = f.save();
        break;
    }
    }
    if (!ok)
        cannotWrite(path, QStringLiteral("TagLib could not save the file"));
}

} // namespace files
