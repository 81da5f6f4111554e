// The sound-server backend when its server goes away and comes back, on a server of the test's
// own (support/PrivateSoundServer.h): a recording running when the server dies ends with one
// error; the lists show the devices gone and, once a server answers again, back under their old
// numbers without anyone asking; while none answers, opening a stream fails at once saying so;
// and the first recording after the server's return holds its sound.
#include "Streams.h"

#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "engine/backends/PulseBackend.h"
#include "support/PrivateSoundServer.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>

using namespace devtest;

namespace {

const QString kSine = QStringLiteral("Sine source at 440 Hz");

bool eventually(const std::function<bool()>& pred, int ms)
{
    QElapsedTimer t;
    t.start();
    while (!pred() && t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(10);
    }
    return pred();
}

// What a recorder delivered, and how it ended.
struct Take {
    int error = 0;
    QString errorText;
    qint64 frames = 0;
    float peak = 0;
    QStringList deviceErrors;
};

// Records from input `device` of `backend` until `seconds` of audio came (the sine source hands
// out two-second lumps), or until `during` has run and the device is gone.
Take record(AudioBackend& backend, int device, double seconds, const std::function<void()>& during = {})
{
    Take take;
    TAudioRecord2 recorder(nullptr, &backend);
    recorder.setDeviceIndex(device);
    recorder.SetFormat(44100, 1);
    recorder.setArraySize(4410);
    QObject::connect(&recorder, &TAudioRecord2::OnEndArrayRecord, [&](int) {
        const SampleArray block = recorder.GetArray();
        take.frames += block.frames();
        for (float x : block.samples())
            take.peak = std::max(take.peak, std::fabs(x));
    });
    QObject::connect(&recorder, &AudioDeviceComponent::OnDeviceError,
                     [&](const QString& message) { take.deviceErrors.append(message); });
    recorder.StartRecord();
    take.error = recorder.LastError();
    take.errorText = recorder.LastErrorText();
    if (take.error != 0)
        return take;
    eventually([&] { return recorder.CurrentSamples() >= seconds * 44100; }, 30000);
    if (during) {
        during();
        eventually([&] { return !take.deviceErrors.isEmpty(); }, 10000);
        eventually([] { return false; }, 300);   // a second report would come now
    }
    recorder.StopRecord();
    return take;
}

class ServerRestart : public ::testing::Test {
protected:
    void SetUp() override
    {
        app();
        ASSERT_TRUE(server.started()) << server.error().toStdString();
        backend = createPulseBackend(options);
        ASSERT_TRUE(backend) << "the backend does not reach the test's own server";
        const auto inputs = backend->inputDevices();
        for (int i = 0; i < inputs.size(); ++i)
            if (inputs[i].name == kSine)
                sine = i;
        ASSERT_GE(sine, 0) << "the sine source is not listed";
        watch = backend->watchDevices([this](int changes) {
            if (changes & DeviceListsChanged)
                ++listChanges;
        });
    }

    bool sineAvailable() const { return backend->inputDevices().value(sine).available; }

    PrivateSoundServer server;
    PulseOptions options;
    std::unique_ptr<AudioBackend> backend;
    int sine = -1;
    std::atomic<int> listChanges{0};
    std::shared_ptr<void> watch;
};

} // namespace

TEST_F(ServerRestart, AfterACrashTheBackendFindsTheServerAgainAndRecordsFromIt)
{
    const int defaultOutput = backend->defaultOutputDevice();
    const QString outputName = backend->outputDevices().value(defaultOutput).name;

    // A recording running when the server dies ends with one error, keeping what came.
    const Take cut = record(*backend, sine, 2.0, [&] { ASSERT_TRUE(server.crash()) << server.error().toStdString(); });
    EXPECT_EQ(cut.deviceErrors.size(), 1) << cut.deviceErrors.join(QStringLiteral("; ")).toStdString();
    EXPECT_GE(cut.frames, 2 * 44100) << "the audio that came before the crash was not handed over";
    EXPECT_TRUE(eventually([&] { return !sineAvailable(); }, 5000)) << "the devices of a dead server are offered";
    const int changesWhileAway = listChanges;
    EXPECT_GT(changesWhileAway, 0) << "the watches did not hear that the devices went";

    // Nothing asks for the server: the backend looks for it by itself and finds it.
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    QElapsedTimer back;
    back.start();
    ASSERT_TRUE(eventually([&] { return sineAvailable(); }, 30000)) << "the backend did not find the server again";
    std::printf("[ measure  ] the lists were full again %lld ms after the server answered\n",
                static_cast<long long>(back.elapsed()));
    EXPECT_GT(listChanges, changesWhileAway) << "the watches did not hear that the devices came back";
    EXPECT_EQ(backend->inputDevices().value(sine).name, kSine) << "the device came back under another number";
    EXPECT_EQ(backend->defaultOutputDevice(), defaultOutput);
    EXPECT_EQ(backend->outputDevices().value(defaultOutput).name, outputName);

    const Take after = record(*backend, sine, 1.5);
    ASSERT_EQ(after.error, 0) << after.errorText.toStdString();
    EXPECT_GE(after.frames, 44100);
    EXPECT_GT(after.peak, 0.05f) << "the recording after the restart holds no sound";
    EXPECT_TRUE(after.deviceErrors.isEmpty());
}

TEST_F(ServerRestart, WhileNoServerAnswersStreamsFailAtOnceAndTheFirstRecordingAfterItsReturnWorks)
{
    options.answerSeconds = 30;   // a wait for the server's answer would show against this
    backend = createPulseBackend(options);
    ASSERT_TRUE(backend);
    ASSERT_TRUE(server.stop()) << server.error().toStdString();

    TAudioRecord2 recorder(nullptr, backend.get());
    recorder.setDeviceIndex(sine);
    recorder.SetFormat(44100, 2);
    QElapsedTimer t;
    t.start();
    recorder.StartRecord();
    const qint64 ms = t.elapsed();
    std::printf("[ measure  ] a recording asked for with no server failed after %lld ms\n", static_cast<long long>(ms));
    EXPECT_NE(recorder.LastError(), 0);
    EXPECT_TRUE(recorder.LastErrorText().startsWith(QStringLiteral("The sound server (pulseaudio ")))
        << recorder.LastErrorText().toStdString();
    EXPECT_TRUE(recorder.LastErrorText().contains(QStringLiteral("is not answering"))) << recorder.LastErrorText().toStdString();
    EXPECT_LT(ms, 15000) << "opening waited for the server's answer deadline instead of failing at once";

    TAudioPlayer2 player(nullptr, backend.get());
    player.setDeviceIndex(backend->defaultOutputDevice());
    player.Play();
    EXPECT_NE(player.LastError(), 0);
    EXPECT_TRUE(player.LastErrorText().contains(QStringLiteral("is not answering"))) << player.LastErrorText().toStdString();

    // The server returns; the recording asked for right away works, whether or not the
    // backend's own look for it came first.
    ASSERT_TRUE(server.start()) << server.error().toStdString();
    const Take take = record(*backend, sine, 1.5);
    ASSERT_EQ(take.error, 0) << take.errorText.toStdString();
    EXPECT_GT(take.peak, 0.05f) << "the first recording after the server's return holds no sound";
}
