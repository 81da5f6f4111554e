// The device threads keep the real-time rule: while the recorder and the player run, the
// engine's code on the device threads makes no heap call and no lock, wait or sleep call; on the
// virtual devices, on the real sound stack through PortAudio, with and without rate
// conversion, and through the sound server's own client library.
#include "DeviceThreadWatch.h"
#include "PulseFixture.h"
#include "Streams.h"

#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "engine/backends/PortAudioBackend.h"
#include "engine/backends/PortAudioOptions.h"
#include "engine/backends/PulseBackend.h"
#include "engine/backends/VirtualBackend.h"

#include <cmath>

using namespace devtest;

namespace {

// Records and plays at once for two seconds, the recorder taking its blocks and the player fed
// with a tone as the program does, and checks the device threads' calls.
void recordAndPlay(AudioBackend& backend, const QString& device, const QString& inputDevice = QStringLiteral("="))
{
    app();
    TAudioPlayer2 player(nullptr, &backend);
    player.setDeviceIndex(device.isEmpty() ? 0 : indexOf(player.DeviceLastIndex(), [&](int i) {
        player.setDeviceIndex(i);
        return player.DeviceName();
    }, device));
    player.SetFormat(44100, 2);
    double phase = 0;
    const auto feed = [&] {
        SampleArray block(2, player.MillisecondsToSamples(200));
        for (int f = 0; f < block.frames(); ++f, phase += 2 * M_PI * 440 / 44100)
            block.data()[2 * f] = block.data()[2 * f + 1] = static_cast<float>(0.3 * std::sin(phase));
        player.PlayArray(block);
    };
    QObject::connect(&player, &TAudioPlayer2::OnEndArrayPlay, feed);
    QObject::connect(&player, &TAudioPlayer2::OnRequestOnLoadArray, feed);

    TAudioRecord2 recorder(nullptr, &backend);
    recorder.setDeviceIndex(device.isEmpty() ? 0 : indexOf(recorder.DeviceLastIndex(), [&](int i) {
        recorder.setDeviceIndex(i);
        return recorder.DeviceName();
    }, inputDevice == QLatin1String("=") ? device : inputDevice));
    recorder.SetFormat(44100, 2);
    recorder.setArraySize(recorder.MillisecondsToSamples(200));
    recorder.setHighPassFilter(true);
    qint64 recorded = 0;
    QObject::connect(&recorder, &TAudioRecord2::OnEndArrayRecord, [&](int) { recorded += recorder.GetArray().frames(); });

    resetDeviceThreadWatch();
    player.Play();
    ASSERT_EQ(player.LastError(), 0) << player.LastErrorText().toStdString();
    for (int i = 0; i < 4; ++i)
        feed();
    recorder.StartRecord();
    ASSERT_EQ(recorder.LastError(), 0) << recorder.LastErrorText().toStdString();
    runEventsFor(2000);
    recorder.StopRecord();
    player.Stop();
    const DeviceThreadCalls calls = deviceThreadCalls();

    EXPECT_GT(recorded, 44100) << "the recording did not run";
    EXPECT_GT(player.CurrentSamples(), 44100) << "the playback did not run";
    EXPECT_EQ(calls.heap, 0) << calls.first;
    EXPECT_EQ(calls.locks, 0) << calls.first;
}

class DeviceThreadRules : public PulseTest {};

} // namespace

TEST(DeviceThreadRulesVirtual, NoHeapOrLockCallsWhileRecordingAndPlaying)
{
    VirtualBackend backend(VirtualBackend::ClockMode::RealTime);
    recordAndPlay(backend, QString());
}

TEST_F(DeviceThreadRules, NoHeapOrLockCallsWhileRecordingAndPlayingThroughPortAudio)
{
    auto backend = createPortAudioBackend();
    ASSERT_TRUE(backend);
    recordAndPlay(*backend, QStringLiteral("pulse"));
}

TEST_F(DeviceThreadRules, NoHeapOrLockCallsWhilePortAudioConvertsTheRate)
{
    PortAudioOptions converting;
    converting.forceDeviceRate = 48000;
    auto backend = createPortAudioBackend(converting);
    ASSERT_TRUE(backend);
    recordAndPlay(*backend, QStringLiteral("pulse"));
}

TEST_F(DeviceThreadRules, NoHeapOrLockCallsWhileRecordingAndPlayingThroughTheSoundServer)
{
    auto backend = createPulseBackend();
    ASSERT_TRUE(backend);
    const QString sink = QString::fromStdString(sinkName());
    recordAndPlay(*backend, sink, QStringLiteral("Запись выхода: ") + sink);
}
