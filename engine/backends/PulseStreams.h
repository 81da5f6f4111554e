#pragma once
// Capture and playback streams on the sound server.
//
// 32-bit float at the rate and channel count asked for (the server converts from the device's
// own format and channel layout); a capture fragment of captureSeconds and a playback target of
// bufferSeconds, so the program and the server wake two or three times a second while
// recording and about ten times a second while playing. Streams are not moved to another
// device: one whose device goes away, that the server ends or moves, or whose server goes away,
// is reported once through deviceLost. On the loop's thread our own work (the gap check, the
// copy into the engine, rendering) runs inside a DeviceCallbackScope; the client library's
// calls around it (peek, drop, begin_write, write) are its own business.
//
// Capture loss: holes in the stream, and audio the server dropped without saying so, found by
// CaptureGapDetector as frames received falling behind the wall clock for good.
//
// Moves: a stream the user moves to another device (the desktop's sound settings, pavucontrol)
// goes on there, and movedTo() names the device; one the server moves because its device went
// away is lost as above, never silently switched.
//
// A stream is made for a StreamTarget. Further ways of recording (one application's sound: the
// monitor of its sink, restricted to its sink input with pa_stream_set_monitor_stream before
// connecting) belong there.
#include "engine/AudioBackend.h"
#include "engine/backends/CaptureGapDetector.h"
#include "engine/backends/PulseCore.h"

#include <memory>

namespace tavrin::pulse {

// What a stream records from or plays to.
struct StreamTarget {
    Side side = Input;
    QByteArray device;     // the server's name of the source (Input) or sink (Output)
    QString shownName;     // the device as the lists show it, for messages
    // Input: record only this sink input (an application's stream) from `device`, the monitor
    // of its sink.
    uint32_t sinkInput = PA_INVALID_INDEX;
};

class PulseStream final : public AudioStream {
public:
    // Connects the stream, corked. Throws EngineError when the server refuses it or does not
    // answer. Exactly one of `sink` (Input) and `source` (Output) is given.
    PulseStream(std::shared_ptr<PulseCore> core, const StreamTarget& target, int rate, int channels,
                CaptureSink* sink, PlaybackSource* source);
    ~PulseStream() override;

    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    QString movedTo() const override;
    void start() override;
    void stop() override;

private:
    void open(const StreamTarget& target, const QString& where);
    void release() noexcept;

    static PulseStream* self(void* user) { return static_cast<PulseStream*>(user); }
    static void onSuccess(pa_stream*, int, void* user);
    static void onState(pa_stream* s, void* user);
    static void onMoved(pa_stream*, void* user);
    static void onOldDevice(pa_context*, int eol, void* user);
    void moved(pa_stream* s) noexcept;
    static void onRead(pa_stream*, size_t, void* user);
    static void onWrite(pa_stream*, size_t bytes, void* user);

    void lost() noexcept;
    void read() noexcept;
    void reportDelay() noexcept;
    void deliver(const unsigned char* p, std::size_t bytes) noexcept;
    void write(std::size_t bytes) noexcept;

    std::shared_ptr<PulseCore> core_;
    bool input_;
    int rate_;
    int channels_;
    CaptureSink* sink_;
    PlaybackSource* source_;
    std::size_t frameBytes_;
    QString lostText_;
    Stream stream_;
    QByteArray device_;        // where the stream is now (loop locked)
    QByteArray movedTo_;       // the same, once the user moved it
    Operation checkOld_;       // is the device it left still there?
    // Changed only with the loop locked (or on its thread).
    bool running_ = false;
    bool stopping_ = false;
    bool lostReported_ = false;
    CaptureGapDetector gaps_;
    alignas(float) unsigned char carry_[8 * sizeof(float)] = {};
    std::size_t carryBytes_ = 0;
};

} // namespace tavrin::pulse
