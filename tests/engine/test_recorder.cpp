// The recorder on the virtual backend: blocks, the timer, stalls, faults, devices, mixer.
#include "EngineTestSupport.h"
#include "engine/EngineError.h"
#include "engine/TAudioRecord2.h"

#include <QThread>
#include <chrono>
#include <climits>
#include <thread>
#include <vector>

namespace {

using Recorder = VirtualBackendTest;

// Takes every block as the program does: GetArray inside OnEndArrayRecord.
struct BlockCollector {
    explicit BlockCollector(TAudioRecord2& r, bool take = true) : rec(r)
    {
        QObject::connect(&rec, &TAudioRecord2::OnEndArrayRecord, [this, take](int) {
            ++events;
            if (!take)
                return;
            SampleArray a = rec.GetArray();
            if (!a.isEmpty())
                blocks.push_back(std::move(a));
        });
    }
    // Every frame of every block carries the next counter value; returns the frame count.
    qint64 checkCounter(qint64 first = 0) const
    {
        qint64 frame = first;
        for (const auto& b : blocks) {
            const int ch = b.channels();
            for (int f = 0; f < b.frames(); ++f, ++frame) {
                EXPECT_EQ(VirtualBackend::counterFrame(b.data()[f * ch]), frame & 0xFFFFFF);
                if (VirtualBackend::counterFrame(b.data()[f * ch]) != (frame & 0xFFFFFF))
                    return -1;
            }
        }
        return frame - first;
    }
    TAudioRecord2& rec;
    int events = 0;
    std::vector<SampleArray> blocks;
};

struct TimerLog {
    explicit TimerLog(TAudioRecord2& r)
    {
        QObject::connect(&r, &TAudioRecord2::OnTimer, [this](int s, int l, int rr) {
            samples.push_back(s);
            left.push_back(l);
            right.push_back(rr);
        });
    }
    std::vector<int> samples, left, right;
};

void startCounterRecording(VirtualBackend& backend, TAudioRecord2& rec, int rate, int channels, int block)
{
    backend.setInputCounter();
    rec.SetFormat(rate, channels);
    rec.setArraySize(block);
    rec.StartRecord();
    ASSERT_EQ(rec.LastError(), 0) << rec.LastErrorText().toStdString();
}

TEST_F(Recorder, BlocksOfArraySizeArriveInOrderAndStopHandsOverThePartialBlock)
{
    TAudioRecord2 rec;
    BlockCollector c(rec);
    startCounterRecording(*backend, rec, 44100, 2, rec.MillisecondsToSamples(200));
    ASSERT_EQ(rec.ArraySize(), 8820);
    backend->advance(1000);
    processEvents();
    EXPECT_EQ(c.blocks.size(), 5u);
    backend->advance(50);
    rec.StopRecord();   // the last, partial block is handed over before StopRecord returns
    ASSERT_EQ(c.blocks.size(), 6u);
    EXPECT_EQ(c.blocks.back().frames(), 2205);
    for (size_t i = 0; i + 1 < c.blocks.size(); ++i)
        EXPECT_EQ(c.blocks[i].frames(), 8820);
    EXPECT_EQ(c.checkCounter(), 44100 + 2205);
    // Odd channels carry the negated counter.
    EXPECT_EQ(c.blocks[0].data()[2 * 7 + 1], -c.blocks[0].data()[2 * 7]);
    processEvents();   // stale notifications raise nothing more
    EXPECT_EQ(c.events, 6);
    EXPECT_TRUE(rec.GetArray().isEmpty());
}

TEST_F(Recorder, PauseAndResumeLoseAndRepeatNothing)
{
    TAudioRecord2 rec;
    BlockCollector c(rec);
    startCounterRecording(*backend, rec, 48000, 1, 1000);
    qint64 expected = 0;
    const int runs[] = {2500, 333, 1, 1000, 7777};
    for (int ms : runs) {
        backend->advanceAndProcess(ms, 40);
        expected += 48 * ms;
        EXPECT_EQ(rec.CurrentSamples(), 48 * ms);   // counted from the last StartRecord
        rec.StopRecord();
        backend->advance(500);                      // paused: nothing recorded
        processEvents();
        rec.StartRecord();
        ASSERT_EQ(rec.LastError(), 0);
        EXPECT_EQ(rec.CurrentSamples(), 0);
    }
    rec.StopRecord();
    EXPECT_EQ(c.checkCounter(), expected);
    // Every block is whole except the last one before each pause.
    int partial = 0;
    for (const auto& b : c.blocks) {
        EXPECT_LE(b.frames(), 1000);
        partial += b.frames() != 1000;
    }
    EXPECT_LE(partial, 5);
    EXPECT_EQ(c.events, static_cast<int>(c.blocks.size()));
}

TEST_F(Recorder, ABlockSizeChangeAppliesToTheNextBlock)
{
    TAudioRecord2 rec;
    BlockCollector c(rec);
    startCounterRecording(*backend, rec, 8000, 1, 800);
    backend->advanceAndProcess(150, 10);        // 1200 frames: one block and 400 waiting
    rec.setArraySize(100);                      // the waiting 400 frames become four blocks
    backend->advanceAndProcess(50, 10);
    rec.StopRecord();
    std::vector<int> sizes;
    for (const auto& b : c.blocks)
        sizes.push_back(b.frames());
    EXPECT_EQ(sizes, (std::vector<int>{800, 100, 100, 100, 100, 100, 100, 100, 100}));
    EXPECT_EQ(c.checkCounter(), 1600);
    EXPECT_THROW(rec.setArraySize(0), EngineError);
}

TEST_F(Recorder, AStalledOwnerThreadLosesNothing)
{
    TAudioRecord2 rec;
    BlockCollector c(rec);
    rec.setTimerEnabled(true);
    startCounterRecording(*backend, rec, 44100, 2, 8820);
    backend->advance(30000);                    // 30 s without letting any event run
    EXPECT_EQ(c.events, 0);
    processEvents();
    EXPECT_EQ(c.blocks.size(), 150u);
    backend->advance(100);
    rec.StopRecord();
    EXPECT_EQ(c.checkCounter(), 44100 * 30 + 4410);
    EXPECT_EQ(rec.OverflowCount(), 0);
}

TEST_F(Recorder, StaleNotificationsRaiseNoEventForBlocksAlreadyTaken)
{
    TAudioRecord2 rec;
    BlockCollector c(rec, false);
    startCounterRecording(*backend, rec, 8000, 1, 800);
    backend->advance(500);                      // five blocks wait, their notification queued
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(rec.GetArray().frames(), 800);   // taken without an event
    processEvents();
    EXPECT_EQ(c.events, 2);                     // only the two blocks still waiting
    processEvents();
    EXPECT_EQ(c.events, 2);
    // Blocks announced but never taken do not come back in the next recording.
    rec.StopRecord();
    EXPECT_EQ(c.events, 2);
    rec.StartRecord();
    EXPECT_TRUE(rec.GetArray().isEmpty());
    rec.StopRecord();
}

TEST_F(Recorder, TimerReportsFramesAndPeakLevelsOnTheVirtualClock)
{
    backend->setInputSignal(0, {VirtualBackend::Signal::Sine, 11025.0, 0.5});   // peaks hit exactly
    backend->setInputSignal(1, {VirtualBackend::Signal::Sine, 11025.0, 0.25});
    TAudioRecord2 rec;
    EXPECT_EQ(rec.TimerInterval(), 80);
    TimerLog t(rec);
    rec.SetFormat(44100, 2);
    rec.setTimerEnabled(true);
    rec.StartRecord();
    backend->advance(79);
    processEvents();
    EXPECT_TRUE(t.samples.empty());
    backend->advance(1);
    processEvents();
    ASSERT_EQ(t.samples.size(), 1u);
    EXPECT_EQ(t.samples[0], 3528);
    EXPECT_NEAR(t.left[0], 16384, 1);
    EXPECT_NEAR(t.right[0], 8192, 1);
    EXPECT_EQ(rec.LevelLeft(), t.left[0]);
    backend->advance(400);
    processEvents();
    ASSERT_EQ(t.samples.size(), 6u);
    EXPECT_EQ(t.samples[5], 6 * 3528);

    // The level is the peak of the last period only.
    backend->setInputSilence();
    backend->advance(80);
    processEvents();
    EXPECT_EQ(t.left.back(), 0);
    EXPECT_EQ(t.right.back(), 0);

    // No ticks while the timer is off or the recorder stopped; a tick queued before the stop
    // is not delivered after it.
    rec.setTimerEnabled(false);
    backend->advance(400);
    processEvents();
    EXPECT_EQ(t.samples.size(), 7u);
    rec.setTimerEnabled(true);
    backend->advance(80);
    rec.StopRecord();
    processEvents();
    EXPECT_EQ(t.samples.size(), 7u);
    backend->advance(400);
    processEvents();
    EXPECT_EQ(t.samples.size(), 7u);
}

TEST_F(Recorder, MonoGivesTheSameLevelOnBothSidesAndIntervalsFollowTheSetting)
{
    backend->setInputSine(1000.0, 1.0);
    TAudioRecord2 rec;
    TimerLog t(rec);
    rec.SetFormat(22050, 1);
    rec.setTimerInterval(50);
    rec.setTimerEnabled(true);
    rec.StartRecord();
    backend->advance(200);
    processEvents();
    ASSERT_EQ(t.samples.size(), 4u);
    EXPECT_EQ(t.samples[3], 4410);
    EXPECT_GT(t.left[0], 32600);   // a 1 kHz sine sampled at 22 kHz comes within 1% of its peak
    EXPECT_EQ(t.left, t.right);
    rec.StopRecord();
}

TEST_F(Recorder, GetCurrentArrayGivesTheLatestFrames)
{
    TAudioRecord2 rec;
    startCounterRecording(*backend, rec, 8000, 2, 800);
    EXPECT_TRUE(rec.GetCurrentArray(0).isEmpty());
    backend->advance(10);    // 80 frames so far
    SampleArray a = rec.GetCurrentArray(100);
    ASSERT_EQ(a.frames(), 100);
    ASSERT_EQ(a.channels(), 2);
    EXPECT_EQ(a.data()[0], 0.0f);                                      // padding before the start
    EXPECT_EQ(VirtualBackend::counterFrame(a.data()[2 * 20]), 0);
    EXPECT_EQ(VirtualBackend::counterFrame(a.data()[2 * 99]), 79);
    backend->advance(1000);
    a = rec.GetCurrentArray(512);
    EXPECT_EQ(VirtualBackend::counterFrame(a.data()[2 * 511]), 8079);
    EXPECT_EQ(VirtualBackend::counterFrame(a.data()[0]), 8079 - 511);
    // Past the end of the history's ring (65536 frames) every frame still comes in order.
    backend->advance(7170);   // 65440 frames
    for (int step = 0; step < 3; ++step) {
        backend->advance(10);
        a = rec.GetCurrentArray(4096);
        const int last = VirtualBackend::counterFrame(a.data()[2 * 4095]);
        EXPECT_EQ(last, 65519 + 80 * step);
        for (int i = 0; i < 4096; ++i)
            if (VirtualBackend::counterFrame(a.data()[2 * i]) != last - 4095 + i)
                FAIL() << "frame " << i << " of the array read at " << last;
    }
    rec.StopRecord();
}

TEST_F(Recorder, ConversionsUseTheFormatAndA64BitIntermediate)
{
    TAudioRecord2 rec;
    rec.SetFormat(44100, 2);
    EXPECT_EQ(rec.MillisecondsToSamples(200), 8820);
    EXPECT_EQ(rec.SamplesToMilliseconds(8820), 200);
    EXPECT_EQ(rec.SamplesToMilliseconds(2000000000), 45351473);
    EXPECT_EQ(rec.MillisecondsToSamples(40000000), 1764000000);
    EXPECT_EQ(rec.MillisecondsToSamples(INT_MAX), INT_MAX);   // kept inside the int range
    rec.SetFormat(8000, 1);
    EXPECT_EQ(rec.MillisecondsToSamples(200), 1600);
    EXPECT_THROW(rec.SetFormat(0, 2), EngineError);
    EXPECT_THROW(rec.SetFormat(44100, 0), EngineError);
    EXPECT_EQ(rec.SampleRate(), 8000);
}

TEST_F(Recorder, ARefusedOpenSetsLastErrorAndTheNextStartWorks)
{
    TAudioRecord2 rec;
    backend->refuseNextOpen(QStringLiteral("Device or resource busy"));
    rec.StartRecord();
    EXPECT_NE(rec.LastError(), 0);
    EXPECT_EQ(rec.LastErrorText(), QStringLiteral("Device or resource busy"));
    rec.StopRecord();   // the program's stop sequence follows; nothing to hand over
    rec.StartRecord();
    EXPECT_EQ(rec.LastError(), 0);
    EXPECT_TRUE(rec.LastErrorText().isEmpty());
    rec.StopRecord();

    backend->setInputDevices({{"A", true}, {"B", false}});
    rec.setDeviceIndex(1);
    rec.StartRecord();
    EXPECT_NE(rec.LastError(), 0);
    rec.setDeviceIndex(5);
    rec.StartRecord();
    EXPECT_NE(rec.LastError(), 0);
    EXPECT_EQ(backend->openStreamCount(), 0);
}

TEST_F(Recorder, ALostDeviceFlushesEverythingThenReports)
{
    TAudioRecord2 rec;
    BlockCollector c(rec);
    std::vector<QString> order;
    QObject::connect(&rec, &TAudioRecord2::OnEndArrayRecord, [&](int) { order.push_back("block"); });
    QObject::connect(&rec, &TAudioRecord2::OnDeviceError, [&](const QString& m) { order.push_back(m); });
    startCounterRecording(*backend, rec, 8000, 1, 800);
    backend->advance(350);   // three blocks and 400 frames
    backend->loseDevice(true, QStringLiteral("unplugged"));
    backend->advance(500);   // nothing more arrives
    processEvents();
    EXPECT_EQ(order, (std::vector<QString>{"block", "block", "block", "block", "unplugged"}));
    EXPECT_EQ(c.checkCounter(), 2800);
    EXPECT_NE(rec.LastError(), 0);
    EXPECT_EQ(backend->openStreamCount(), 0);
    rec.StopRecord();
    EXPECT_EQ(c.events, 4);
}

TEST_F(Recorder, DeviceOverflowsAreCounted)
{
    TAudioRecord2 rec;
    BlockCollector c(rec);
    startCounterRecording(*backend, rec, 8000, 1, 800);
    backend->advance(100);
    backend->injectOverflow(123);
    backend->advance(100);
    rec.StopRecord();
    EXPECT_EQ(rec.OverflowCount(), 123);
    // The frames after the gap carry the counter 123 frames on.
    ASSERT_EQ(c.blocks.size(), 2u);
    EXPECT_EQ(VirtualBackend::counterFrame(c.blocks[0].data()[800 - 1]), 799);
    EXPECT_EQ(VirtualBackend::counterFrame(c.blocks[1].data()[0]), 800 + 123);
    rec.StartRecord();
    EXPECT_EQ(rec.OverflowCount(), 0);
    rec.StopRecord();
}

TEST_F(Recorder, DeviceListStartsAtTheDefaultDevice)
{
    backend->setInputDevices({{"Card 0", true}, {"Card 1", false}, {"Card 2", true}}, 2);
    TAudioRecord2 rec;
    EXPECT_EQ(rec.DeviceLastIndex(), 2);
    EXPECT_EQ(rec.DeviceIndex(), 2);
    EXPECT_EQ(rec.DeviceName(), QStringLiteral("Card 2"));
    rec.setDeviceIndex(1);
    EXPECT_EQ(rec.DeviceName(), QStringLiteral("Card 1"));
    EXPECT_FALSE(rec.DeviceAvailable());
    rec.setDeviceIndex(3);
    EXPECT_FALSE(rec.DeviceAvailable());
    EXPECT_TRUE(rec.DeviceName().isEmpty());
    backend->setInputDevices({});
    EXPECT_EQ(rec.DeviceLastIndex(), -1);
}

TEST_F(Recorder, MixerPropertiesReachTheLinesOfTheCurrentDevice)
{
    backend->setInputDevices({{"Card 0", true}, {"Card 1", true}});
    backend->setMixerLines(true, 1, VirtualBackend::defaultMixerLines(true, 2));
    backend->setMixerLineCount(true, 4);   // devices without their own lines get four
    backend->setMixerLines(true, 1, VirtualBackend::defaultMixerLines(true, 2));
    TAudioRecord2 rec;
    EXPECT_EQ(rec.srcLastIndex(), 3);
    rec.setSrcIndex(2);
    EXPECT_EQ(rec.srcName(), QStringLiteral("CD Audio"));
    EXPECT_TRUE(rec.srcSelectEnabled());
    rec.setSrcVolume(70000);
    EXPECT_EQ(rec.srcVolume(), 65535);
    rec.setSrcBalance(30);
    EXPECT_EQ(backend->mixerLines(true, 0)[2].balance, 30);

    // Selecting one source unselects the others.
    rec.setSrcIndex(0);
    EXPECT_TRUE(rec.srcSelect());
    rec.setSrcIndex(3);
    rec.setSrcSelect(true);
    rec.setSrcIndex(0);
    EXPECT_FALSE(rec.srcSelect());
    rec.setSrcIndex(3);
    EXPECT_TRUE(rec.srcSelect());

    // Advanced controls keep their kind.
    EXPECT_EQ(rec.srcAdvancedLastIndex(), 1);
    EXPECT_EQ(rec.srcAdvancedValue(0).typeId(), QMetaType::Bool);
    EXPECT_EQ(rec.srcAdvancedValue(1).typeId(), QMetaType::Int);
    rec.setSrcAdvancedValue(0, QVariant(true));
    rec.setSrcAdvancedValue(1, QVariant(1234));
    EXPECT_TRUE(rec.srcAdvancedValue(0).toBool());
    EXPECT_EQ(rec.srcAdvancedValue(1).toInt(), 1234);
    EXPECT_EQ(rec.srcAdvancedName(0), QStringLiteral("Boost"));

    // Another device: its own mixer.
    rec.setDeviceIndex(1);
    EXPECT_EQ(rec.srcLastIndex(), 1);
    rec.setSrcIndex(3);   // no such line: neutral reads, ignored writes
    EXPECT_TRUE(rec.srcName().isEmpty());
    EXPECT_FALSE(rec.srcSelect());
    EXPECT_EQ(rec.srcAdvancedLastIndex(), -1);
    rec.setSrcVolume(5);
    rec.setSrcSelect(true);
    EXPECT_EQ(backend->mixerLines(true, 1).size(), 2);

    backend->setMixerLineCount(true, 0);
    rec.setDeviceIndex(0);
    EXPECT_EQ(rec.srcLastIndex(), -1);
}

TEST_F(Recorder, FreeRunningLosesNothing)
{
    VirtualBackend fast(VirtualBackend::ClockMode::FreeRunning);
    fast.setInputCounter();
    TAudioRecord2 rec(nullptr, &fast);
    BlockCollector c(rec);
    rec.SetFormat(48000, 2);
    rec.setArraySize(9600);
    rec.StartRecord();
    ASSERT_EQ(rec.LastError(), 0);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (rec.CurrentSamples() < 48000 * 20 && std::chrono::steady_clock::now() < until)
        processEvents();
    rec.StopRecord();
    EXPECT_GE(c.checkCounter(), 48000 * 20);
    EXPECT_EQ(rec.OverflowCount(), 0);
}

TEST_F(Recorder, RealTimeStallOfTheOwnerThreadLosesNothing)
{
    VirtualBackend live(VirtualBackend::ClockMode::RealTime);
    live.setInputCounter();
    TAudioRecord2 rec(nullptr, &live);
    BlockCollector c(rec);
    bool offThread = false;
    QObject::connect(&rec, &TAudioRecord2::OnEndArrayRecord,
                     [&](int) { offThread = offThread || QThread::currentThread() != qApp->thread(); });
    rec.SetFormat(44100, 2);
    rec.setArraySize(8820);
    const auto t0 = std::chrono::steady_clock::now();
    rec.StartRecord();
    ASSERT_EQ(rec.LastError(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2200));   // the UI thread is stuck
    EXPECT_EQ(c.events, 0);
    processEvents();
    EXPECT_GE(c.blocks.size(), 9u);
    rec.StopRecord();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const qint64 frames = c.checkCounter();
    EXPECT_EQ(frames, live.inputPosition());
    EXPECT_NEAR(frames / 44100.0, seconds, 0.15);
    EXPECT_EQ(rec.OverflowCount(), 0);
    EXPECT_FALSE(offThread);
}

} // namespace
