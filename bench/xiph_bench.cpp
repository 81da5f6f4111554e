// FLAC and Opus encoding through the program's writer, timed for comparison with the reference
// encoders (bench/xiph_run.sh runs both on the same generated audio):
//   xiph_bench genwav RATE SECONDS OUT.wav    the test signal as a 16-bit stereo WAV
//   xiph_bench encode flac|opus SECONDS OUT   FLAC level 5 (44.1 kHz, 16 bit) or Opus 96 kbit/s
//                                             (48 kHz), stereo, in 200 ms blocks through
//                                             TAudioFile2::WriteArray; prints the CPU time of
//                                             the writes and the close per second of audio
#include "RecordingPipeline.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

using namespace benchsupport;

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Writes `seconds` of the signal at `rate` into `file` (format already set); CPU seconds spent.
double write(TAudioFile2& file, const QString& out, int rate, int seconds)
{
    const SignalTable table(rate);
    const int block = rate / 5;
    const qint64 total = qint64(seconds) * rate;
    std::vector<SampleArray> blocks;   // made before the clock starts: only the writer is timed
    for (qint64 done = 0; done < total; done += block)
        blocks.push_back(table.block(done, int(std::min<qint64>(block, total - done))));
    file.setActive(true);
    file.CreateNew(out, 0);
    const double t0 = cpuSeconds();
    for (const SampleArray& b : blocks)
        file.WriteArray(b);
    file.Close();
    return cpuSeconds() - t0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 5 && std::strcmp(argv[1], "genwav") == 0) {
        TAudioFile2 file;
        file.SetFormatPCM(std::atoi(argv[2]), 2, 16);
        write(file, QString::fromLocal8Bit(argv[4]), std::atoi(argv[2]), std::atoi(argv[3]));
        return 0;
    }
    if (argc == 5 && std::strcmp(argv[1], "encode") == 0) {
        const bool opus = std::strcmp(argv[2], "opus") == 0;
        const int seconds = std::atoi(argv[3]);
        TAudioFile2 file;
        if (opus)
            file.SetFormatOpus(96, 2);
        else
            file.SetFormatFLAC(44100, 2, 16, 5);
        const double cpu = write(file, QString::fromLocal8Bit(argv[4]), opus ? 48000 : 44100, seconds);
        std::printf("cpu_ms_per_audio_s=%.4f\n", cpu * 1000 / seconds);
        return 0;
    }
    std::fprintf(stderr, "usage: xiph_bench genwav RATE SECONDS OUT | encode flac|opus SECONDS OUT\n");
    return 2;
}
