#pragma once
// Small helpers shared by the FFmpeg adapters (no FFmpeg types in this header).
#include <QString>

namespace files {

// FFmpeg's text for an error code.
QString avErrorText(int err);
// Keeps FFmpeg's console messages to real errors (damaged input is expected and handled).
void initFfmpegLogging();

} // namespace files
