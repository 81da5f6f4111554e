#pragma once
// One application's sound as an input: for each stream the application plays (a sink input), a
// record stream on the monitor of the sink it plays to, restricted to that sink input, so that
// nothing else that plays there is heard. It follows the application by its name for as long as
// it runs: a new stream of it (the next call, the next track) is taken up at once, several at
// once are mixed, and while it plays nothing the input delivers silence. Its frames go out at
// the pace of the steady clock, so the timeline never jumps nor stops for the application.
//
// The frames of each stream wait in a queue of their own until there is half a second of them
// (the server hands them over in fragments), then go into the mix in order; a stream that runs
// dry waits again. What does not fit a queue is lost and counted.
//
// Threads: the record streams deliver on the loop's thread; a thread of this stream's own paces
// the output, opens and closes the record streams as the application's streams come and go,
// and calls the sink (it is the "device thread" here).
#include "engine/AudioBackend.h"
#include "engine/backends/PulseCore.h"

#include <memory>

namespace tavrin::pulse {

class PulseApplicationCapture final : public AudioStream {
public:
    // `application`: its application.name; `shown`: as the lists show it, for messages.
    PulseApplicationCapture(std::shared_ptr<PulseCore> core, const QString& application, const QString& shown,
                            int rate, int channels, CaptureSink* sink);
    ~PulseApplicationCapture() override;

    int sampleRate() const override;
    int channels() const override;
    void start() override;
    void stop() override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace tavrin::pulse
