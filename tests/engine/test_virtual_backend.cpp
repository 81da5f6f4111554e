// The virtual backend itself and the choice of the system backend.
#include "EngineTestSupport.h"
#include "engine/EngineError.h"
#include "engine/SpscRing.h"

#include <thread>

namespace {

struct CountingSink : CaptureSink {
    void captured(const float* data, int frames) noexcept override
    {
        calls.push_back(frames);
        received.insert(received.end(), data, data + frames * channels);
    }
    void overflowed(int frames) noexcept override { overflow += frames; }
    void deviceLost(const QString& reason) noexcept override { lost = reason; }
    int channels = 1;
    std::vector<int> calls;
    std::vector<float> received;
    int overflow = 0;
    QString lost;
};

TEST(VirtualBackend, CounterValuesAreExactInFloat)
{
    for (qint64 k : {0LL, 1LL, 12345LL, 16777215LL, 16777216LL + 7})
        EXPECT_EQ(VirtualBackend::counterFrame(VirtualBackend::counterValue(k, 0)), k & 0xFFFFFF);
    EXPECT_EQ(VirtualBackend::counterValue(5, 1), -VirtualBackend::counterValue(5, 0));
}

TEST(VirtualBackend, ManualClockDeliversExactlyWhatIsDueInPeriods)
{
    VirtualBackend b;
    b.setInputCounter();
    CountingSink sink;
    auto stream = b.openCapture(0, 44100, 1, &sink);
    stream->start();
    b.advance(10);
    EXPECT_EQ(sink.received.size(), 441u);
    b.advanceFrames(1000);
    EXPECT_EQ(sink.received.size(), 1441u);
    b.advance(100);   // 4410 frames in callbacks of at most 20 ms
    EXPECT_EQ(sink.received.size(), 5851u);
    for (int n : sink.calls)
        EXPECT_LE(n, 882);
    for (size_t i = 0; i < sink.received.size(); ++i)
        ASSERT_EQ(VirtualBackend::counterFrame(sink.received[i]), static_cast<qint64>(i));
    stream->stop();
    b.advance(100);
    EXPECT_EQ(sink.received.size(), 5851u);
    // A new stream continues the signal where the last one stopped.
    stream->start();
    b.advanceFrames(1);
    EXPECT_EQ(VirtualBackend::counterFrame(sink.received.back()), 5851);
}

TEST(VirtualBackend, OpenChecksDevicesFormatsAndInjectedRefusals)
{
    VirtualBackend b;
    b.setInputDevices({{"In 0", true}, {"In 1", false}, {"In 2", true}}, 2);
    EXPECT_EQ(b.defaultInputDevice(), 2);
    CountingSink sink;
    EXPECT_THROW(b.openCapture(1, 44100, 2, &sink), EngineError);
    EXPECT_THROW(b.openCapture(3, 44100, 2, &sink), EngineError);
    EXPECT_THROW(b.openCapture(0, 44100, 9, &sink), EngineError);
    EXPECT_THROW(b.openCapture(0, 10, 2, &sink), EngineError);
    b.refuseNextOpen("nope");
    try {
        b.openCapture(0, 44100, 2, &sink);
        FAIL() << "the open should have been refused";
    } catch (const EngineError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("nope"));
    }
    EXPECT_NO_THROW(b.openCapture(0, 44100, 2, &sink));   // only the next one is refused
    b.setDeviceAvailable(true, 1, true);
    EXPECT_NO_THROW(b.openCapture(1, 44100, 2, &sink));
}

TEST(VirtualBackend, LostAndOverflowingStreamsReport)
{
    VirtualBackend b;
    b.setInputCounter();
    CountingSink sink;
    auto stream = b.openCapture(0, 8000, 1, &sink);
    stream->start();
    b.advance(10);
    b.injectOverflow(40);
    b.advance(10);
    EXPECT_EQ(sink.overflow, 40);
    EXPECT_EQ(VirtualBackend::counterFrame(sink.received[80]), 120);
    b.loseDevice(false);   // the other side: no effect here
    EXPECT_TRUE(sink.lost.isEmpty());
    b.loseDevice(true, "gone");
    EXPECT_EQ(sink.lost, QStringLiteral("gone"));
    b.advance(100);
    EXPECT_EQ(sink.received.size(), 160u);
    EXPECT_THROW(stream->start(), EngineError);
}

TEST(VirtualBackend, MixerLinesAndSelectors)
{
    VirtualBackend b;
    auto in = b.openMixer(0, true);
    ASSERT_EQ(in->lineCount(), 3);
    EXPECT_TRUE(in->switchValue(0));
    in->setSwitchValue(2, true);
    EXPECT_FALSE(in->switchValue(0));
    EXPECT_TRUE(in->switchValue(2));
    in->setVolume(1, -4);
    EXPECT_EQ(in->volume(1), 0);
    in->setBalance(1, 101);
    EXPECT_EQ(in->balance(1), 100);
    in->setAdvancedValue(0, 1, QVariant(70000));
    EXPECT_EQ(in->advancedValue(0, 1), QVariant(65535));
    in->setAdvancedValue(0, 0, QVariant(1));
    EXPECT_EQ(in->advancedValue(0, 0), QVariant(true));
    EXPECT_THROW(in->lineName(3), EngineError);
    EXPECT_THROW(in->advancedName(0, 2), EngineError);
    // A second mixer of the same device sees the same lines.
    EXPECT_TRUE(b.openMixer(0, true)->switchValue(2));
    b.setMixerLineCount(false, 0);
    EXPECT_EQ(b.openMixer(0, false)->lineCount(), 0);
}

TEST(VirtualBackend, RealTimeClockRunsAtTheRealRate)
{
    VirtualBackend b(VirtualBackend::ClockMode::RealTime);
    CountingSink sink;
    auto stream = b.openCapture(0, 8000, 1, &sink);
    const auto t0 = std::chrono::steady_clock::now();
    stream->start();
    // A second, so that a late period or a slow stop on a busy machine stays well inside the
    // margin, while a clock that runs free or stalls is far outside it.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    stream->stop();
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_NEAR(sink.received.size() / 8000.0, s, 0.1);
}

TEST(SystemBackend, TestsCanPutTheirOwnBackendInPlace)
{
    VirtualBackend mine;
    setSystemAudioBackend(&mine);
    EXPECT_EQ(&systemAudioBackend(), &mine);
    setSystemAudioBackend(nullptr);
    qputenv("TAVRIN_AUDIO", "virtual");
    AudioBackend& sys = systemAudioBackend();
    EXPECT_NE(&sys, &mine);
    EXPECT_EQ(sys.name(), QStringLiteral("Virtual"));
    EXPECT_EQ(&systemAudioBackend(), &sys);   // created once
    EXPECT_GE(sys.inputDevices().size(), 1);
}

TEST(SpscRing, MovesItemsBetweenTwoThreadsInOrder)
{
    SpscRing<int> ring(1000);
    EXPECT_EQ(ring.capacity(), 1024u);
    constexpr int Count = 1000000;
    std::thread producer([&] {
        int next = 0;
        int chunk[37];
        while (next < Count) {
            int n = 0;
            while (n < 37 && next + n < Count) {
                chunk[n] = next + n;
                ++n;
            }
            next += static_cast<int>(ring.write(chunk, static_cast<size_t>(n)));
        }
    });
    int expected = 0;
    int buf[100];
    bool inOrder = true;
    while (expected < Count) {
        const size_t n = ring.read(buf, 100);
        for (size_t i = 0; i < n; ++i)
            inOrder = inOrder && buf[i] == expected++;
    }
    producer.join();
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(ring.readAvailable(), 0u);
}

} // namespace
