#pragma once
// What the writers that go through libsndfile (WAV, FLAC, Opus) share: the file opened for
// writing, blocks of float frames written and counted, the file closed at the end. libsndfile's
// own header stays in the adapter sources.
#include "engine/files/AudioWriter.h"
#include <QString>
#include <memory>

struct sf_private_tag;   // libsndfile's SNDFILE

namespace files {

class SndfileOutput : public AudioWriter {
public:
    ~SndfileOutput() override;
    void write(const float* interleaved, int frames) override;
    void finish() override;   // closes, with the data flushed to the disk first where asked
    std::int64_t frames() const override { return frames_; }

protected:
    explicit SndfileOutput(bool syncAtFinish) : syncAtFinish_(syncAtFinish) {}
    // Opens `path` for writing in libsndfile's `format` (major format and subtype bits);
    // throws EngineError "Cannot create <path>: <why>" when libsndfile refuses.
    void open(const QString& path, int format, int sampleRate, int channels);
    sf_private_tag* handle() const { return sf_.get(); }
    const QString& path() const { return path_; }
    QString errorText() const;   // libsndfile's text for the file's last error

private:
    struct Close {
        void operator()(sf_private_tag* sf) const noexcept;   // sf_close
    };
    std::unique_ptr<sf_private_tag, Close> sf_;
    QString path_;
    std::int64_t frames_ = 0;
    bool syncAtFinish_;
};

} // namespace files
