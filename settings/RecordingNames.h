#pragma once
// The names of new recordings. Without a name template a recording is "Untitled" followed by
// the smallest number from 1 upward whose file does not exist, then the output extension. With
// one, the template's date and time fields are filled in from the moment the recording starts:
//
//   %Y year (4 digits)  %m month  %d day  %H hour (24)  %M minute  %S second  %% a "%"
//
// (each two digits but the year; any other "%" sequence stays as written). Characters that a
// file name cannot hold here or on the disks recordings are often copied to (/ \ : * ? " < > |
// and control characters) become "_"; blanks at either end are dropped; a name too long for
// the file system is shortened. A name whose file exists gets " (2)", " (3)", ... before the
// extension. A template that gives an empty name counts as none.
#include <QDateTime>
#include <QString>
#include <functional>

// The template filled in and made safe, without extension or number.
QString RecordingNameFromTemplate(const QString& nameTemplate, const QDateTime& at);

// The full path of the next new recording in `folder` (ending in "/"). `exists` tells whether a
// path is taken (the file system's test by default).
QString NextRecordingPath(const QString& folder, const QString& nameTemplate, const QString& extension,
                          const QDateTime& at,
                          const std::function<bool(const QString&)>& exists = {});
