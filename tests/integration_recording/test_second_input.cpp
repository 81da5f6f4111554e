// A second input on the sound server of the test command, recorded through the session into a
// WAV file, as the window records it: null sinks of the test's own, players with application
// names of their own, and the file read back.
#include "app/RecordingInput.h"
#include "app/RecordingSession.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioFile2LameEnc.h"
#include "engine/TAudioRecord2.h"
#include "platform/SleepGuard.h"
#include "settings/RecordingSettings.h"
#include "support/FileSamples.h"
#include "support/GuiTestSupport.h"
#include "support/SoundServerTest.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

constexpr int Rate = 44100;

void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    waitUntil([&] { return t.elapsed() >= ms; }, ms + 1000);
}

// Plays a mono float file into a sink, under an application name of its own, until stopped.
// A player starved for longer than the server holds of it (a loaded machine) leaves silence in
// the sink: a gap in its own signal, which it counts.
class Player {
public:
    Player(const QString& file, const QString& sink, const QString& application, int latencyMs = 50)
    {
        process_.setProgram(QStringLiteral("pacat"));
        process_.setArguments({QStringLiteral("--playback"), QStringLiteral("--raw"), QStringLiteral("--format=float32le"),
                               QStringLiteral("--rate=%1").arg(Rate), QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=%1").arg(latencyMs), QStringLiteral("--verbose"),
                               QStringLiteral("--device=") + sink,
                               QStringLiteral("--property=application.name=") + application, file});
        process_.start();
        process_.waitForStarted(5000);
    }
    ~Player()
    {
        process_.kill();
        process_.waitForFinished(5000);
    }
    int underruns()
    {
        said_ += process_.readAllStandardError();
        return static_cast<int>(said_.count("Stream underrun"));
    }

private:
    QProcess process_;
    QByteArray said_;
};

// A mono float file of `seconds` whose frame n is value(n).
QString writeSignal(const QTemporaryDir& dir, const QString& name, double seconds, const std::function<float(qint64)>& value)
{
    std::vector<float> x(static_cast<std::size_t>(seconds * Rate));
    for (std::size_t n = 0; n < x.size(); ++n)
        x[n] = value(static_cast<qint64>(n));
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(reinterpret_cast<const char*>(x.data()), static_cast<qint64>(x.size() * sizeof(float)));
    return path;
}

// A sample counter: rises by one step a frame for Period frames, then falls as far (no jump,
// which the second input's converter would ring at).
constexpr qint64 Period = 1000;
constexpr double Step = 0.9 / Period;
float counter(qint64 n)
{
    const qint64 k = n % (2 * Period);
    return static_cast<float>(Step * static_cast<double>(k < Period ? k : 2 * Period - k));
}

// Places where a recorded counter does not go on as it should (frames lost, repeated, or
// silence put in), between its first and last frame of signal; `checked`: the frames looked
// at. It reads where the counter is in windows of 64 frames (their mean, away from its turns,
// where the converter rounds the corner), so that the converter's ringing does not count but
// any stretch of more than 4 frames lost or repeated does.
int counterBreaks(const std::vector<float>& x, qint64& checked)
{
    constexpr std::size_t W = 64;
    std::size_t first = 0, last = x.size();
    while (first < x.size() && x[first] == 0.0f)
        ++first;
    while (last > first && x[last - 1] == 0.0f)
        --last;
    const auto nearTurn = [](float v) { return v < 16 * Step || v > 0.9 - 16 * Step; };
    int breaks = 0;
    checked = 0;
    bool any = false;
    double lastPhase = 0;
    std::size_t lastAt = 0;
    for (std::size_t i = first + W; i + 2 * W <= last; i += W) {
        double sum = 0;
        bool turn = false;
        for (std::size_t j = i; j < i + W; ++j) {
            turn = turn || nearTurn(x[j]);
            sum += x[j];
        }
        if (turn)
            continue;
        // Frames since the counter's last fall, at the window's first frame.
        const double mean = sum / W / Step;
        const double phase = (x[i + W - 1] > x[i] ? mean : 2 * Period - mean) - (W - 1) / 2.0;
        if (any) {
            checked += static_cast<qint64>(W);
            const double off = std::remainder(phase - lastPhase - static_cast<double>(i - lastAt), 2.0 * Period);
            if (std::abs(off) > 4)
                ++breaks;
        }
        any = true;
        lastPhase = phase;
        lastAt = i;
    }
    return breaks;
}

// Where the clicks start: a rise above 0.1 after 50 ms below it.
std::vector<qint64> onsets(const std::vector<float>& x)
{
    std::vector<qint64> out;
    qint64 quiet = 0;
    for (std::size_t i = 0; i < x.size(); ++i) {
        if (std::abs(x[i]) < 0.1f) {
            ++quiet;
            continue;
        }
        if (quiet >= Rate / 20)
            out.push_back(static_cast<qint64>(i));
        quiet = 0;
    }
    return out;
}

class SecondInputOnServer : public SoundServerTest {
protected:
    void SetUp() override
    {
        SoundServerTest::SetUp();
        settings.SavePath = dir.path() + QStringLiteral("/");
        settings.SaveFormat = QStringLiteral(".wav");
        settings.WavFrequency = Rate;
        settings.WavChannels = 2;
        settings.WavBits = 16;
    }

    // A null sink of the test's own at the test's rate; its module.
    QString loadSink(const QString& name)
    {
        const QString module = SoundServerTest::loadSink(name, {QStringLiteral("rate=%1").arg(Rate)});
        EXPECT_FALSE(module.isEmpty()) << "could not load a null sink";
        sinks << name;
        return module;
    }
    QString uniqueName(const char* what) { return QStringLiteral("tavrin_%1_%2_%3").arg(QLatin1String(what)).arg(::getpid()).arg(++serial); }

    // Runs `attempt` (which plays counters and records them) again, up to three times in all,
    // while a player ran dry during it: its own signal then has a gap no recording can mend.
    void unspoiled(const std::function<void()>& attempt)
    {
        for (int i = 0; i < 3; ++i) {
            const int before = underruns();
            messages.clear();
            sinks.clear();   // the last attempt's play on
            attempt();
            if (underruns() == before)
                return;
            std::printf("a player ran dry while it was recorded: recorded again\n");
        }
    }
    int underruns()
    {
        QCoreApplication::processEvents();
        int n = 0;
        for (const auto& player : players)
            n += player->underruns();
        return n;
    }

    // A null sink of its own playing a counter: its monitor's input; `module`: the sink's.
    int counterOn(const char* what, QString& module)
    {
        const QString sink = uniqueName(what);
        module = loadSink(sink);
        if (counterFile.isEmpty())
            counterFile = writeSignal(dir, QStringLiteral("counter.raw"), 30, counter);
        players.push_back(std::make_unique<Player>(counterFile, sink, sink + QStringLiteral("_player")));
        return inputNamed(QStringLiteral("Запись выхода: ") + sink);
    }

    // Whether a stream plays on `sink`.
    static bool playing(const QString& sink)
    {
        QString index;
        for (const QString& line : Pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")}).split('\n'))
            if (line.section('\t', 1, 1) == sink)
                index = line.section('\t', 0, 0);
        for (const QString& line : Pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")}).split('\n'))
            if (!index.isEmpty() && line.section('\t', 1, 1) == index)
                return true;
        return false;
    }

    // The input the lists call `name`, once it is there.
    int inputNamed(const QString& name)
    {
        int index = -1;
        waitUntil([&] {
            const auto list = backend->inputDevices();
            for (int i = 0; i < list.size(); ++i)
                if (list[i].name == name && list[i].available)
                    index = i;
            return index >= 0;
        }, 5000);
        EXPECT_GE(index, 0) << name.toStdString() << " is not listed";
        return index;
    }

    // Records `ms` milliseconds of the two inputs, laid out split, into a WAV file; `during`
    // runs after `atMs`. The messages of the session and the file.
    QString record(int firstDevice, int secondDevice, int ms, int atMs = 0, const std::function<void()>& during = {})
    {
        // A null sink left idle works in two-second blocks and takes as long to follow its
        // players' latency; suspended and resumed once they play, it takes it at once.
        for (const QString& sink : sinks) {
            EXPECT_TRUE(waitUntil([&] { return playing(sink); }, 5000)) << "nothing plays on " << sink.toStdString();
            Pactl({QStringLiteral("suspend-sink"), sink, QStringLiteral("1")});
            Pactl({QStringLiteral("suspend-sink"), sink, QStringLiteral("0")});
        }
        TAudioRecord2 first{nullptr, backend.get()};
        TAudioRecord2 second{nullptr, backend.get()};
        first.setDeviceIndex(firstDevice);
        second.setDeviceIndex(secondDevice);
        TwoRecorderInput input{first, second};
        input.setSecondEnabled(true);
        input.setLayout(engine::InputLayout::Split);
        TAudioFile2 target;
        TAudioFile2LameEnc encoder;
        RecordingSession session{input, target, encoder, settings};
        const QDBusConnection none = QDBusConnection::connectToBus(QStringLiteral("unix:path=/nonexistent"), QStringLiteral("none"));
        session.setSleepGuard(std::make_unique<SleepGuard>(none, none));
        QObject::connect(&session, &RecordingSession::message,
                         [&](const QString& text, RecordingSession::MessageKind) { messages << text; });
        session.record();
        EXPECT_EQ(session.state(), RecordingSession::State::Recording) << messages.join(' ').toStdString();
        if (during) {
            runFor(atMs);
            during();
            runFor(ms - atMs);
        } else {
            runFor(ms);
        }
        EXPECT_EQ(session.state(), RecordingSession::State::Recording) << messages.join(' ').toStdString();
        secondLost = input.secondOverflowFrames();
        alignmentMs = input.mix() ? input.mix()->alignmentMs() : 0;
        const QString path = session.file();
        session.stop();
        return path;
    }

    QTemporaryDir dir;
    TRecordingSettings settings;
    QStringList sinks;   // this attempt's
    QString counterFile;
    std::vector<std::unique_ptr<Player>> players;
    int serial = 0;
    QStringList messages;
    qint64 secondLost = 0;
    double alignmentMs = 0;
};

// A call: the same clicks reach the recording twice, through the monitor of the sink they play
// on (as a microphone would hear them) and as the application that plays them. In the file the
// two copies lie within 20 ms of each other; without the streams' latencies taken into account
// the application's came 0.3 to 0.9 s late. The player keeps a second in the server, as music
// players do, so that the sink works in large blocks and the streams' first words on their
// delays are a block off: placed by those, the application's first clicks came up to 0.2 s early.
TEST_F(SecondInputOnServer, AnApplicationAndADeviceHearingTheSameClicksStayAligned)
{
    const QString sink = uniqueName("call");
    loadSink(sink);
    // Clicks (30 ms of a 1 kHz cosine) 1.9 to 2.3 s apart, so that pairs are never mistaken.
    const QString clicks = writeSignal(dir, QStringLiteral("clicks.raw"), 30, [](qint64 n) {
        const qint64 at = n % (Rate * 21 / 10);
        return at < Rate * 3 / 100 ? static_cast<float>(0.5 * std::cos(2 * M_PI * 1000.0 * static_cast<double>(at) / Rate)) : 0.0f;
    });
    const QString application = uniqueName("caller");
    Player player(clicks, sink, application, 1000);
    const int monitor = inputNamed(QStringLiteral("Запись выхода: ") + sink);
    const int caller = inputNamed(QStringLiteral("Программа: ") + application);
    ASSERT_TRUE(monitor >= 0 && caller >= 0);

    const QString path = record(monitor, caller, 9000);
    const std::vector<qint64> left = onsets(ChannelSamples(path, 0));
    const std::vector<qint64> right = onsets(ChannelSamples(path, 1));
    ASSERT_GE(left.size(), 3u) << "the device's clicks are missing";
    ASSERT_GE(right.size(), 2u) << "the application's clicks are missing";
    std::vector<double> offsetsMs;
    for (qint64 r : right) {
        const auto nearest = std::min_element(left.begin(), left.end(), [r](qint64 a, qint64 b) { return std::abs(a - r) < std::abs(b - r); });
        offsetsMs.push_back(1000.0 * static_cast<double>(r - *nearest) / Rate);
    }
    for (double ms : offsetsMs)
        std::printf("application click %+.1f ms after the device's (controller %.1f ms)\n", ms, alignmentMs);
    for (double ms : offsetsMs)
        EXPECT_LT(std::abs(ms), 20.0) << "the application's sound is out of place against the device's";
}

// Two outputs, each playing a counter of its own, recorded split: each channel of the file is
// an unbroken counter (every frame of both inputs there once, in order), and nothing is lost.
TEST_F(SecondInputOnServer, TwoMonitorsRecordedSplitGiveTwoUnbrokenCounters)
{
    QString path;
    unspoiled([&] {
        QString module;
        const int first = counterOn("left", module);
        const int second = counterOn("right", module);
        ASSERT_TRUE(first >= 0 && second >= 0);
        path = record(first, second, 5000);
    });
    for (int channel = 0; channel < 2; ++channel) {
        qint64 checked = 0;
        EXPECT_EQ(counterBreaks(ChannelSamples(path, channel), checked), 0) << "channel " << channel;
        EXPECT_GT(checked, 3 * Rate) << "channel " << channel << " holds too little of its counter";
    }
    EXPECT_EQ(secondLost, 0);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
}

// An application as the second input: its counter unbroken in its channel, nothing lost, and
// there to the end: what its streams delivered goes out when the recording stops (it used to
// wait there for its pacing, and the file's last 0.6 s of the application were silence).
TEST_F(SecondInputOnServer, AnApplicationRecordedSecondIsAnUnbrokenCounterToTheEnd)
{
    QString path;
    unspoiled([&] {
        QString module;
        const int first = counterOn("device", module);
        counterOn("application", module);
        const int second = inputNamed(QStringLiteral("Программа: ") + sinks.back() + QStringLiteral("_player"));
        ASSERT_TRUE(first >= 0 && second >= 0);
        path = record(first, second, 5000);
    });
    const std::vector<float> played = ChannelSamples(path, 1);
    qint64 checked = 0;
    EXPECT_EQ(counterBreaks(played, checked), 0);
    EXPECT_GT(checked, 3 * Rate);
    const auto end = std::find_if(played.rbegin(), played.rend(), [](float v) { return v != 0.0f; });
    EXPECT_LT(end - played.rbegin(), Rate / 10) << "the application's sound stops short of the file's end";
    EXPECT_EQ(secondLost, 0);
    EXPECT_TRUE(messages.isEmpty()) << messages.join(' ').toStdString();
}

// The second input's output goes away (its module unloaded) mid-recording: the recording goes
// on with the first, exactly one message says so, and the file plays, the first input's
// counter unbroken to the end and silence where the second was.
TEST_F(SecondInputOnServer, ASecondInputUnpluggedLeavesTheRecordingRunningWithOneMessage)
{
    QString path;
    unspoiled([&] {
        QString stays, goes;
        const int first = counterOn("stays", stays);
        const int second = counterOn("goes", goes);
        ASSERT_TRUE(first >= 0 && second >= 0);
        path = record(first, second, 5000, 2500, [&] {
            unloadSink(goes);
        });
    });
    ASSERT_EQ(messages.size(), 1) << messages.join(' ').toStdString();
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("The second input was lost"))) << messages[0].toStdString();
    const std::vector<float> kept = ChannelSamples(path, 0);
    const std::vector<float> gone = ChannelSamples(path, 1);
    EXPECT_NEAR(static_cast<double>(kept.size()) / Rate, 5.0, 0.5) << "the file does not hold the recording";
    qint64 checked = 0;
    EXPECT_EQ(counterBreaks(kept, checked), 0);
    EXPECT_GT(checked, 4 * Rate);
    ASSERT_GT(gone.size(), static_cast<std::size_t>(Rate));
    EXPECT_TRUE(std::all_of(gone.end() - Rate, gone.end(), [](float v) { return v == 0.0f; }))
        << "the second input's place is not silent after it went";
}

} // namespace
