// CPU cost of the file components against the command-line tools on the same input: 60 s of
// 44.1 kHz stereo. MP3 encoding against `lame -b 128`, WMA encoding against
// `ffmpeg -c:a wmav2 -b:a 128k`, MP3 decoding against `ffmpeg -i x.mp3 -f null -`.
// Every benchmark reports CPU seconds per run (the tools' as the child's CPU time).
#include "engine/TAudioFile2.h"
#include "engine/TAudioFile2LameEnc.h"

#include <QDir>
#include <QFile>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>
#include <vector>

namespace {

const int kRate = 44100;
const int kSeconds = 60;

QString path(const char* name) { return QDir::tempPath() + "/tavrin-bench-" + name; }

const std::vector<float>& input()
{
    static const std::vector<float> s = [] {
        std::vector<float> v(static_cast<std::size_t>(kRate) * kSeconds * 2);
        unsigned seed = 1;
        for (std::size_t i = 0; i < v.size() / 2; ++i) {
            seed = seed * 1103515245u + 12345u;
            const float noise = static_cast<float>((seed >> 16) & 0x7fff) / 32768.0f - 0.5f;
            const double t = static_cast<double>(i) / kRate;
            v[2 * i] = static_cast<float>(0.4 * std::sin(2 * M_PI * 440 * t) + 0.05 * noise);
            v[2 * i + 1] = static_cast<float>(0.4 * std::sin(2 * M_PI * 660 * t * (1 + 0.01 * std::sin(t))) + 0.05 * noise);
        }
        return v;
    }();
    return s;
}

void write(TAudioFile2& f, const QString& name)
{
    const std::vector<float>& s = input();
    f.CreateNew(name, 0);
    const std::size_t block = kRate / 5 * 2;
    for (std::size_t at = 0; at < s.size(); at += block)
        f.WriteArray(SampleArray(2, std::vector<float>(s.begin() + static_cast<std::ptrdiff_t>(at),
                                                       s.begin() + static_cast<std::ptrdiff_t>(std::min(s.size(), at + block)))));
    f.Close();
}

const QString& wavInput()
{
    static const QString name = [] {
        TAudioFile2 f;
        f.SetFormatPCM(kRate, 2, 16);
        write(f, path("in.wav"));
        return path("in.wav");
    }();
    return name;
}

const QString& mp3Input()
{
    static const QString name = [] {
        TAudioFile2 f;
        f.SetFormatMP3(kRate, 128, 2);
        write(f, path("in.mp3"));
        return path("in.mp3");
    }();
    return name;
}

double childCpu()
{
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double ownCpu()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Runs a shell command per iteration and reports its CPU time as the iteration time.
void runTool(benchmark::State& state, const QString& command)
{
    for (auto _ : state) {
        const double before = childCpu();
        if (std::system(command.toUtf8().constData()) != 0) {
            state.SkipWithError("the tool failed or is missing");
            break;
        }
        state.SetIterationTime(childCpu() - before);
    }
}

// Reports this process's CPU time of the body as the iteration time.
template <typename F>
void runOwn(benchmark::State& state, F body)
{
    for (auto _ : state) {
        const double before = ownCpu();
        body();
        state.SetIterationTime(ownCpu() - before);
    }
}

void Mp3EncodeTavrin(benchmark::State& state)
{
    input();
    runOwn(state, [] {
        TAudioFile2LameEnc enc;
        TAudioFile2 f;
        f.SetFormatMP3(kRate, 128, 2);
        f.SetMP3Encoder(&enc);
        write(f, path("out.mp3"));
    });
}

void Mp3EncodeLameCli(benchmark::State& state)
{
    runTool(state, QStringLiteral("lame --quiet -b 128 '%1' '%2'").arg(wavInput(), path("cli.mp3")));
}

void WmaEncodeTavrin(benchmark::State& state)
{
    input();
    runOwn(state, [] {
        TAudioFile2 f;
        f.SetFormatWMA(38);
        write(f, path("out.wma"));
    });
}

void WmaEncodeFfmpegCli(benchmark::State& state)
{
    runTool(state, QStringLiteral("ffmpeg -nostdin -loglevel error -y -threads 1 -i '%1' -c:a wmav2 -b:a 128k '%2'")
                       .arg(wavInput(), path("cli.wma")));
}

void Mp3DecodeTavrin(benchmark::State& state)
{
    mp3Input();
    runOwn(state, [] {
        TAudioFile2 f;
        f.Open(mp3Input(), 0, 1);
        long frames = 0;
        for (;;) {
            SampleArray a = f.ReadArray(8820);
            if (a.isEmpty())
                break;
            frames += a.frames();
        }
        benchmark::DoNotOptimize(frames);
    });
}

void Mp3DecodeFfmpegCli(benchmark::State& state)
{
    runTool(state, QStringLiteral("ffmpeg -nostdin -loglevel error -threads 1 -i '%1' -f null -").arg(mp3Input()));
}

} // namespace

BENCHMARK(Mp3EncodeTavrin)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Mp3EncodeLameCli)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(WmaEncodeTavrin)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(WmaEncodeFfmpegCli)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Mp3DecodeTavrin)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(Mp3DecodeFfmpegCli)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
