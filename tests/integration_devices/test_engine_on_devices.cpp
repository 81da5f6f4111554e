// The recorder and the player on the real stack: TAudioPlayer2 plays a tone through ALSA's
// "pulse" device into the test's null sink while TAudioRecord2 records the sink's monitor.
#include "PulseFixture.h"
#include "Streams.h"

#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "engine/backends/PortAudioBackend.h"
#include "engine/backends/PortAudioOptions.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QThread>

#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <numbers>

using namespace devtest;

namespace {

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
    // What is judged here is the recording; the playing side gets a long device buffer and a
    // long queue, so that a busy machine (a test run beside a build) cannot starve it into
    // playing silence.
    PortAudioOptions roomy;
    roomy.suggestedLatency = 0.5;
    auto playerBackend = createPortAudioBackend(roomy);
    ASSERT_TRUE(playerBackend);
    TAudioPlayer2 player(nullptr, playerBackend.get());
    const int out = indexOf(player.DeviceLastIndex(), [&](int i) { player.setDeviceIndex(i); return player.DeviceName(); },
                            QStringLiteral("pulse"));
    ASSERT_GE(out, 0);
    player.setDeviceIndex(out);
    player.SetFormat(44100, 2);
    ToneFeeder feeder(player, 997, 44100, 2);
    player.Play();
    ASSERT_EQ(player.LastError(), 0) << player.LastErrorText().toStdString();
    for (int i = 0; i < 6; ++i)
        feeder.feed();
    runEventsFor(800);   // the tone reaches the sink before the recording starts

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
    // The frames match the time recorded, less what was still on its way at the start and the
    // end (a tenth of a second normally; more when the machine is very busy).
    EXPECT_NEAR(static_cast<double>(frames), seconds * 48000, 0.5 * 48000);
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
    // The "pulse" device's mixer is the server's default sink, which other tests may be
    // playing into: a small step down only, put back at once.
    player.setSrcVolume(60000);
    const QString text = QString::fromStdString(run("pactl get-sink-volume " + sink));
    static const QRegularExpression value(QStringLiteral(":\\s*(\\d+)\\s*/"));
    int channels = 0;
    for (auto it = value.globalMatch(text); it.hasNext(); ++channels)
        EXPECT_NEAR(it.next().captured(1).toLong(), 60001, 2) << text.toStdString();
    EXPECT_EQ(channels, 2);
    EXPECT_EQ(player.srcVolume(), 60000);

    // Put the sink back as it was.
    std::string raw;
    for (auto it = value.globalMatch(QString::fromStdString(savedVolume)); it.hasNext();)
        raw += " " + it.next().captured(1).toStdString();
    run("pactl set-sink-volume " + sink + raw);
}

namespace {

double processCpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// CPU seconds the sound server has used, -1 when its process cannot be found.
double serverCpuSeconds()
{
    QString runtime = qEnvironmentVariable("PULSE_RUNTIME_PATH");
    if (runtime.isEmpty())
        runtime = qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/pulse");
    const std::string pid = run("cat " + runtime.toStdString() + "/pid");
    if (pid.empty())
        return -1;
    const std::string stat = run("cat /proc/" + pid + "/stat");
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    QStringList fields = QString::fromStdString(stat.substr(close + 2)).split(QLatin1Char(' '));
    if (fields.size() < 13)
        return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

} // namespace

// What a recording costs on the real stack, per second of audio: the recorder with all three
// filters on (this process) and the sound server, against the same capture with PortAudio's
// low-latency buffers.
TEST_F(EngineOnDevices, CaptureCostsLittleCpu)
{
    TAudioRecord2 recorder(nullptr, backend.get());
    const int in = indexOf(recorder.DeviceLastIndex(), [&](int i) { recorder.setDeviceIndex(i); return recorder.DeviceName(); },
                           QStringLiteral("pulse"));
    ASSERT_GE(in, 0);
    recorder.setDeviceIndex(in);
    recorder.SetFormat(44100, 2);
    recorder.setArraySize(recorder.MillisecondsToSamples(200));
    recorder.setNotchFilter(true);
    recorder.setHighPassFilter(true);
    recorder.setLowPassFilter(true);
    recorder.setTimerEnabled(true);
    QObject::connect(&recorder, &TAudioRecord2::OnEndArrayRecord, [&](int) { recorder.GetArray(); });
    const double seconds = 4.0;
    const double cpu0 = processCpuSeconds();
    const double server0 = serverCpuSeconds();
    recorder.StartRecord();
    ASSERT_EQ(recorder.LastError(), 0);
    runEventsFor(static_cast<int>(seconds * 1000));
    recorder.StopRecord();
    const double cpu = (processCpuSeconds() - cpu0) / seconds;
    const double server = server0 >= 0 ? (serverCpuSeconds() - server0) / seconds : -1;
    std::printf("[ measure  ] recorder, 44.1 kHz stereo, 3 filters, 16384-frame buffers: program %.2f%%, server %.2f%% of a core\n",
                cpu * 100, server * 100);

    // The bare capture with our buffers and with PortAudio's low-latency ones, for comparison.
    auto captureOnly = [&](const PortAudioOptions& options, const char* what) {
        auto b = createPortAudioBackend(options);
        ASSERT_TRUE(b);
        RecordingSink sink(2, static_cast<int>(44100 * (seconds + 2)));
        auto stream = b->openCapture(in, 44100, 2, &sink);
        const double c0 = processCpuSeconds();
        const double s0 = serverCpuSeconds();
        stream->start();
        QThread::msleep(static_cast<unsigned long>(seconds * 1000));
        stream->stop();
        const double c = (processCpuSeconds() - c0) / seconds;
        const double s1 = s0 >= 0 ? (serverCpuSeconds() - s0) / seconds : -1;
        std::printf("[ measure  ] capture only, %s: program %.2f%%, server %.2f%% of a core\n", what, c * 100, s1 * 100);
    };
    captureOnly(PortAudioOptions{}, "16384-frame buffers, 1 s latency");
    PortAudioOptions low;
    low.captureLatency = 0.01;
    low.captureBufferSeconds = 0.005;
    captureOnly(low, "256-frame buffers, 10 ms latency");
    EXPECT_LT(cpu, 0.15) << "a recording should take a small share of a core";
}
