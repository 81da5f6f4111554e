#include "platform/Ini.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <optional>
#include <vector>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

// One line of the file as byte offsets: [start, contentEnd) is the text without its line end,
// [contentEnd, end) the line end ("\n", "\r\n" or nothing on an unterminated last line).
struct Line {
    qsizetype start;
    qsizetype contentEnd;
    qsizetype end;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<Line> splitLines(const QByteArray& data)
{
    std::vector<Line> lines;
    qsizetype pos = 0;
    const qsizetype n = data.size();
    while (pos < n) {
        qsizetype nl = data.indexOf('\n', pos);
        Line line;
        line.start = pos;
        if (nl < 0) {
            line.contentEnd = n;
            line.end = n;
        } else {
            line.contentEnd = nl;
            line.end = nl + 1;
        }
        if (line.contentEnd > line.start && data[line.contentEnd - 1] == '\r')
            --line.contentEnd;
        lines.push_back(line);
        pos = line.end;
    }
    // A UTF-8 byte-order mark belongs to no name.
    if (!lines.empty() && data.startsWith("\xEF\xBB\xBF"))
        lines.front().start += 3;
    return lines;
}

// Trimmed span [b, e) of data inside [from, to).
void trimSpan(const QByteArray& data, qsizetype& b, qsizetype& e)
{
    while (b < e && isBlank(data[b]))
        ++b;
    while (e > b && isBlank(data[e - 1]))
        --e;
}

bool namesEqual(const QByteArray& data, qsizetype b, qsizetype e, const QString& name)
{
    return QString::fromUtf8(data.constData() + b, e - b).compare(name.trimmed(), Qt::CaseInsensitive) == 0;
}

enum class Kind { Blank, Comment, Section, Entry, Other };

struct Parsed {
    Kind kind = Kind::Other;
    qsizetype nameBegin = 0, nameEnd = 0;    // section or key name, trimmed
    qsizetype valueBegin = 0, valueEnd = 0;  // entry value, trimmed
};

Parsed parseLine(const QByteArray& data, const Line& line)
{
    Parsed p;
    qsizetype b = line.start, e = line.contentEnd;
    trimSpan(data, b, e);
    if (b == e) {
        p.kind = Kind::Blank;
        return p;
    }
    const char first = data[b];
    if (first == ';' || first == '#') {
        p.kind = Kind::Comment;
        return p;
    }
    if (first == '[') {
        qsizetype close = data.indexOf(']', b + 1);
        if (close >= 0 && close < e) {
            p.kind = Kind::Section;
            p.nameBegin = b + 1;
            p.nameEnd = close;
            trimSpan(data, p.nameBegin, p.nameEnd);
            return p;
        }
        return p;  // Kind::Other
    }
    qsizetype eq = data.indexOf('=', b);
    if (eq >= 0 && eq < e) {
        p.kind = Kind::Entry;
        p.nameBegin = b;
        p.nameEnd = eq;
        trimSpan(data, p.nameBegin, p.nameEnd);
        p.valueBegin = eq + 1;
        p.valueEnd = e;
        trimSpan(data, p.valueBegin, p.valueEnd);
    }
    return p;
}

// Where a key lives in the file, or where it would go.
struct Location {
    bool sectionFound = false;
    std::optional<size_t> keyLine;       // line index of the entry
    Parsed entry;
    std::optional<size_t> lastContent;  // last non-blank, non-comment line of the section
                                         // (the header itself when the section is empty)
};

Location locate(const QByteArray& data, const std::vector<Line>& lines, const QString& section,
                const QString& key)
{
    Location loc;
    bool inside = false;
    for (size_t i = 0; i < lines.size(); ++i) {
        const Parsed p = parseLine(data, lines[i]);
        if (p.kind == Kind::Section) {
            if (inside)
                break;  // the first matching section is the one that counts
            if (namesEqual(data, p.nameBegin, p.nameEnd, section)) {
                inside = true;
                loc.sectionFound = true;
                loc.lastContent = i;
            }
            continue;
        }
        if (!inside)
            continue;
        if (p.kind == Kind::Entry || p.kind == Kind::Other)
            loc.lastContent = i;
        if (p.kind == Kind::Entry && !loc.keyLine
            && namesEqual(data, p.nameBegin, p.nameEnd, key)) {
            loc.keyLine = i;
            loc.entry = p;
        }
    }
    return loc;
}

std::optional<QByteArray> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray data = file.readAll();
    file.close();
    return data;
}

QByteArray lineEndOf(const QByteArray& data)
{
    qsizetype nl = data.indexOf('\n');
    if (nl > 0 && data[nl - 1] == '\r')
        return "\r\n";
    return "\n";
}

[[noreturn]] void refuse(const QString& path)
{
    throw IniError(QStringLiteral("Unable to write to %1").arg(path));
}

// The file is written over in place when no temporary file can be made beside it (its folder
// may not be written, the file may). The room for the new contents is reserved first, so a
// full disk refuses the write before a byte of the old contents changes.
void overwriteInPlace(const QString& path, const QByteArray& data)
{
    QFile out(path);
    if (!out.open(QIODevice::ReadWrite))
        refuse(path);
    if (data.size() > out.size()) {
        const int rc = ::posix_fallocate(out.handle(), 0, data.size());
        if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL)
            refuse(path);
    }
    if (out.write(data) != data.size() || !out.flush() || !out.resize(data.size())
        || ::fsync(out.handle()) != 0)
        refuse(path);
}

void replaceFile(const QString& path, const QByteArray& data)
{
    QSaveFile out(path);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly)) {
        if (!QFileInfo::exists(path))
            refuse(path);
        overwriteInPlace(path, data);
        return;
    }
    if (out.write(data) != data.size() || !out.flush()) {
        out.cancelWriting();
        refuse(path);
    }
    // Make the new contents durable before the rename makes them visible.
    if (out.handle() >= 0 && ::fsync(out.handle()) != 0) {
        out.cancelWriting();
        refuse(path);
    }
    if (!out.commit())
        refuse(path);
}

// The value of a key as the file holds it; nothing when the file cannot be read or has no
// such key.
std::optional<QString> storedValue(const QString& path, const QString& section, const QString& key)
{
    const auto data = readFile(path);
    if (!data)
        return std::nullopt;
    const auto lines = splitLines(*data);
    const Location loc = locate(*data, lines, section, key);
    if (!loc.keyLine)
        return std::nullopt;
    return QString::fromUtf8(data->constData() + loc.entry.valueBegin, loc.entry.valueEnd - loc.entry.valueBegin);
}

}  // namespace

bool IniFile::ParseInteger(const QString& text, int& value)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    if (i < t.size() && (t[i] == u'+' || t[i] == u'-'))
        ++i;
    if (i == t.size())
        return false;
    for (qsizetype k = i; k < t.size(); ++k) {
        if (t[k] < u'0' || t[k] > u'9')
            return false;
    }
    bool ok = false;
    const int v = t.toInt(&ok, 10);
    if (!ok)
        return false;  // outside 32 bits
    value = v;
    return true;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    return storedValue(path_, section, key).value_or(def);
}

bool IniFile::KeyExists(const QString& section, const QString& key) const
{
    return storedValue(path_, section, key).has_value();
}

int IniFile::ReadInteger(const QString& section, const QString& key, int def) const
{
    const std::optional<QString> text = storedValue(path_, section, key);
    int value = def;
    return text && ParseInteger(*text, value) ? value : def;
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    if (value.contains(u'\n') || value.contains(u'\r'))
        throw IniError(QStringLiteral("Unable to write to %1: the value of %2 holds a line break")
                           .arg(path_, key));
    QByteArray data;
    if (QFile::exists(path_)) {
        const auto existing = readFile(path_);
        if (!existing)
            refuse(path_);  // there is a file, but we may not read (and so not keep) it
        data = *existing;
    }
    const auto lines = splitLines(data);
    const Location loc = locate(data, lines, section, key);
    const QByteArray nl = lineEndOf(data);
    const QByteArray bytes = value.toUtf8();

    if (loc.keyLine) {
        data.replace(loc.entry.valueBegin, loc.entry.valueEnd - loc.entry.valueBegin, bytes);
    } else if (loc.sectionFound) {
        const Line& after = lines[*loc.lastContent];
        QByteArray insert;
        if (after.end == 0 || data[after.end - 1] != '\n')
            insert += nl;  // the section's last line ends the file without a line end
        insert += key.toUtf8() + '=' + bytes + nl;
        data.insert(after.end, insert);
    } else {
        if (!data.isEmpty()) {
            if (!data.endsWith('\n'))
                data += nl;
            if (!data.endsWith(nl + nl) && data != nl)
                data += nl;  // a blank line between sections
        }
        data += '[' + section.toUtf8() + ']' + nl + key.toUtf8() + '=' + bytes + nl;
    }
    replaceFile(path_, data);
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}
