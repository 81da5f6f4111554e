// The player on the virtual backend: queue and events, stop, volume, timer, faults, mixer.
#include "EngineTestSupport.h"
#include "engine/TAudioPlayer2.h"

#include <QThread>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace {

using Player = VirtualBackendTest;

SampleArray counterBlock(qint64 first, int frames, int channels)
{
    SampleArray a(channels, frames);
    for (int f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            a.data()[f * channels + c] = VirtualBackend::counterValue(first + f, c);
    return a;
}

SampleArray constantBlock(float value, int frames, int channels)
{
    SampleArray a(channels, frames);
    std::fill(a.samples().begin(), a.samples().end(), value);
    return a;
}

// Plays a counter "file" of `total` frames the way the program does: two blocks after Play,
// one more for every OnEndArrayPlay and OnRequestOnLoadArray, an empty block at the end, Stop
// on OnEndPlay.
struct Feeder {
    Feeder(TAudioPlayer2& p, qint64 totalFrames, int blockFrames)
        : player(p), total(totalFrames), block(blockFrames)
    {
        QObject::connect(&player, &TAudioPlayer2::OnEndArrayPlay, [this] { ++endArray; if (playing) feed(); });
        QObject::connect(&player, &TAudioPlayer2::OnRequestOnLoadArray, [this] { ++requests; if (playing) feed(); });
        QObject::connect(&player, &TAudioPlayer2::OnEndPlay, [this] {
            ++endPlay;
            playing = false;
            player.Stop();
        });
    }
    void start()
    {
        player.Play();
        ASSERT_EQ(player.LastError(), 0) << player.LastErrorText().toStdString();
        playing = true;
        feed();
        feed();
    }
    void feed()
    {
        const int n = static_cast<int>(std::min<qint64>(block, total - fed));
        SampleArray a = n > 0 ? counterBlock(fed, n, player.Channels()) : SampleArray();
        fed += n;
        player.PlayArray(a);
        ++feeds;
    }
    TAudioPlayer2& player;
    qint64 total;
    int block;
    qint64 fed = 0;
    bool playing = false;
    int feeds = 0, endArray = 0, requests = 0, endPlay = 0;
};

void expectCounterOutput(const std::vector<float>& out, int channels, qint64 frames, qint64 first = 0)
{
    ASSERT_EQ(out.size(), static_cast<size_t>(frames * channels));
    for (qint64 f = 0; f < frames; ++f) {
        ASSERT_EQ(VirtualBackend::counterFrame(out[f * channels]), (first + f) & 0xFFFFFF) << "frame " << f;
        if (channels > 1) {
            ASSERT_EQ(out[f * channels + 1], -out[f * channels]);
        }
    }
}

TEST_F(Player, PlaysExactlyTheFramesGivenInOrderThenEndsOnce)
{
    TAudioPlayer2 player;
    player.SetFormat(44100, 2);
    const int block = player.MillisecondsToSamples(200);
    Feeder f(player, 5 * block + 1000, block);
    f.start();
    backend->advanceAndProcess(3000);
    EXPECT_EQ(f.endPlay, 1);
    EXPECT_EQ(f.endArray, 6);     // one per block played, none for the end mark
    EXPECT_EQ(f.requests, 0);     // the queue never ran dry
    expectCounterOutput(backend->output(), 2, 5 * block + 1000);
    EXPECT_EQ(player.CurrentSamples(), 5 * block + 1000);
}

TEST_F(Player, AStalledOwnerThreadDoesNotMakeTheProgramFeedTwice)
{
    TAudioPlayer2 player;
    player.SetFormat(8000, 1);
    Feeder f(player, 100000, 1600);
    f.start();
    backend->advance(1000);       // both blocks played, then the device ran dry
    processEvents();
    EXPECT_EQ(f.endArray, 2);
    EXPECT_EQ(f.requests, 0);     // the two OnEndArrayPlay already refill the queue
    EXPECT_EQ(f.feeds, 4);
    backend->advanceAndProcess(2000);
    player.Stop();
    EXPECT_EQ(f.requests, 0);
    // What was played is the stream in order; the gap was silence, not repeated audio.
    expectCounterOutput(backend->output(), 1, backend->outputFrames());
    EXPECT_GT(backend->renderedFrames(), backend->outputFrames());
}

TEST_F(Player, ADryQueueAsksForMoreOnceUntilFed)
{
    TAudioPlayer2 player;
    player.SetFormat(8000, 1);
    int requests = 0;
    QObject::connect(&player, &TAudioPlayer2::OnRequestOnLoadArray, [&] { ++requests; });
    player.Play();
    SampleArray a = counterBlock(0, 400, 1);
    player.PlayArray(a);
    backend->advanceAndProcess(30, 10);
    EXPECT_EQ(requests, 0);
    backend->advanceAndProcess(500, 10);
    EXPECT_EQ(requests, 1);
    SampleArray b = counterBlock(400, 400, 1);
    player.PlayArray(b);
    backend->advanceAndProcess(500, 10);
    EXPECT_EQ(requests, 2);
    // After the end of the stream is queued nothing more is asked for.
    SampleArray end;
    player.PlayArray(end);
    backend->advanceAndProcess(500, 10);
    EXPECT_EQ(requests, 2);
    player.Stop();
}

TEST_F(Player, StopDropsTheQueueAndPlayStartsAfresh)
{
    TAudioPlayer2 player;
    player.SetFormat(8000, 1);
    int endArray = 0;
    QObject::connect(&player, &TAudioPlayer2::OnEndArrayPlay, [&] { ++endArray; });
    player.Play();
    for (int i = 0; i < 3; ++i) {
        SampleArray a = counterBlock(i * 800, 800, 1);
        player.PlayArray(a);
    }
    backend->advance(150);
    EXPECT_EQ(player.CurrentSamples(), 1200);
    player.Stop();
    EXPECT_EQ(player.CurrentSamples(), 1200);   // still readable after the stop (pause)
    processEvents();
    EXPECT_EQ(endArray, 0);                     // notifications of the stopped run are dropped
    backend->advance(500);
    EXPECT_EQ(backend->outputFrames(), 1200);

    player.Play();
    EXPECT_EQ(player.CurrentSamples(), 0);
    SampleArray a = counterBlock(5000, 800, 1);
    player.PlayArray(a);
    SampleArray end;
    player.PlayArray(end);
    backend->advanceAndProcess(500, 10);
    const auto out = backend->output();
    ASSERT_EQ(out.size(), 2000u);
    EXPECT_EQ(VirtualBackend::counterFrame(out[1199]), 1199);
    EXPECT_EQ(VirtualBackend::counterFrame(out[1200]), 5000);   // none of the dropped blocks
    EXPECT_EQ(player.CurrentSamples(), 800);
    player.Stop();
}

TEST_F(Player, VolumeChangesRampWithoutAStep)
{
    TAudioPlayer2 player;
    EXPECT_EQ(player.Volume(), 65535);
    player.SetFormat(8000, 1);
    player.Play();
    SampleArray a = constantBlock(0.5f, 8000, 1);
    player.PlayArray(a);
    backend->advance(100);
    player.setVolume(0);
    backend->advance(100);
    player.setVolume(32768);
    backend->advance(100);
    player.setVolume(-5);
    EXPECT_EQ(player.Volume(), 0);
    player.setVolume(99999);
    EXPECT_EQ(player.Volume(), 65535);
    player.Stop();
    const auto out = backend->output();
    ASSERT_EQ(out.size(), 2400u);
    EXPECT_EQ(out[799], 0.5f);                       // full volume passes samples unchanged
    EXPECT_EQ(out[1599], 0.0f);
    EXPECT_NEAR(out[2399], 0.25f, 0.001f);
    float largestStep = 0.0f;
    for (size_t i = 1; i < out.size(); ++i)
        largestStep = std::max(largestStep, std::fabs(out[i] - out[i - 1]));
    EXPECT_LT(largestStep, 0.01f);                   // a ramp, not a click
}

TEST_F(Player, TimerReportsPlayedFramesAndLevels)
{
    TAudioPlayer2 player;
    player.SetFormat(8000, 2);
    player.setTimerEnabled(true);
    std::vector<int> samples, left, right;
    QObject::connect(&player, &TAudioPlayer2::OnTimer, [&](int s, int l, int r) {
        samples.push_back(s);
        left.push_back(l);
        right.push_back(r);
    });
    player.Play();
    SampleArray a(2, 8000);
    for (int f = 0; f < 8000; ++f) {
        a.data()[2 * f] = (f % 2 ? -0.5f : 0.5f);
        a.data()[2 * f + 1] = (f % 2 ? 0.25f : -0.25f);
    }
    player.PlayArray(a);
    backend->advance(240);
    processEvents();
    ASSERT_EQ(samples.size(), 3u);
    EXPECT_EQ(samples, (std::vector<int>{640, 1280, 1920}));
    EXPECT_EQ(left[0], 16384);
    EXPECT_EQ(right[0], 8192);
    SampleArray cur = player.GetCurrentArray(4);
    ASSERT_EQ(cur.frames(), 4);
    EXPECT_EQ(cur.data()[6], -0.5f);   // frame 1919
    player.Stop();
    backend->advance(240);
    processEvents();
    EXPECT_EQ(samples.size(), 3u);
}

TEST_F(Player, MonoBlocksPlayOnEveryChannel)
{
    TAudioPlayer2 player;
    player.SetFormat(8000, 2);
    player.Play();
    SampleArray a = constantBlock(0.125f, 80, 1);
    player.PlayArray(a);
    backend->advance(20);
    player.Stop();
    const auto out = backend->output();
    ASSERT_EQ(out.size(), 160u);
    EXPECT_EQ(out[0], 0.125f);
    EXPECT_EQ(out[1], 0.125f);
}

TEST_F(Player, ARefusedOpenSetsLastError)
{
    TAudioPlayer2 player;
    backend->refuseNextOpen(QStringLiteral("busy"));
    player.Play();
    EXPECT_NE(player.LastError(), 0);
    EXPECT_EQ(player.LastErrorText(), QStringLiteral("busy"));
    player.Play();
    EXPECT_EQ(player.LastError(), 0);
    player.Stop();
    EXPECT_EQ(backend->openStreamCount(), 0);
}

TEST_F(Player, ALostDeviceIsReported)
{
    TAudioPlayer2 player;
    QString message;
    QObject::connect(&player, &TAudioPlayer2::OnDeviceError, [&](const QString& m) { message = m; });
    player.Play();
    SampleArray a = counterBlock(0, 44100, 2);
    player.PlayArray(a);
    backend->advance(100);
    backend->loseDevice(false, QStringLiteral("gone"));
    processEvents();
    EXPECT_EQ(message, QStringLiteral("gone"));
    EXPECT_NE(player.LastError(), 0);
    EXPECT_EQ(backend->openStreamCount(), 0);
}

TEST_F(Player, DevicesAndMixerLines)
{
    backend->setOutputDevices({{"Out 0", true}, {"Out 1", true}}, 1);
    TAudioPlayer2 player;
    EXPECT_EQ(player.DeviceLastIndex(), 1);
    EXPECT_EQ(player.DeviceIndex(), 1);
    EXPECT_EQ(player.DeviceName(), QStringLiteral("Out 1"));
    EXPECT_EQ(player.srcLastIndex(), 2);
    player.setSrcIndex(0);
    EXPECT_EQ(player.srcName(), QStringLiteral("Master"));
    EXPECT_TRUE(player.srcMuteEnabled());
    player.setSrcMute(true);
    player.setSrcIndex(1);
    player.setSrcMute(true);   // mutes are independent, unlike input selects
    EXPECT_TRUE(backend->mixerLines(false, 1)[0].switchValue);
    EXPECT_TRUE(backend->mixerLines(false, 1)[1].switchValue);
    EXPECT_FALSE(backend->mixerLines(false, 0)[0].switchValue);
    player.setDeviceIndex(0);
    player.setSrcIndex(0);
    EXPECT_FALSE(player.srcMute());
}

} // namespace

namespace {

// Real threads: the events still arrive on the owning thread and nothing is lost or repeated.
void playOnRealThreads(VirtualBackend::ClockMode mode, qint64 frames, int block)
{
    VirtualBackend b(mode);
    b.setKeepOutput(true);
    TAudioPlayer2 player(nullptr, &b);
    player.SetFormat(48000, 2);
    player.setTimerEnabled(true);
    bool offThread = false;
    int ticks = 0;
    auto check = [&] { offThread = offThread || QThread::currentThread() != qApp->thread(); };
    QObject::connect(&player, &TAudioPlayer2::OnEndArrayPlay, check);
    QObject::connect(&player, &TAudioPlayer2::OnTimer, [&](int, int, int) { check(); ++ticks; });
    Feeder f(player, frames, block);
    f.start();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (f.endPlay == 0 && std::chrono::steady_clock::now() < until) {
        processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(f.endPlay, 1);
    EXPECT_FALSE(offThread);
    if (mode == VirtualBackend::ClockMode::RealTime) {
        EXPECT_GT(ticks, 3);
    }
    expectCounterOutput(b.output(), 2, frames);
}

TEST(PlayerThreads, RealTimePlaybackDeliversEventsOnTheOwnerThread)
{
    testApp();
    playOnRealThreads(VirtualBackend::ClockMode::RealTime, 48000 / 2, 9600);
}

TEST(PlayerThreads, FreeRunningPlaybackPlaysEverythingFast)
{
    testApp();
    const auto t0 = std::chrono::steady_clock::now();
    playOnRealThreads(VirtualBackend::ClockMode::FreeRunning, 48000 * 30, 9600);
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
}

} // namespace
