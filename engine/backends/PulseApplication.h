#pragma once
// One application's sound as an input: for each stream the application plays (a sink input), a
// record stream on the monitor of the sink it plays to, restricted to that sink input, so that
// nothing else that plays there is heard. It follows the application by its name for as long as
// it runs: a new stream of it (the next call, the next track) is taken up at once, several at
// once are mixed, and while it plays nothing the input delivers silence. Its frames go out at
// the pace of the steady clock, so the timeline never jumps nor stops for the application.
//
// Each frame goes out a fixed delay (0.6 s) after its stream delivered it (the server hands
// frames over in fragments): every stream in its place, whenever it started, and how long ago
// what goes out was heard (what waits here and in the server) told to the sink (delayed()), so
// that a second input lies beside the first. A frame that comes too late for its place is lost and counted, as is what does not fit
// a stream's queue; a stream silent for longer than the delay (paused) is put in place afresh.
// When it stops, what the streams delivered and is still waiting for its time goes out at once.
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
