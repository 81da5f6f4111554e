// The sound-server backend on the real server: lists that follow sinks loaded and unloaded, a
// frame-numbered ramp played into the test's sink and recorded from its monitor, losses the
// server causes, streams whose device goes away or that the user moves, and one application's
// sound recorded alone.
#include "PulseFixture.h"
#include "Streams.h"

#include "engine/backends/PulseBackend.h"

#include <QTemporaryDir>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>
#include <unistd.h>

using namespace devtest;
using namespace std::chrono_literals;

namespace {

const QString kMonitorMark = QStringLiteral("Запись выхода: ");

bool eventually(const std::function<bool()>& pred, int ms = 3000)
{
    for (int waited = 0; waited < ms && !pred(); waited += 20)
        std::this_thread::sleep_for(20ms);
    return pred();
}

class ServerBackend : public PulseTest {
protected:
    void SetUp() override
    {
        PulseTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        backend = createPulseBackend(options);
        ASSERT_TRUE(backend) << "no sound server answers the backend although pactl reaches one";
        sink = deviceNamed(backend->outputDevices(), QString::fromStdString(sinkName()));
        monitor = deviceNamed(backend->inputDevices(), kMonitorMark + QString::fromStdString(sinkName()));
        ASSERT_GE(sink, 0) << "the test's null sink is not listed";
        ASSERT_GE(monitor, 0) << "the monitor of the test's null sink is not listed";
    }

    // Plays into `device` with a long buffer: what is under test is the recording.
    std::unique_ptr<AudioStream> play(PlaybackSource& source, int device)
    {
        PulseOptions roomy;
        roomy.bufferSeconds = 0.4;
        if (!playerBackend)
            playerBackend = createPulseBackend(roomy);
        auto stream = playerBackend->openPlayback(device, 44100, 2, &source);
        stream->start();
        return stream;
    }

    static std::string loadSink(const std::string& name)
    {
        bool ok = false;
        const std::string module = run("pactl load-module module-null-sink sink_name=" + name
                                       + " sink_properties=device.description=" + name, &ok);
        EXPECT_TRUE(ok) << "cannot load a null sink";
        return module;
    }

    PulseOptions options;
    std::unique_ptr<AudioBackend> backend;
    std::unique_ptr<AudioBackend> playerBackend;
    int sink = -1, monitor = -1;
};

} // namespace

TEST_F(ServerBackend, ListsFollowTheServerAndKeepTheirNumbers)
{
    EXPECT_GE(backend->defaultOutputDevice(), 0);
    EXPECT_GE(backend->defaultInputDevice(), 0);
    std::atomic<int> notices{0};
    auto watch = backend->watchDevices([&](int changes) {
        if (changes & DeviceListsChanged)
            ++notices;
    });
    ASSERT_TRUE(watch);

    const std::string name = sinkName() + "_plug";
    const QString shown = QString::fromStdString(name);
    std::string module = loadSink(name);
    ASSERT_TRUE(eventually([&] { return deviceNamed(backend->outputDevices(), shown) >= 0; }));
    const int out = deviceNamed(backend->outputDevices(), shown);
    ASSERT_TRUE(eventually([&] { return deviceNamed(backend->inputDevices(), kMonitorMark + shown) >= 0; }));
    const int in = deviceNamed(backend->inputDevices(), kMonitorMark + shown);
    EXPECT_GT(notices, 0);

    run("pactl unload-module " + module);
    ASSERT_TRUE(eventually([&] { return !backend->outputDevices().value(out).available; }))
        << "an unloaded sink is still offered";
    EXPECT_TRUE(eventually([&] { return !backend->inputDevices().value(in).available; }));
    EXPECT_TRUE(backend->outputDevices().value(sink).available) << "the other devices keep their numbers";
    EXPECT_EQ(deviceNamed(backend->inputDevices(), kMonitorMark + QString::fromStdString(sinkName())), monitor);
    EXPECT_THROW(backend->openCapture(in, 44100, 2, nullptr), std::exception);

    module = loadSink(name);   // back under its old number
    EXPECT_TRUE(eventually([&] { return backend->outputDevices().value(out).available; }));
    EXPECT_EQ(backend->outputDevices().value(out).name, shown);
    run("pactl unload-module " + module);
    const int seen = notices;
    watch.reset();
    run("pactl unload-module " + loadSink(name + "_late"));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(notices, seen) << "a watch that ended was still called";
}

// Ten seconds and more of a signal that numbers its frames, with a stall of the receiver in the
// middle that the server absorbs: every frame arrives once, in order, and no loss is reported.
TEST_F(ServerBackend, RecordsTheMonitorWithoutLosingOrRepeatingAFrame)
{
    RampSource ramp;
    auto player = play(ramp, sink);
    auto recording = std::make_unique<RecordingSink>(2, 44100 * 16);
    auto stream = backend->openCapture(monitor, 44100, 2, recording.get());
    EXPECT_EQ(stream->sampleRate(), 44100);
    stream->start();
    ASSERT_TRUE(eventually([&] { return recording->total > 0; }, 5000)) << "no audio arrived";
    std::this_thread::sleep_for(4s);
    recording->stallOnceSeconds = 2.0;
    std::this_thread::sleep_for(7s);
    stream->stop();
    player->stop();
    const long long atStop = recording->total;
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(recording->total, atStop) << "audio arrived after stop() returned";

    const RampCheck r = checkRamp(*recording);
    EXPECT_GT(r.frames, 44100 * 10);
    EXPECT_EQ(r.lost, 0);
    EXPECT_EQ(r.repeated, 0);
    EXPECT_EQ(recording->overflowCalls, 0) << "a loss was reported where there was none";
    EXPECT_NEAR(recording->deliveryRate(), 44100, 44100 * 0.05);
}

// The server drops what a stalled client leaves past its queue and says nothing: the backend
// reports about as many frames as the recording shows missing.
TEST_F(ServerBackend, ReportsWhatTheServerDroppedWhileTheProgramStalled)
{
    options.maxBufferSeconds = 0.5;
    backend = createPulseBackend(options);
    RampSource ramp;
    auto player = play(ramp, sink);
    auto recording = std::make_unique<RecordingSink>(2, 44100 * 12);
    auto stream = backend->openCapture(monitor, 44100, 2, recording.get());
    stream->start();
    ASSERT_TRUE(eventually([&] { return recording->total > 0; }, 5000));
    std::this_thread::sleep_for(3500ms);   // the stream's clock settles first
    recording->stallOnceSeconds = 3.0;
    std::this_thread::sleep_for(5s);
    stream->stop();
    player->stop();
    const RampCheck r = checkRamp(*recording);
    std::printf("[ measure  ] receiver stalled 3 s with a 0.5 s server queue: %lld frames lost in %d gap(s); "
                "reported %lld frames in %d report(s)\n",
                r.lost, r.gaps, static_cast<long long>(recording->overflowFrames), recording->overflowCalls.load());
    EXPECT_EQ(r.repeated, 0);
    ASSERT_GT(r.lost, 0) << "the server lost nothing: the stall did not outlast its queue";
    EXPECT_NEAR(static_cast<double>(recording->overflowFrames), static_cast<double>(r.lost), 0.05 * r.lost + 2048);
}

TEST_F(ServerBackend, ReportsStreamsWhoseDeviceGoesAway)
{
    const std::string name = sinkName() + "_gone";
    const std::string module = loadSink(name);
    const QString shown = QString::fromStdString(name);
    ASSERT_TRUE(eventually([&] { return deviceNamed(backend->inputDevices(), kMonitorMark + shown) >= 0; }));
    ToneSource tone(1000, 44100, 2);
    auto player = backend->openPlayback(deviceNamed(backend->outputDevices(), shown), 44100, 2, &tone);
    player->start();
    RecordingSink recording(2, 44100 * 8);
    auto stream = backend->openCapture(deviceNamed(backend->inputDevices(), kMonitorMark + shown), 44100, 2, &recording);
    stream->start();
    ASSERT_TRUE(eventually([&] { return recording.total > 0; }, 5000));
    run("pactl unload-module " + module);
    EXPECT_TRUE(eventually([&] { return recording.lost.load(); })) << "a capture whose device went away was not reported";
    EXPECT_TRUE(recording.lostReason().contains(shown)) << recording.lostReason().toStdString();
    EXPECT_TRUE(eventually([&] { return tone.lost.load(); })) << "a playback whose device went away was not reported";
    stream->stop();   // stopping a dead stream is harmless
    player->stop();
}

// A recording the user moves to another device (pavucontrol, the desktop's settings) goes on
// there and says where; the server is told who records and why.
TEST_F(ServerBackend, FollowsAStreamTheUserMovesAndTellsTheServerWhoItIs)
{
    const std::string other = sinkName() + "_moved";
    const std::string module = loadSink(other);
    ASSERT_TRUE(eventually([&] {
        return deviceNamed(backend->inputDevices(), kMonitorMark + QString::fromStdString(other)) >= 0;
    }));
    RecordingSink recording(2, 44100 * 8);
    auto stream = backend->openCapture(monitor, 44100, 2, &recording);
    stream->start();
    ASSERT_TRUE(eventually([&] { return recording.total > 0; }, 5000)) << "no audio arrived";
    const std::string outputs = run("pactl list source-outputs");
    EXPECT_NE(outputs.find("media.role = \"production\""), std::string::npos) << outputs;
    EXPECT_NE(outputs.find("application.id = \"org.example.tavrin\""), std::string::npos) << outputs;
    EXPECT_NE(outputs.find("application.icon_name = \"tavrin\""), std::string::npos) << outputs;
    EXPECT_TRUE(stream->movedTo().isEmpty());

    const std::string source = run("pactl list short sources | awk '$2 == \"" + monitorName() + "\" {print $1}'");
    const std::string output = run("pactl list short source-outputs | awk '$2 == " + source + " {print $1}'");
    ASSERT_FALSE(output.empty()) << "the recording is not among the server's source outputs";
    bool ok = false;
    run("pactl move-source-output " + output + " " + other + ".monitor", &ok);
    ASSERT_TRUE(ok);
    EXPECT_TRUE(eventually([&] { return stream->movedTo() == QString::fromStdString(other + ".monitor"); }))
        << "the move was not followed";
    const long long atMove = recording.total;
    EXPECT_TRUE(eventually([&] { return recording.total > atMove + 44100; }, 5000)) << "the moved stream stopped";
    EXPECT_FALSE(recording.lost.load()) << recording.lostReason().toStdString();
    stream->stop();
    run("pactl unload-module " + module);
}

namespace {

// A player of its own process with an application name, playing a sine into the test's sink;
// stopped when it goes out of scope.
class NamedPlayer {
public:
    NamedPlayer(const std::string& application, double hz, const std::string& folder)
        : file_(folder + "/" + application + ".raw")
    {
        std::vector<float> tone(44100 * 30);
        for (std::size_t i = 0; i < tone.size(); ++i)
            tone[i] = static_cast<float>(0.4 * std::sin(2 * M_PI * hz * static_cast<double>(i) / 44100));
        FILE* f = std::fopen(file_.c_str(), "wb");
        EXPECT_TRUE(f && std::fwrite(tone.data(), sizeof(float), tone.size(), f) == tone.size());
        if (f)
            std::fclose(f);
        start(application);
    }
    ~NamedPlayer() { stop(); }
    void start(const std::string& application)
    {
        pid_ = run("sh -c 'pacat --playback --raw --format=float32le --rate=44100 --channels=1 --device=" + sinkName()
                   + " --property=application.name=" + application + " " + file_ + " >/dev/null 2>&1 & echo $!'");
    }
    void stop()
    {
        if (!pid_.empty())
            run("kill " + pid_);
        pid_.clear();
    }

private:
    std::string file_;
    std::string pid_;
};

// Amplitude of `hz` in x[from, from + n) (n a whole number of its periods).
double amplitudeOf(const std::vector<float>& x, std::size_t from, std::size_t n, double hz)
{
    double c = 0, s = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const double a = 2 * M_PI * hz * static_cast<double>(i) / 44100;
        c += x[from + i] * std::cos(a);
        s += x[from + i] * std::sin(a);
    }
    return 2 * std::hypot(c, s) / static_cast<double>(n);
}

} // namespace

// Two players with different application names into one sink, one of them recorded as an
// application input: only its sound is recorded; when it stops and starts again the recording
// goes on with silence between, at the pace of the clock.
TEST_F(ServerBackend, RecordsOneApplicationAloneAndFollowsItByName)
{
    QTemporaryDir folder;
    NamedPlayer wanted("tavrin-test-wanted", 440, folder.path().toStdString());
    NamedPlayer other("tavrin-test-other", 1000, folder.path().toStdString());
    const QString entry = QStringLiteral("Программа: tavrin-test-wanted");
    int device = -1;
    ASSERT_TRUE(eventually([&] {
        const auto list = backend->inputDevices();
        device = deviceNamed(list, entry);
        return device >= 0 && list[device].available;
    }, 5000)) << "the playing application is not listed";

    RecordingSink recording(1, 44100 * 20);
    auto stream = backend->openCapture(device, 44100, 1, &recording);
    stream->start();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(3500ms);
    wanted.stop();
    std::this_thread::sleep_for(2s);
    wanted.start("tavrin-test-wanted");
    std::this_thread::sleep_for(3500ms);
    stream->stop();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    other.stop();

    const std::vector<float> x = recording.channel(0);
    // Its frames go out 0.6 s after they were heard, and at the stop what was heard by then.
    EXPECT_NEAR(static_cast<double>(x.size()) / 44100, seconds + 0.6, 0.2) << "the timeline did not follow the clock";
    // 100 ms windows: the wanted sine, or silence; the other application's never.
    int sounding = 0, silent = 0, silentAfterSound = 0;
    for (std::size_t from = 0; from + 4410 <= x.size(); from += 4410) {
        const double a = amplitudeOf(x, from, 4410, 440);
        EXPECT_LT(amplitudeOf(x, from, 4410, 1000), 0.01) << "the other application is heard at " << from;
        if (a > 0.3)
            ++sounding;
        else if (a < 0.01) {
            ++silent;
            silentAfterSound += sounding > 0;
        }
    }
    EXPECT_GT(sounding, 40);
    EXPECT_GT(silentAfterSound, 10) << "no silence where the application had stopped";
    EXPECT_FALSE(recording.lost.load()) << recording.lostReason().toStdString();
}
