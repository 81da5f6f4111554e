// Endurance and fault tests of the recording road: a recording process killed outright keeps
// what it recorded, and a simulated eight-hour WAV recording opens with its exact length.
//
// The killed process is this test program itself in recorder mode (TAVRIN_ENDURANCE_RECORD=
// "format:path"): it records the virtual input in real time through TAudioRecord2 and
// TAudioFile2 exactly as the main window does (200 ms blocks, each written in the block event)
// and prints "recording <ns>" (CLOCK_MONOTONIC at StartRecord) once running.
#include "ChildProcess.h"
#include "bench/RecordingPipeline.h"

#include "engine/TAudioFile2.h"
#include "platform/Ini.h"
#include "engine/backends/VirtualBackend.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>

using namespace benchsupport;
using endurance::ChildProcess;
using endurance::monotonicNs;

namespace {

QCoreApplication* app()
{
    static int argc = 1;
    static char name[] = "test_endurance";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* a = QCoreApplication::instance() ? QCoreApplication::instance()
                                                              : new QCoreApplication(argc, argv);
    return a;
}

// Recorder mode: records until killed.
int recordUntilKilled(const std::string& spec)
{
    const auto colon = spec.find(':');
    const QString format = QString::fromStdString(spec.substr(0, colon));
    const QString path = QString::fromStdString(spec.substr(colon + 1));
    app();
    SignalTable table;
    VirtualBackend backend(VirtualBackend::ClockMode::RealTime);
    backend.setInputGenerator([&table](qint64 frame, int channel) { return table.at(frame, channel); });
    setSystemAudioBackend(&backend);
    Recording rec(backend, formatFromName(format), path);
    const long long started = monotonicNs();
    rec.start();
    if (rec.lastError() != 0)
        return 3;
    std::printf("recording %lld\n", started);
    std::fflush(stdout);
    QEventLoop loop;
    loop.exec();
    return 0;
}

struct ReadBack {
    int length = 0;
    int rate = 0;
    qint64 framesRead = 0;
    double peak = 0;
    int lastError = -1;
};

ReadBack readBack(const QString& path)
{
    ReadBack r;
    TAudioFile2 file;
    file.setActive(true);
    file.Open(path, 0, 1);
    r.lastError = file.LastError();
    if (r.lastError != 0)
        return r;
    r.length = file.Length();
    r.rate = file.SampleRate();
    for (;;) {
        SampleArray a = file.ReadArray(8820);
        if (a.isEmpty())
            break;
        r.framesRead += a.frames();
        for (float v : a.samples())
            r.peak = std::max(r.peak, double(std::fabs(v)));
    }
    file.Close();
    return r;
}

// Sleeps `seconds` in short steps and returns how late the worst step woke (seconds). A loaded
// machine holds back the recorder's threads about as long as it holds back this one: what the
// file may lack at a kill is the last blocks in flight plus that.
double sleepWatchingTheScheduler(double seconds)
{
    using namespace std::chrono;
    const steady_clock::time_point end = steady_clock::now() + duration_cast<steady_clock::duration>(duration<double>(seconds));
    double late = 0;
    for (auto now = steady_clock::now(); now < end; now = steady_clock::now()) {
        const steady_clock::duration step = std::min<steady_clock::duration>(milliseconds(20), end - now);
        std::this_thread::sleep_for(step);
        late = std::max(late, duration<double>(steady_clock::now() - now - step).count());
    }
    return late;
}

// Kills a real-time recording after about `seconds` and checks what the file holds.
void killMidRecording(const QString& format, double seconds)
{
    app();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Untitled1.") + format);
    ChildProcess child("/proc/self/exe", {{"TAVRIN_ENDURANCE_RECORD", (format + QLatin1Char(':') + path).toStdString()}});
    const long long started = child.waitUntilRecording(15000);
    ASSERT_GT(started, 0) << "the recorder process did not start recording";
    const double late = sleepWatchingTheScheduler(seconds);
    const long long killed = monotonicNs();
    const int status = child.signalAndReap(SIGKILL);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

    const double recorded = (killed - started) / 1e9;
    const ReadBack r = readBack(path);
    ASSERT_EQ(r.lastError, 0) << "the file of a killed recording does not open";
    ASSERT_EQ(r.rate, 44100);
    const double held = double(r.length) / r.rate;
    ::testing::Test::RecordProperty("recorded_ms", static_cast<int>(recorded * 1000));
    ::testing::Test::RecordProperty("held_ms", static_cast<int>(held * 1000));
    std::printf("[ %s ] recorded %.3f s, file holds %.3f s (lost %.0f ms), read back %.3f s\n",
                qPrintable(format), recorded, held, (recorded - held) * 1000, double(r.framesRead) / r.rate);
    EXPECT_GE(held, recorded - 0.250 - 2 * late) << "more than the last 250 ms was lost (the scheduler was "
                                                << late * 1000 << " ms late)";
    EXPECT_LE(held, recorded + 0.050) << "the file claims more audio than was recorded";
    // It plays: every frame its length promises decodes, and it is the signal, not silence.
    EXPECT_NEAR(double(r.framesRead), double(r.length), 0.030 * r.rate);
    EXPECT_GT(r.peak, 0.1);
}

// The program, build/tavrin, copied into a temporary program folder with a setup.ini that
// records `format` into <folder>/rec/. Started offscreen on the virtual devices; it gives the
// record command as soon as its window is up.
class ProgramRun {
public:
    using Environment = std::vector<std::pair<std::string, std::string>>;
    explicit ProgramRun(const QString& format, const Environment& extra = {})
    {
        const QString built = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath())
                                  .dir().absoluteFilePath(QStringLiteral("../tavrin"));
        if (!QFileInfo::exists(built) || !dir_.isValid())
            return;
        program_ = dir_.filePath(QStringLiteral("tavrin"));
        QFile::copy(built, program_);
        QFile ini(dir_.filePath(QStringLiteral("setup.ini")));
        ini.open(QIODevice::WriteOnly);
        ini.write(QStringLiteral("[options]\nsavepath=%1/\nsaveformat=.%2\n").arg(saveFolder(), format).toUtf8());
        ini.close();
        Environment env{{"QT_QPA_PLATFORM", "offscreen"}, {"TAVRIN_AUDIO", "virtual"}, {"TAVRIN_RECORD_AT_SHOW", "1"},
                        {"XDG_RUNTIME_DIR", dir_.path().toStdString()}};
        env.insert(env.end(), extra.begin(), extra.end());
        child_ = std::make_unique<ChildProcess>(program_.toStdString(), env);
    }
    bool ok() const { return child_ != nullptr; }
    ChildProcess& child() { return *child_; }
    QString saveFolder() const { return dir_.filePath(QStringLiteral("rec")); }
    QString setupIni() const { return dir_.filePath(QStringLiteral("setup.ini")); }
    // The one recording made.
    QString recording() const
    {
        const QStringList names = QDir(saveFolder()).entryList({QStringLiteral("Untitled*")}, QDir::Files);
        return names.size() == 1 ? QDir(saveFolder()).filePath(names.front()) : QString();
    }

private:
    QTemporaryDir dir_;
    QString program_;
    std::unique_ptr<ChildProcess> child_;
};

struct Outcome {
    double recorded = 0;   // seconds from the record command to the signal
    double late = 0;       // the scheduler's worst lateness meanwhile (seconds)
    ReadBack file;
    int status = 0;
    QString path;
};

// `look` sees the recording before its folder goes.
Outcome signalProgramMidRecording(const QString& format, double seconds, int signal,
                                  const ProgramRun::Environment& extra = {},
                                  const std::function<void(const Outcome&)>& look = {})
{
    Outcome o;
    ProgramRun run(format, extra);
    if (!run.ok()) {
        ADD_FAILURE() << "build/tavrin not found beside the tests folder";
        return o;
    }
    const long long started = run.child().waitUntilRecording(30000);
    if (started <= 0) {
        ADD_FAILURE() << "the program did not start recording";
        return o;
    }
    o.late = sleepWatchingTheScheduler(seconds);
    const long long signalled = monotonicNs();
    o.status = run.child().signalAndReap(signal);
    o.recorded = (signalled - started) / 1e9;
    o.path = run.recording();
    if (o.path.isEmpty()) {
        ADD_FAILURE() << "no recording in " << run.saveFolder().toStdString();
        return o;
    }
    o.file = readBack(o.path);
    std::printf("[ program %s, signal %d ] recorded %.3f s, file holds %.3f s, read back %.3f s\n",
                qPrintable(format), signal, o.recorded, o.file.rate ? double(o.file.length) / o.file.rate : 0.0,
                o.file.rate ? double(o.file.framesRead) / o.file.rate : 0.0);
    if (signal == SIGTERM) {
        IniFile ini(run.setupIni());
        EXPECT_TRUE(ini.KeyExists(QStringLiteral("options"), QStringLiteral("timelimit")))
            << "setup.ini was not written at the end";
        QFile f(o.path);
        if (format == QLatin1String("mp3") && f.open(QIODevice::ReadOnly)) {
            const QByteArray head = f.read(4096);
            EXPECT_TRUE(head.contains("Info") || head.contains("Xing")) << "the MP3 was not completed (no LAME tag)";
        }
    }
    if (look)
        look(o);
    return o;
}

void expectHeld(const Outcome& o, double allowedLoss)
{
    ASSERT_EQ(o.file.lastError, 0) << "the recording does not open: " << o.path.toStdString();
    const double held = double(o.file.length) / o.file.rate;
    // The blocks in flight, and two hops (capture to writer, writer to disk) held back by a busy
    // machine.
    EXPECT_GE(held, o.recorded - allowedLoss - 2 * o.late) << "the scheduler was " << o.late * 1000 << " ms late";
    EXPECT_LE(held, o.recorded + 0.3);
    EXPECT_NEAR(double(o.file.framesRead), double(o.file.length), 0.030 * o.file.rate);
    EXPECT_GT(o.file.peak, 0.01) << "the recording holds silence";
}

// What a command-line tool prints for the file, as a number (-1 when it says nothing usable).
double toolSays(const QString& tool, const QStringList& arguments)
{
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(60000) || p.exitCode() != 0) {
        ADD_FAILURE() << tool.toStdString() << " failed: " << p.readAllStandardError().toStdString();
        return -1;
    }
    bool ok = false;
    const QString said = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    const double v = said.toDouble(&ok);
    if (!ok)
        ADD_FAILURE() << tool.toStdString() << " says \"" << said.toStdString() << "\"";
    return ok ? v : -1;
}

} // namespace

// The program itself, killed outright in the middle of a recording. The record command is given
// as Ctrl+R would give it; the time from the end of that command (the file made, the capture
// started) counts as recorded.
TEST(ProgramKilled, WavRecordingKeepsAllButTheLast250ms)
{
    const Outcome o = signalProgramMidRecording(QStringLiteral("wav"), 3.1, SIGKILL);
    EXPECT_TRUE(WIFSIGNALED(o.status) && WTERMSIG(o.status) == SIGKILL);
    expectHeld(o, 0.250);
}

TEST(ProgramKilled, Mp3RecordingKeepsAllButTheLast250ms)
{
    const Outcome o = signalProgramMidRecording(QStringLiteral("mp3"), 3.1, SIGKILL);
    EXPECT_TRUE(WIFSIGNALED(o.status) && WTERMSIG(o.status) == SIGKILL);
    expectHeld(o, 0.250);
}

// The window's thread stops for five seconds one second into an MP3 recording, and the program
// is killed four seconds into that stop: the writing went on without the window, so the file
// holds all but the last half second before the kill.
TEST(ProgramKilled, Mp3RecordingGoesOnWhileTheWindowIsStalled)
{
    const Outcome o = signalProgramMidRecording(QStringLiteral("mp3"), 5.0, SIGKILL,
                                                {{"TAVRIN_STALL_UI_AT_MS", "1000"}, {"TAVRIN_STALL_UI_MS", "5000"}});
    EXPECT_TRUE(WIFSIGNALED(o.status) && WTERMSIG(o.status) == SIGKILL);
    expectHeld(o, 0.500);
}

// FLAC frames and Ogg pages reach the disk as they are made: a killed FLAC or Opus recording
// opens with all but the last half second.
TEST(ProgramKilled, FlacAndOpusRecordingsKeepAllButTheLast500ms)
{
    for (const QString format : {"flac", "opus"}) {
        const Outcome o = signalProgramMidRecording(format, 3.1, SIGKILL);
        EXPECT_TRUE(WIFSIGNALED(o.status) && WTERMSIG(o.status) == SIGKILL);
        expectHeld(o, 0.5);
    }
}

// FLAC and WMA headers say their length only when the file is completed; while recording it is
// kept current after every block, so a killed recording's length is in its header: ffprobe
// (which reads it from there), soxi and the program's own reader agree on it. A WMA file loses
// a little more at the end: the muxer's packet being filled (200 ms at 128 kbit/s).
TEST(ProgramKilled, FlacAndWmaHeadersHoldTheLengthOfWhatWasRecorded)
{
    for (const QString format : {"flac", "wma"}) {
        SCOPED_TRACE(format.toStdString());
        double probed = -1, soxi = -1;
        const Outcome o = signalProgramMidRecording(format, 3.1, SIGKILL, {}, [&](const Outcome& kept) {
            probed = toolSays("ffprobe", {"-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", kept.path});
            if (format == QLatin1String("flac"))
                soxi = toolSays("soxi", {"-D", kept.path});
        });
        EXPECT_TRUE(WIFSIGNALED(o.status) && WTERMSIG(o.status) == SIGKILL);
        expectHeld(o, format == QLatin1String("wma") ? 0.7 : 0.5);
        ASSERT_GT(o.file.rate, 0);
        const double held = double(o.file.length) / o.file.rate;
        std::printf("[ %s ] ffprobe %.3f s, soxi %.3f s, own reader %.3f s, decoded %.3f s\n", qPrintable(format), probed,
                    soxi, held, double(o.file.framesRead) / o.file.rate);
        EXPECT_NEAR(probed, held, 0.001);
        if (format == QLatin1String("flac")) {
            EXPECT_NEAR(soxi, held, 0.001);
        }
    }
}

// SIGTERM ends the program as its close does: the recording is stopped and completed (every
// captured frame written, the MP3's LAME tag in place) and setup.ini is written.
TEST(ProgramTerminated, WavRecordingIsCompleteAndSetupWritten)
{
    const Outcome o = signalProgramMidRecording(QStringLiteral("wav"), 2.5, SIGTERM);
    EXPECT_TRUE(WIFEXITED(o.status) && WEXITSTATUS(o.status) == 0);
    expectHeld(o, 0.150);   // nothing lost at the end; the allowance is the start of capture
}

TEST(ProgramTerminated, Mp3RecordingIsCompleteAndSetupWritten)
{
    const Outcome o = signalProgramMidRecording(QStringLiteral("mp3"), 2.5, SIGTERM);
    EXPECT_TRUE(WIFEXITED(o.status) && WEXITSTATUS(o.status) == 0);
    expectHeld(o, 0.150);
}

// Killed a little after a block boundary, and shortly before one (almost a whole 200 ms block
// captured and not yet written). An MP3 loses about 48 ms more than a WAV: LAME keeps its
// look-ahead (some 2100 frames) until the next frames come, so a kill in the last few
// milliseconds before a block ends can lose a little over 250 ms of MP3.
TEST(KilledRecording, WavKeepsAllButTheLast250ms)
{
    killMidRecording(QStringLiteral("wav"), 3.1);
    killMidRecording(QStringLiteral("wav"), 2.17);
}

TEST(KilledRecording, Mp3KeepsAllButTheLast250ms)
{
    killMidRecording(QStringLiteral("mp3"), 3.1);
    killMidRecording(QStringLiteral("mp3"), 2.17);
}

TEST(KilledRecording, WavKilledEarlyStillOpens)
{
    // Killed within the first blocks: the file exists, opens and holds what was recorded.
    killMidRecording(QStringLiteral("wav"), 0.45);
}

// Eight hours of 44.1 kHz stereo 16-bit WAV are 5.08 GB: past the 4 GiB a plain RIFF header
// can describe. The first part goes through the whole recording road (free-running clock,
// filters on); when that cannot reach eight hours within the time budget, the rest is written
// block by block through TAudioFile2::WriteArray, the same call the block event makes.
TEST(LongRecording, EightHourWavOpensWithItsExactLength)
{
    app();
    // Memory-backed temporary storage when it and the memory have room to spare (a disk
    // shared with other work may not take 5 GB within a minute), else the temporary folder.
    const auto freeIn = [](const QString& folder) {
        struct statvfs fs{};
        return statvfs(folder.toLocal8Bit().constData(), &fs) == 0 ? double(fs.f_bavail) * fs.f_frsize : 0.0;
    };
    const auto memAvailable = [] {
        QFile f(QStringLiteral("/proc/meminfo"));
        if (!f.open(QIODevice::ReadOnly))
            return 0.0;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("MemAvailable:"))
                return line.mid(13).trimmed().split(' ').value(0).toDouble() * 1024;
        return 0.0;
    };
    QString folder = QDir::tempPath();
    if (freeIn(QStringLiteral("/dev/shm")) > 8e9 && memAvailable() > 12e9)
        folder = QStringLiteral("/dev/shm");
    // Where the storage has less room, as many hours as fit, leaving a gigabyte to the rest.
    const qint64 fits = qint64((freeIn(folder) - 1e9) / 4);
    ASSERT_GT(fits, 600LL * 44100) << "not even ten minutes of WAV fit in " << folder.toStdString();
    const qint64 target = std::min<qint64>(8LL * 3600 * 44100, fits);
    if (target < 8LL * 3600 * 44100)
        std::printf("[ wav ] %s has room for %.2f h only\n", qPrintable(folder), target / 44100.0 / 3600);

    const QString path = folder + QStringLiteral("/tavrin_endurance_%1.wav").arg(getpid());
    struct Remove { QString p; ~Remove() { QFile::remove(p); } } remove{path};
    const auto t0 = std::chrono::steady_clock::now();
    const auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(); };

    SignalTable table;
    Pacer pacer;
    VirtualBackend backend(VirtualBackend::ClockMode::FreeRunning);
    playPaced(backend, table, pacer);
    TAudioFile2 file;
    TAudioFile2LameEnc lame;
    applyFormat(file, lame, Format::Wav);
    file.CreateNew(path, 0);

    // The recording road for the first 5 seconds of wall time.
    qint64 written = 0;
    {
        TAudioRecord2 rec(nullptr, &backend);
        rec.setNotchFilter(true);
        rec.setHighPassFilter(true);
        rec.setLowPassFilter(true);
        rec.SetFormat(44100, 2);
        rec.setArraySize(rec.MillisecondsToSamples(200));
        QEventLoop loop;
        bool running = true;
        bool enough = false;
        QObject::connect(&rec, &TAudioRecord2::OnEndArrayRecord, [&](int) {
            if (!running)
                return;
            SampleArray block = rec.GetArray();
            written += block.frames();
            file.WriteArray(block);
            if (elapsed() > 5 || written >= target)
                enough = true;          // the input stops, so the event queue empties
            if (enough)
                loop.quit();
            else
                pacer.setWritten(written);
        });
        rec.StartRecord();
        ASSERT_EQ(rec.LastError(), 0);
        loop.exec();
        pacer.release();
        rec.StopRecord();
        running = false;
        EXPECT_EQ(rec.OverflowCount(), 0);
    }
    const qint64 throughRecorder = written;
    // The rest, straight into the file, within a budget of 52 s in all.
    // The table repeats every ten seconds, so ten-second blocks from here on are all alike.
    const int block = 44100 * 10;
    const SampleArray tenSeconds = table.block(written, block);
    while (written < target && elapsed() < 52) {
        const int n = int(std::min<qint64>(block, target - written));
        if (n == block)
            file.WriteArray(tenSeconds);
        else
            file.WriteArray(table.block(written, n));
        written += n;
    }
    EXPECT_EQ(file.Length(), written);
    file.Close();
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.read(4), f.size() > 0xFFFFFFFFLL ? "RF64" : "RIFF");
    }
    const double hours = written / 44100.0 / 3600;
    std::printf("[ wav ] %.2f h written in %.1f s (%.2f h through the recorder); %.2f GB in %s\n", hours,
                elapsed(), throughRecorder / 44100.0 / 3600, QFileInfo(path).size() / 1e9, qPrintable(folder));
    ::testing::Test::RecordProperty("hours_written", QString::number(hours, 'f', 2).toStdString());
    if (written < target)
        std::printf("[ wav ] what fits takes longer than the time budget on this machine; %.2f h tested\n", hours);

    TAudioFile2 back;
    back.setActive(true);
    back.Open(path, 0, 1);
    ASSERT_EQ(back.LastError(), 0) << qPrintable(back.LastErrorText());
    EXPECT_EQ(back.Length(), written);
    EXPECT_EQ(back.SampleRate(), 44100);
    EXPECT_EQ(back.Channels(), 2);
    // The last two seconds came straight from the table: they read back as written.
    const qint64 from = written - 88200;
    if (from > throughRecorder) {
        EXPECT_EQ(back.Seek(int(from), 3), from);
        SampleArray a = back.ReadArray(88200);
        ASSERT_EQ(a.frames(), 88200);
        SampleArray want = table.block(from, 88200);
        double worst = 0;
        for (std::size_t i = 0; i < a.samples().size(); ++i)
            worst = std::max(worst, double(std::fabs(a.samples()[i] - want.samples()[i])));
        EXPECT_LT(worst, 2.0 / 32768);
        EXPECT_TRUE(back.ReadArray(100).isEmpty());
    }
    back.Close();
}

int main(int argc, char** argv)
{
    if (const char* spec = std::getenv("TAVRIN_ENDURANCE_RECORD"))
        return recordUntilKilled(spec);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
