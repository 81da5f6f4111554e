// The PortAudio backend on the real stack: PortAudio, ALSA's "pulse" device, PulseAudio. Tones
// are played into the test's own null sink and recorded from its monitor.
#include "PulseFixture.h"
#include "Streams.h"

#include "engine/EngineError.h"
#include "engine/backends/PortAudioBackend.h"
#include "engine/backends/PortAudioOptions.h"

#include <chrono>
#include <thread>
#include <unistd.h>

using namespace devtest;
using namespace std::chrono_literals;

namespace {

class Backend : public PulseTest {
protected:
    void SetUp() override
    {
        PulseTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        reopen();
    }

    void reopen()
    {
        backend = createPortAudioBackend(options);
        playerBackend.reset();
        ASSERT_TRUE(backend) << "PortAudio found no device although a sound server runs";
        pulseIn = deviceNamed(backend->inputDevices(), QStringLiteral("pulse"));
        pulseOut = deviceNamed(backend->outputDevices(), QStringLiteral("pulse"));
        ASSERT_GE(pulseIn, 0) << "no \"pulse\" input device: is libasound2-plugins installed?";
        ASSERT_GE(pulseOut, 0) << "no \"pulse\" output device";
    }

    // Plays into the test's sink until the returned stream is stopped, with a long buffer:
    // what is under test is the recording, and a busy machine must not starve the player.
    std::unique_ptr<AudioStream> play(PlaybackSource& source, int rate, int channels)
    {
        if (!playerBackend) {
            PortAudioOptions roomy = options;
            roomy.suggestedLatency = 0.5;
            playerBackend = createPortAudioBackend(roomy);
        }
        const int out = deviceNamed(playerBackend->outputDevices(), QStringLiteral("pulse"));
        auto stream = playerBackend->openPlayback(out, rate, channels, &source);
        stream->start();
        return stream;
    }

    // Records `seconds` of the sink's monitor.
    std::unique_ptr<RecordingSink> record(int rate, int channels, double seconds)
    {
        auto sink = std::make_unique<RecordingSink>(channels, static_cast<int>(rate * (seconds + 3)));
        auto stream = backend->openCapture(pulseIn, rate, channels, sink.get());
        EXPECT_EQ(stream->sampleRate(), rate);
        EXPECT_EQ(stream->channels(), channels);
        stream->start();
        waitForData(*sink);
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
        // The delivery rate is judged on callbacks `seconds` apart after the stream's first half
        // second: a loaded machine's callbacks come later and fewer, so it records on for them.
        for (int i = 0; i < 100 && (sink->deliveryRate() == 0 || sink->deliverySpan() < seconds + 0.5); ++i)
            std::this_thread::sleep_for(100ms);
        stream->stop();
        return sink;
    }

    // A null sink that was idle works in two-second lumps and takes up to two seconds to
    // follow a new stream's latency: wait for the first audio.
    static void waitForData(const RecordingSink& sink)
    {
        for (int i = 0; i < 50 && sink.total == 0; ++i)
            std::this_thread::sleep_for(100ms);
        ASSERT_GT(sink.total, 0) << "no audio arrived within five seconds";
    }

    PortAudioOptions options;
    std::unique_ptr<AudioBackend> backend;
    std::unique_ptr<AudioBackend> playerBackend;
    int pulseIn = -1, pulseOut = -1;
};

void expectCleanTone(const RecordingSink& sink, double rate, double hz, double amplitude)
{
    // Frames arrive at about the stream's rate: none held back, none made up. Over these
    // two seconds a loaded machine's late callbacks move the estimate by several per cent; that
    // the rate is the one asked for is the tone's frequency's to show, to 0.5 % below.
    EXPECT_NEAR(sink.deliveryRate(), rate, rate * 0.2);
    EXPECT_EQ(sink.overflowCalls, 0);
    EXPECT_FALSE(sink.lost);
    for (int c = 0; c < sink.channels(); ++c) {
        const ToneCheck t = analyseTone(sink.channel(c), rate, hz);
        ASSERT_GE(t.start, 0) << "no tone on channel " << c;
        EXPECT_NEAR(t.hz, hz, hz * 0.005);
        EXPECT_NEAR(t.rms, amplitude / std::sqrt(2.0), 0.05);
        EXPECT_LT(t.longestQuiet, rate / 200) << "a silent stretch inside the tone";
        EXPECT_LT(t.worstJump, 0.1) << "the tone jumps: frames were lost or repeated";
    }
}

} // namespace

TEST_F(Backend, ListsThePulseDevicesAndDefaultsToTheSystemDefault)
{
    const auto inputs = backend->inputDevices();
    const auto outputs = backend->outputDevices();
    for (const auto& d : inputs)
        EXPECT_TRUE(d.available) << d.name.toStdString();
    const int def = deviceNamed(inputs, QStringLiteral("default"));
    if (def >= 0) {
        EXPECT_EQ(backend->defaultInputDevice(), def);
        EXPECT_EQ(backend->defaultOutputDevice(), deviceNamed(outputs, QStringLiteral("default")));
    } else {
        EXPECT_GE(backend->defaultInputDevice(), 0);
        EXPECT_GE(backend->defaultOutputDevice(), 0);
    }
    std::printf("[ measure  ] Pa_Initialize with device enumeration: %.1f ms\n", portAudioInitialiseSeconds() * 1000);
}

TEST_F(Backend, RefusesDevicesAndFormatsItCannotHave)
{
    RecordingSink sink(2, 100);
    ToneSource tone(440, 44100, 2);
    const int inputs = static_cast<int>(backend->inputDevices().size());
    EXPECT_THROW(backend->openCapture(inputs, 44100, 2, &sink), EngineError);
    EXPECT_THROW(backend->openCapture(-1, 44100, 2, &sink), EngineError);
    EXPECT_THROW(backend->openPlayback(pulseOut, 0, 2, &tone), EngineError);
    EXPECT_THROW(backend->openPlayback(pulseOut, 44100, 0, &tone), EngineError);
    EXPECT_THROW(backend->openCapture(pulseIn, 44100, 2, nullptr), EngineError);
    try {
        backend->openCapture(pulseIn, -5, 2, &sink);
        ADD_FAILURE() << "a negative rate was accepted";
    } catch (const EngineError& e) {
        EXPECT_FALSE(e.message().isEmpty());
    }
}

TEST_F(Backend, PlaysAndRecordsEveryFormatTheProgramUses)
{
    ToneSource tone(1000, 44100, 2, 0.5);
    auto player = play(tone, 44100, 2);
    struct Format { int rate, channels; };
    for (Format f : {Format{44100, 2}, Format{8000, 1}, Format{48000, 1}, Format{22050, 2}}) {
        SCOPED_TRACE(testing::Message() << f.rate << " Hz, " << f.channels << " channel(s)");
        auto sink = record(f.rate, f.channels, 1.5);
        expectCleanTone(*sink, f.rate, 1000, 0.5);
    }
    player->stop();
    EXPECT_FALSE(tone.lost);
}

TEST_F(Backend, PlaysAtEveryFormatTheProgramUses)
{
    struct Format { int rate, channels; };
    for (Format f : {Format{8000, 1}, Format{22050, 2}, Format{48000, 2}}) {
        SCOPED_TRACE(testing::Message() << f.rate << " Hz, " << f.channels << " channel(s)");
        ToneSource tone(700, f.rate, f.channels, 0.4);
        auto player = play(tone, f.rate, f.channels);
        auto sink = record(44100, 1, 2.5);   // a few of the recorder's long buffers
        player->stop();
        expectCleanTone(*sink, 44100, 700, 0.4);
    }
}

TEST_F(Backend, ConvertsWhenTheDeviceRunsAtAnotherRate)
{
    options.forceDeviceRate = 48000;
    options.forceDeviceChannels = 2;
    reopen();
    // Playback: an 11025 Hz mono stream on a 48 kHz stereo device ...
    ToneSource tone(700, 11025, 1, 0.5);
    const auto t0 = std::chrono::steady_clock::now();
    auto player = play(tone, 11025, 1);
    // ... recorded as 8000 Hz mono from a 48 kHz stereo device.
    auto sink = record(8000, 1, 1.5);
    player->stop();
    const double played = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    expectCleanTone(*sink, 8000, 700, 0.5);
    // The source is asked for its own rate: the time played plus the device buffer (at the
    // device's rate it would be asked for four times as much).
    EXPECT_GT(static_cast<double>(tone.rendered), 11025 * 1.2);
    EXPECT_LT(static_cast<double>(tone.rendered), 11025 * (played + 1.5));
}

// A client that stalls briefly loses nothing (the server keeps about 12 s of a float stereo
// stream) and must not be told otherwise. The played signal numbers its frames, so the
// recording itself shows what was really lost.
TEST_F(Backend, ReportsNoLossAfterAStallTheServerAbsorbed)
{
    RampSource ramp;
    auto player = play(ramp, 44100, 2);
    auto sink = std::make_unique<RecordingSink>(2, 44100 * 12);
    auto stream = backend->openCapture(pulseIn, 44100, 2, sink.get());
    stream->start();
    waitForData(*sink);
    sink->stallOnceSeconds = 2.0;
    std::this_thread::sleep_for(4s);
    stream->stop();
    player->stop();
    const RampCheck r = checkRamp(*sink);
    EXPECT_EQ(r.lost, 0);
    EXPECT_EQ(r.repeated, 0);
    EXPECT_EQ(sink->overflowCalls, 0) << "a loss was reported where there was none";
}

// PulseAudio drops what a client does not fetch in time and says nothing; the backend must
// notice from the stream's clock and report about as many frames as were lost. A stall past
// the server's buffer is the one way to make it drop (this test takes about 20 s).
TEST_F(Backend, ReportsFramesTheServerDroppedWhileTheClientStalled)
{
    RampSource ramp;
    auto player = play(ramp, 44100, 2);
    auto sink = std::make_unique<RecordingSink>(2, 44100 * 40);
    auto stream = backend->openCapture(pulseIn, 44100, 2, sink.get());
    stream->start();
    waitForData(*sink);
    std::this_thread::sleep_for(3500ms);   // the stream's clock settles first
    sink->stallOnceSeconds = 13.0;
    std::this_thread::sleep_for(16s);
    stream->stop();
    player->stop();
    const RampCheck r = checkRamp(*sink);
    std::printf("[ measure  ] client stalled 13 s: %lld frames lost in %d gap(s) (%lld silent frames from the player); "
                "reported %lld frames in %d report(s)\n",
                r.lost, r.gaps, r.silent, static_cast<long long>(sink->overflowFrames), sink->overflowCalls.load());
    EXPECT_EQ(r.repeated, 0);
    ASSERT_GT(r.lost, 0) << "the server lost nothing: the stall did not outlast its buffer";
    ASSERT_GT(sink->overflowCalls, 0) << "frames were lost and nothing was reported";
    EXPECT_NEAR(static_cast<double>(sink->overflowFrames), static_cast<double>(r.lost), 0.05 * r.lost + 2048);
}

TEST_F(Backend, RecordsWithoutLosingOrRepeatingAFrame)
{
    RampSource ramp;
    auto player = play(ramp, 44100, 2);
    auto sink = record(44100, 2, 2.0);
    player->stop();
    const RampCheck r = checkRamp(*sink);
    EXPECT_GT(r.frames, 44100 * 1.8);
    EXPECT_EQ(r.lost, 0);
    EXPECT_EQ(r.repeated, 0);
    EXPECT_EQ(sink->overflowCalls, 0);
}

TEST_F(Backend, ReportsADeviceThatGoesAway)
{
    options.stallSeconds = 1.0;
    reopen();
    ToneSource tone(1000, 44100, 2, 0.5);
    auto player = play(tone, 44100, 2);
    auto sink = std::make_unique<RecordingSink>(2, 44100 * 8);
    auto stream = backend->openCapture(pulseIn, 44100, 2, sink.get());
    stream->start();
    waitForData(*sink);
    // The server throws our recording stream out, as when the device behind it is removed.
    run("pactl load-module module-cli-protocol-unix");   // for pacmd (may be loaded already)
    const std::string pid = std::to_string(static_cast<long>(::getpid()));
    const std::string id = run("pactl list source-outputs | awk '/^Source Output #/{id=substr($3,2)} "
                               "/application.process.id = \"" + pid + "\"/{print id}' | tail -n1");
    ASSERT_FALSE(id.empty()) << "cannot find our recording stream on the server";
    bool ok = false;
    run("pacmd kill-source-output " + id, &ok);
    ASSERT_TRUE(ok);
    for (int i = 0; i < 40 && !sink->lost; ++i)
        std::this_thread::sleep_for(100ms);
    EXPECT_TRUE(sink->lost) << "a dead stream was not reported";
    EXPECT_FALSE(sink->lostReason().isEmpty());
    stream->stop();   // stopping a dead stream is harmless
    player->stop();
}
