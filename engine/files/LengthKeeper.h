#pragma once
// Keeps the length in the header of a file current while a library writes it, for the types
// whose writers fill the length in only when they complete the file: FLAC (the total samples
// of STREAMINFO, libsndfile) and ASF (the play duration and packet count of the file
// properties, FFmpeg's muxer). After each write, what is new on disk is read back, and the
// length of its whole frames (FLAC) or packets (ASF) goes into the header, so a program killed
// mid-recording leaves a file whose readers all find the length of the audio it holds. The
// library's own header at completion replaces these fields.
//
// A file whose layout is not what the keeper expects is left alone (the keeper stops quietly);
// an error writing the header is thrown (EngineError), as any failed write.
#include <memory>

namespace files {

class SideFile;

class LengthKeeper {
public:
    virtual ~LengthKeeper() = default;
    virtual void update(SideFile& file) = 0;
};

std::unique_ptr<LengthKeeper> flacLengthKeeper();
std::unique_ptr<LengthKeeper> asfLengthKeeper();

} // namespace files
