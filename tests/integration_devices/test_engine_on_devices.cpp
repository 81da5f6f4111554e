// The recorder and the player on the real stack: TAudioPlayer2 plays a tone through ALSA's
// "pulse" device into the test's null sink while TAudioRecord2 records the sink's monitor.
#include "PulseFixture.h"
#include "Streams.h"

#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "engine/backends/PortAudioBackend.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

#include <cmath>
#include <numbers>

using namespace devtest;

namespace {

QCoreApplication* app()
{
    static int argc = 1;
    static char name[] = "test_integration_devices";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* a = QCoreApplication::instance() ? QCoreApplication::instance()
                                                              : new QCoreApplication(argc, argv);
    return a;
}

void runEventsFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

int indexOf(int last, const std::function<QString(int)>& nameOf, const QString& wanted)
{
    for (int i = 0; i <= last; ++i)
        if (nameOf(i) == wanted)
            return i;
    return -1;
}

// Feeds the player 200 ms blocks of a tone whenever it asks, as the program does.
class ToneFeeder {
public:
    ToneFeeder(TAudioPlayer2& player, double hz, int rate, int channels)
        : player_(player), step_(2 * std::numbers::pi * hz / rate), rate_(rate), channels_(channels)
    {
        QObject::connect(&player, &TAudioPlayer2::OnEndArrayPlay, [this] { feed(); });
        QObject::connect(&player, &TAudioPlayer2::OnRequestOnLoadArray, [this] { feed(); });
    }
    void feed()
    {
        if (!playing)
            return;
        const int frames = player_.MillisecondsToSamples(200);
        SampleArray block(channels_, frames);
        float* p = block.data();
        for (int i = 0; i < frames; ++i, phase_ += step_)
            for (int c = 0; c < channels_; ++c)
                *p++ = static_cast<float>(0.5 * std::sin(phase_));
        player_.PlayArray(block);
        fed += frames;
    }
    bool playing = true;
    long long fed = 0;

private:
    TAudioPlayer2& player_;
    double step_;
    double phase_ = 0;
    int rate_;
    int channels_;
};

class EngineOnDevices : public PulseTest {
protected:
    void SetUp() override
    {
        PulseTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        app();
        backend = createPortAudioBackend();
        ASSERT_TRUE(backend);
    }

    std::unique_ptr<AudioBackend> backend;
};

} // namespace

TEST_F(EngineOnDevices, TheRecorderHoldsTheTonePlayedWithoutGaps)
{
    TAudioPlayer2 player(nullptr, backend.get());
    const int out = indexOf(player.DeviceLastIndex(), [&](int i) { player.setDeviceIndex(i); return player.DeviceName(); },
                            QStringLiteral("pulse"));
    ASSERT_GE(out, 0);
    player.setDeviceIndex(out);
    player.SetFormat(44100, 2);
    ToneFeeder feeder(player, 997, 44100, 2);
    player.Play();
    ASSERT_EQ(player.LastError(), 0) << player.LastErrorText().toStdString();
    feeder.feed();
    feeder.feed();
    runEventsFor(600);   // the tone reaches the sink before the recording starts

    TAudioRecord2 recorder(nullptr, backend.get());
    const int in = indexOf(recorder.DeviceLastIndex(), [&](int i) { recorder.setDeviceIndex(i); return recorder.DeviceName(); },
                           QStringLiteral("pulse"));
    ASSERT_GE(in, 0);
    recorder.setDeviceIndex(in);
    recorder.SetFormat(48000, 1);
    const int block = recorder.MillisecondsToSamples(200);
    ASSERT_EQ(block, 9600);
    recorder.setArraySize(block);
    std::vector<float> recording;
    std::vector<int> blockSizes;
    QObject::connect(&recorder, &TAudioRecord2::OnEndArrayRecord, [&](int) {
        SampleArray a = recorder.GetArray();
        blockSizes.push_back(a.frames());
        recording.insert(recording.end(), a.samples().begin(), a.samples().end());
    });
    QElapsedTimer clock;
    clock.start();
    recorder.StartRecord();
    ASSERT_EQ(recorder.LastError(), 0) << recorder.LastErrorText().toStdString();
    runEventsFor(3000);
    recorder.StopRecord();
    const double seconds = clock.elapsed() / 1000.0;
    feeder.playing = false;
    player.Stop();

    // Every block full but the last; their frames are all the recorder counted.
    ASSERT_FALSE(blockSizes.empty());
    for (std::size_t i = 0; i + 1 < blockSizes.size(); ++i)
        ASSERT_EQ(blockSizes[i], block) << "block " << i;
    EXPECT_GT(blockSizes.back(), 0);
    EXPECT_LE(blockSizes.back(), block);
    const long long frames = static_cast<long long>(recording.size());
    EXPECT_EQ(frames, recorder.CurrentSamples());
    EXPECT_EQ(static_cast<long long>(blockSizes.size()), (frames + block - 1) / block);
    // The frames match the time recorded (less the device latency at the start).
    EXPECT_NEAR(static_cast<double>(frames), seconds * 48000, 0.25 * 48000);
    EXPECT_EQ(recorder.OverflowCount(), 0);

    const ToneCheck t = analyseTone(recording, 48000, 997);
    ASSERT_GE(t.start, 0) << "the tone did not reach the recording";
    EXPECT_NEAR(t.hz, 997, 2.0);
    EXPECT_NEAR(t.rms, 0.5 / std::sqrt(2.0), 0.05);
    EXPECT_GT(t.end - t.start, 48000 * 2.5);
    EXPECT_LT(t.longestQuiet, 48) << "a silent stretch inside the recording";
    EXPECT_LT(t.worstJump, 0.1) << "the recording jumps: frames were lost or repeated";
}

TEST_F(EngineOnDevices, MixerVolumesReachTheServer)
{
    const std::string sink = run("pactl get-default-sink");
    const std::string savedVolume = run("pactl get-sink-volume " + sink);
    TAudioPlayer2 player(nullptr, backend.get());
    const int out = indexOf(player.DeviceLastIndex(), [&](int i) { player.setDeviceIndex(i); return player.DeviceName(); },
                            QStringLiteral("pulse"));
    ASSERT_GE(out, 0);
    player.setDeviceIndex(out);
    ASSERT_GE(player.srcLastIndex(), 0);
    player.setSrcIndex(0);
    EXPECT_EQ(player.srcName(), QStringLiteral("Master"));
    EXPECT_TRUE(player.srcVolumeEnabled());
    EXPECT_TRUE(player.srcMuteEnabled());
    player.setSrcVolume(40000);
    const QString text = QString::fromStdString(run("pactl get-sink-volume " + sink));
    static const QRegularExpression value(QStringLiteral(":\\s*(\\d+)\\s*/"));
    int channels = 0;
    for (auto it = value.globalMatch(text); it.hasNext(); ++channels)
        EXPECT_NEAR(it.next().captured(1).toLong(), 40001, 2) << text.toStdString();
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(player.srcVolume(), 40000);

    // Put the sink back as it was.
    std::string raw;
    for (auto it = value.globalMatch(QString::fromStdString(savedVolume)); it.hasNext();)
        raw += " " + it.next().captured(1).toStdString();
    run("pactl set-sink-volume " + sink + raw);
}
