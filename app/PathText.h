#pragma once
// Paths as the file list and the status bar show them ("/" separates folders).
#include <QString>

class QFontMetrics;

// The folder part of a path, with its trailing "/" ("" when the path has none).
QString folderOf(const QString& path);
// The name after the last "/".
QString nameOf(const QString& path);
// The path as it fits in `width` pixels: leading folders give way to "..." one by one, then the
// drive, until only the name is left.
QString ShortenPath(const QString& path, const QFontMetrics& metrics, int width);
