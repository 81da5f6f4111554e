#pragma once
// Access to the program's INI files (setup.ini, support.ini) by single keys.
//
// Rules:
//  - A section starts with a line "[name]"; an entry is a line "key=value". Section and key
//    names are matched without regard to case; the first matching section and, inside it, the
//    first matching key count. Lines starting with ';' or '#' are comments.
//  - Reads never fail: a missing file, section or key gives the default. An integer read gives
//    the default unless the value is an optional sign followed by decimal digits that fit in
//    32 bits. A text key that is present with an empty value reads as empty.
//  - A write replaces the value of an existing key in place; every other byte of the file
//    (comments, unknown keys, blank lines, CRLF line ends, a missing final newline) stays as it
//    was. A new key goes to the end of its section, a new section to the end of the file, and
//    the file itself is made by the first write.
//  - A write goes to a temporary file in the same folder, which then replaces the old file by a
//    rename, so a crash or a full disk never leaves a half-written file. Where no temporary
//    file can be made (a folder the program may not write, holding a file it may), the file is
//    written over in place, its room reserved first. A refused write raises
//    IniError("Unable to write to <full path>").
//  - Nothing is cached: every call opens the file by its full path and releases it at once.
//  - Text is UTF-8.
#include <QString>
#include <stdexcept>

class IniError : public std::runtime_error {
public:
    explicit IniError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromStdString(what()); }
};

class IniFile {
public:
    explicit IniFile(QString fullPath) : path_(std::move(fullPath)) {}

    const QString& path() const { return path_; }

    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    int ReadInteger(const QString& section, const QString& key, int def) const;
    bool KeyExists(const QString& section, const QString& key) const;

    // A value holding a line break cannot be stored on one line: it raises IniError and the
    // file is left untouched.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);

    // The integer rule on its own: optional sign, decimal digits, 32 bits. False otherwise.
    static bool ParseInteger(const QString& text, int& value);

private:
    QString path_;
};
