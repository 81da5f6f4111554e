// Tavrin's benchmarks. One program, several measurements, each printing "key=value" lines that
// bench/run.sh collects and sets beside the outside tools' figures:
//
//   tavrin_bench genwav OUT.wav SECONDS           the test signal as 44.1 kHz stereo 16-bit WAV
//   tavrin_bench record FORMAT SECONDS OUT [nofilter]  recording road, FORMAT wav|mp3|wma|none;
//                                                 the record filter on unless "nofilter"
//   tavrin_bench play FILE                        Open + ReadArray(200 ms) to the end
//   tavrin_bench openlength FILE [REPEATS]        Open + Length, wall time
//   tavrin_bench seek FILE [COUNT]                Seek to random positions, wall time
//   tavrin_bench memory FORMAT SECONDS OUT        VmRSS during a long recording
//   tavrin_bench striptag IN.mp3 OUT.mp3          drops the Xing/Info frame of an MP3
//   tavrin_bench micro FILE.mp3 [benchmark flags] the same file work under Google Benchmark
//   tavrin_bench exec COMMAND [ARGS...]           an outside tool's CPU time (wait4), to the
//                                                 microsecond; its output goes to /dev/null
//
// CPU times come from getrusage(RUSAGE_SELF): all threads of the process, user plus system.
#include "RecordingPipeline.h"

#include "engine/TAudioFile2.h"
#include "engine/backends/VirtualBackend.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

using namespace benchsupport;

namespace {

double cpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
}

double wallSeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

long vmRssKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

int fail(const char* what)
{
    std::fprintf(stderr, "tavrin_bench: %s\n", what);
    return 1;
}

int genwav(const QString& out, int seconds)
{
    SignalTable table;
    TAudioFile2 file;
    file.setActive(true);
    file.SetFormatPCM(44100, 2, 16);
    file.CreateNew(out, 0);
    const int block = 8820;
    const qint64 total = qint64(seconds) * 44100;
    for (qint64 done = 0; done < total; done += block)
        file.WriteArray(table.block(done, int(std::min<qint64>(block, total - done))));
    file.Close();
    std::printf("frames=%lld\n", static_cast<long long>(total));
    return 0;
}

// Records `seconds` of the test signal as fast as the pipeline takes it.
int record(const QString& formatName, int seconds, const QString& out, bool watchMemory, bool filters = true)
{
    const Format format = formatFromName(formatName);
    SignalTable table;
    Pacer pacer;
    VirtualBackend backend(VirtualBackend::ClockMode::FreeRunning);
    playPaced(backend, table, pacer);
    setSystemAudioBackend(&backend);

    const qint64 target = qint64(seconds) * 44100;
    long rssFirstMinute = -1, rssPeak = 0;
    QEventLoop loop;
    double cpu0, wall0;
    qint64 frames = 0, overflow = 0;
    int length = 0, error = 0;
    {
        Recording rec(backend, format, out, filters);
        rec.onBlock = [&](qint64 n) {
            // The input stops at the target: a loop whose queue never empties never ends.
            pacer.setWritten(std::min(n, target));
            if (watchMemory) {
                if (rssFirstMinute < 0 && n >= 60 * 44100)
                    rssFirstMinute = vmRssKiB();
                if (rssFirstMinute >= 0 && (n / 8820) % 50 == 0)
                    rssPeak = std::max(rssPeak, vmRssKiB());
            }
            if (n >= target) {
                loop.quit();
            }
        };
        cpu0 = cpuSeconds();
        wall0 = wallSeconds();
        rec.start();
        error = rec.lastError();
        if (error == 0)
            loop.exec();
        pacer.release();
        rec.stop();
        frames = rec.frames();
        overflow = rec.overflow();
        length = rec.fileLength();
    }
    const double cpu = cpuSeconds() - cpu0;
    const double wall = wallSeconds() - wall0;
    const long rssLast = vmRssKiB();
    setSystemAudioBackend(nullptr);
    if (error != 0)
        return fail("StartRecord failed");
    std::printf("format=%s\naudio_s=%.3f\ncpu_s=%.4f\ncpu_ms_per_audio_s=%.4f\nwall_s=%.4f\nframes=%lld\n"
                "file_length=%d\noverflow=%lld\n",
                qPrintable(formatName), frames / 44100.0, cpu, cpu * 1000 / (frames / 44100.0), wall, static_cast<long long>(frames), length,
                static_cast<long long>(overflow));
    if (watchMemory)
        std::printf("rss_first_minute_kib=%ld\nrss_peak_after_kib=%ld\nrss_last_kib=%ld\nrss_growth_kib=%ld\n",
                    rssFirstMinute, std::max(rssPeak, rssLast), rssLast,
                    std::max(rssPeak, rssLast) - rssFirstMinute);
    return 0;
}

int play(const QString& path)
{
    {
        // The first file opened loads the FFmpeg module (and its libraries): start-up, which
        // the tools' figures leave out as well.
        TAudioFile2 warm;
        warm.setActive(true);
        warm.Open(path, 0, 1);
    }
    const double cpu0 = cpuSeconds(), wall0 = wallSeconds();
    TAudioFile2 file;
    file.setActive(true);
    file.Open(path, 0, 1);
    if (file.LastError() != 0)
        return fail(qPrintable(file.LastErrorText()));
    const int rate = file.SampleRate();
    const int block = rate / 5;   // 200 ms
    qint64 frames = 0;
    for (;;) {
        SampleArray a = file.ReadArray(block);
        if (a.isEmpty())
            break;
        frames += a.frames();
    }
    const int length = file.Length();
    file.Close();
    const double cpu = cpuSeconds() - cpu0;
    std::printf("cpu_s=%.4f\ncpu_ms_per_audio_s=%.4f\nwall_s=%.4f\nframes=%lld\nlength=%d\n", cpu,
                frames ? cpu * 1000 / (double(frames) / rate) : 0.0, wallSeconds() - wall0,
                static_cast<long long>(frames), length);
    return 0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

int openLength(const QString& path, int repeats)
{
    std::vector<double> ms;
    int length = 0, rate = 0;
    for (int i = 0; i < repeats; ++i) {
        const double t0 = wallSeconds();
        TAudioFile2 file;
        file.setActive(true);
        file.Open(path, 0, 1);
        if (file.LastError() != 0)
            return fail(qPrintable(file.LastErrorText()));
        length = file.Length();
        rate = file.SampleRate();
        ms.push_back((wallSeconds() - t0) * 1000);
        file.Close();
    }
    std::printf("length=%d\nseconds=%.6f\nopen_ms_median=%.3f\nopen_ms_first=%.3f\nopen_ms_worst=%.3f\n", length,
                rate ? double(length) / rate : 0.0, median(ms), ms.front(), *std::max_element(ms.begin(), ms.end()));
    return 0;
}

int seek(const QString& path, int count)
{
    TAudioFile2 file;
    file.setActive(true);
    file.Open(path, 0, 1);
    if (file.LastError() != 0)
        return fail(qPrintable(file.LastErrorText()));
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> where(0, std::max(0, file.Length() - 1));
    std::vector<double> ms, withRead;
    int misses = 0;
    for (int i = 0; i < count; ++i) {
        const int target = where(random);
        const double t0 = wallSeconds();
        const int reached = file.Seek(target, 3);
        const double t1 = wallSeconds();
        SampleArray a = file.ReadArray(file.SampleRate() / 5);
        const double t2 = wallSeconds();
        misses += reached != target;
        ms.push_back((t1 - t0) * 1000);
        withRead.push_back((t2 - t0) * 1000);
    }
    std::printf("seek_ms_first=%.3f\nseek_ms_worst_after_first=%.3f\n", ms.front(),
                ms.size() > 1 ? *std::max_element(ms.begin() + 1, ms.end()) : 0.0);
    std::printf("seeks=%d\nmissed_positions=%d\nseek_ms_median=%.3f\nseek_ms_worst=%.3f\n"
                "seek_read_ms_median=%.3f\nseek_read_ms_worst=%.3f\n",
                count, misses, median(ms), *std::max_element(ms.begin(), ms.end()), median(withRead),
                *std::max_element(withRead.begin(), withRead.end()));
    return 0;
}

// Copies an MP3 without its first frame when that frame is a Xing/Info (LAME) header: the
// remaining frames are a plain CBR stream with nothing that tells its length.
int stripTag(const QString& in, const QString& out)
{
    QFile src(in);
    if (!src.open(QIODevice::ReadOnly))
        return fail("cannot read the input");
    const QByteArray bytes = src.readAll();
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    const qsizetype n = bytes.size();
    qsizetype pos = 0;
    if (n > 10 && std::memcmp(p, "ID3", 3) == 0)
        pos = 10 + ((p[6] & 0x7f) << 21 | (p[7] & 0x7f) << 14 | (p[8] & 0x7f) << 7 | (p[9] & 0x7f));
    while (pos + 4 < n && !(p[pos] == 0xff && (p[pos + 1] & 0xe0) == 0xe0))
        ++pos;
    if (pos + 4 >= n)
        return fail("no MPEG frame");
    static const int bitrates[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int rates[] = {44100, 48000, 32000, 0};
    const int kbps = bitrates[p[pos + 2] >> 4], rate = rates[(p[pos + 2] >> 2) & 3];
    if ((p[pos + 1] & 0x1e) != 0x1a || kbps == 0 || rate == 0)
        return fail("not an MPEG-1 layer III frame");
    const qsizetype frameSize = 144 * kbps * 1000 / rate + ((p[pos + 2] >> 1) & 1);
    const QByteArray first = bytes.mid(pos, frameSize);
    const bool tagged = first.contains("Xing") || first.contains("Info");
    QFile dst(out);
    if (!dst.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return fail("cannot write the output");
    dst.write(bytes.constData(), pos);
    dst.write(bytes.constData() + pos + (tagged ? frameSize : 0), n - pos - (tagged ? frameSize : 0));
    std::printf("stripped=%d\n", tagged ? 1 : 0);
    return 0;
}

int micro(const QString& path, int argc, char** argv)
{
    const std::string file = path.toStdString();
    benchmark::RegisterBenchmark("OpenAndLength", [file](benchmark::State& state) {
        for (auto _ : state) {
            TAudioFile2 f;
            f.setActive(true);
            f.Open(QString::fromStdString(file), 0, 1);
            benchmark::DoNotOptimize(f.Length());
        }
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SeekRandomAndRead200ms", [file](benchmark::State& state) {
        TAudioFile2 f;
        f.setActive(true);
        f.Open(QString::fromStdString(file), 0, 1);
        std::mt19937 random(7);
        std::uniform_int_distribution<int> where(0, std::max(0, f.Length() - 1));
        for (auto _ : state) {
            benchmark::DoNotOptimize(f.Seek(where(random), 3));
            benchmark::DoNotOptimize(f.ReadArray(8820));
        }
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("RecordFilterAndWavWrite/10s", [](benchmark::State& state) {
        const QString out = QStringLiteral("/tmp/tavrin_bench_micro_%1.wav").arg(QCoreApplication::applicationPid());
        SignalTable table;
        for (auto _ : state) {
            Pacer pacer;
            VirtualBackend backend(VirtualBackend::ClockMode::FreeRunning);
            playPaced(backend, table, pacer);
            QEventLoop loop;
            Recording rec(backend, Format::Wav, out);
            rec.onBlock = [&](qint64 n) {
                pacer.setWritten(std::min<qint64>(n, 10 * 44100));
                if (n >= 10 * 44100)
                    loop.quit();
            };
            rec.start();
            loop.exec();
            pacer.release();
            rec.stop();
        }
        QFile::remove(out);
    })->Unit(benchmark::kMillisecond)->Iterations(3);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

int execTool(char** argv)
{
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(argv[0], argv);
        _exit(127);
    }
    int status = 0;
    rusage ru{};
    if (pid < 0 || wait4(pid, &status, 0, &ru) != pid)
        return fail("cannot run the tool");
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return fail("the tool failed");
    std::printf("cpu_s=%.6f\n", ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec +
                                    ru.ru_stime.tv_usec / 1e6);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "exec") == 0)
        return execTool(argv + 2);
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    try {
        if (mode == QLatin1String("genwav") && args.size() >= 4)
            return genwav(args[2], args[3].toInt());
        if (mode == QLatin1String("record") && args.size() >= 5)
            return record(args[2], args[3].toInt(), args[4], false,
                          args.size() < 6 || args[5] != QLatin1String("nofilter"));
        if (mode == QLatin1String("memory") && args.size() >= 5)
            return record(args[2], args[3].toInt(), args[4], true);
        if (mode == QLatin1String("play") && args.size() >= 3)
            return play(args[2]);
        if (mode == QLatin1String("openlength") && args.size() >= 3)
            return openLength(args[2], args.size() >= 4 ? args[3].toInt() : 10);
        if (mode == QLatin1String("seek") && args.size() >= 3)
            return seek(args[2], args.size() >= 4 ? args[3].toInt() : 100);
        if (mode == QLatin1String("striptag") && args.size() >= 4)
            return stripTag(args[2], args[3]);
        if (mode == QLatin1String("micro") && args.size() >= 3) {
            std::vector<char*> rest{argv[0]};
            for (int i = 3; i < argc; ++i)
                rest.push_back(argv[i]);
            int n = static_cast<int>(rest.size());
            return micro(args[2], n, rest.data());
        }
    } catch (const std::exception& e) {
        return fail(e.what());
    }
    std::fprintf(stderr, "usage: tavrin_bench genwav|record|play|openlength|seek|memory|striptag|micro ...\n");
    return 2;
}
