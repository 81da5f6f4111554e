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

#include <memory>

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

void readCommon(const TagLib::Tag* t, TagValues& v)
{
    if (!t)
        return;
    v.title = toQ(t->title());
    v.artist = toQ(t->artist());
    v.album = toQ(t->album());
    v.comments = toQ(t->comment());
    v.genre = genreNumber(t->genre());
    v.year = static_cast<int>(t->year());
    v.track = static_cast<int>(t->track());
}

void writeCommon(TagLib::Tag* t, const TagValues& v)
{
    t->setTitle(toT(v.title));
    t->setArtist(toT(v.artist));
    t->setAlbum(toT(v.album));
    t->setComment(toT(v.comments));
    t->setGenre(genreText(v.genre));
    t->setYear(v.year > 0 ? static_cast<unsigned>(v.year) : 0u);
    t->setTrack(v.track > 0 ? static_cast<unsigned>(v.track) : 0u);
}

QString id3v2Copyright(TagLib::ID3v2::Tag* t)
{
    if (!t)
        return {};
    const TagLib::ID3v2::FrameList& l = t->frameListMap()["TCOP"];
    return l.isEmpty() ? QString() : toQ(l.front()->toString());
}

void setId3v2Copyright(TagLib::ID3v2::Tag* t, const QString& text)
{
    t->removeFrames("TCOP");
    if (text.isEmpty())
        return;
    auto* f = new TagLib::ID3v2::TextIdentificationFrame("TCOP", TagLib::String::UTF16);
    f->setText(toT(text));
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
    writeCommon(t, v);
    setId3v2Copyright(t, v.copyright);
}

// Xiph comments (Ogg Vorbis, Opus, FLAC): the common fields and COPYRIGHT.
void readXiph(TagLib::Ogg::XiphComment* t, TagValues& v)
{
    if (!t)
        return;
    readCommon(t, v);
    const auto& m = t->fieldListMap();
    if (m.contains("COPYRIGHT") && !m["COPYRIGHT"].isEmpty())
        v.copyright = toQ(m["COPYRIGHT"].front());
}

void writeXiph(TagLib::Ogg::XiphComment* t, const TagValues& v)
{
    writeCommon(t, v);
    t->removeFields("COPYRIGHT");
    if (!v.copyright.isEmpty())
        t->addField("COPYRIGHT", toT(v.copyright));
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
            v.copyright = id3v2Copyright(f.ID3v2Tag());
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
                v.copyright = toQ(f.InfoTag()->fieldText("ICOP"));
            } else {
                readCommon(f.ID3v2Tag(), v);
                v.copyright = id3v2Copyright(f.ID3v2Tag());
            }
        }
        break;
    }
    case Type::Asf: {
        TagLib::ASF::File f(name.constData(), false);
        if (f.isValid() && f.tag()) {
            readCommon(f.tag(), v);
            v.copyright = toQ(f.tag()->copyright());
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
            if (f.APETag() && f.APETag()->itemListMap().contains("COPYRIGHT"))
                v.copyright = toQ(f.APETag()->itemListMap()["COPYRIGHT"].toString());
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
        info->setFieldText("ICOP", toT(v.copyright));
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
        f.tag()->setCopyright(toT(v.copyright));
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
        TagLib::APE::Tag* ape = f.APETag(true);
        writeCommon(ape, v);
        if (v.copyright.isEmpty())
            ape->removeItem("COPYRIGHT");
        else
            ape->addValue("COPYRIGHT", toT(v.copyright), true);
        ok = f.save();
        break;
    }
    }
    if (!ok)
        cannotWrite(path, QStringLiteral("TagLib could not save the file"));
}

} // namespace files
