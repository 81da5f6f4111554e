// Seek(pos, 3) lands on the exact frame: what follows is what reading from the start gives.
#include "FilesTestUtil.h"

#include "engine/TAudioFile2.h"

#include <QFileInfo>
#include <QUuid>
#include <algorithm>
#include <gtest/gtest.h>

using namespace filetest;

namespace {

// A signal that never repeats: a slow sweep plus quiet noise.
std::vector<float> sweep(int frames, int channels, int rate, unsigned seed)
{
    std::vector<float> v(static_cast<std::size_t>(frames) * channels);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
    double phase = 0.0;
    for (int i = 0; i < frames; ++i) {
        const double f = 200.0 + 150.0 * std::sin(2.0 * M_PI * i / (rate * 7.3));
        phase += 2.0 * M_PI * f / rate;
        for (int c = 0; c < channels; ++c)
            v[static_cast<std::size_t>(i) * channels + c] = 0.4f * static_cast<float>(std::sin(phase * (1 + c))) + noise(rng);
    }
    return v;
}

TEST(Seek, WavPositionsAreExact)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("s.wav");
    TAudioFile2 w;
    w.SetFormatPCM(44100, 2, 16);
    writeAll(w, path, sweep(44100 * 20, 2, 44100, 1), 2, 8820);
    expectSeeksExact(path, 40, 11, 3000);
}

TEST(Seek, Mp3At44100PositionsAreExact)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("s.mp3");
    TAudioFile2 w;
    w.SetFormatMP3(44100, 128, 2);
    writeAll(w, path, sweep(44100 * 40, 2, 44100, 2), 2, 8820);
    expectSeeksExact(path, 30, 12, 3000);
}

// One hour of MP3, made once and kept in the temporary folder for later runs. 8000 Hz at
// 8 kbps: the smallest frames, so the bit reservoir reaches furthest back (the hardest case
// for a seek) and the encoding stays quick.
QString hourMp3()
{
    const int rate = 8000;
    const int frames = rate * 3600;
    const QString path = QDir::tempPath() + "/tavrin-files-test-hour-8k-v1.mp3";
    {
        TAudioFile2 r;
        r.Open(path, 0, 1);
        if (r.LastError() == 0 && r.Length() == frames)
            return path;
    }
    const QString part = path + "." + QUuid::createUuid().toString(QUuid::Id128);
    TAudioFile2 w;
    w.SetFormatMP3(rate, 8, 1);
    w.CreateNew(part, 0);
    const int minute = rate * 60;
    for (int m = 0; m < 60; ++m)
        w.WriteArray(SampleArray(1, sweep(minute, 1, rate, 100 + static_cast<unsigned>(m))));
    w.Close();
    QFile::remove(path);
    QFile::rename(part, path);
    QFile::remove(part);
    return path;
}

TEST(Seek, OneHourMp3LengthAndPositionsAreExact)
{
    const QString path = hourMp3();
    TAudioFile2 f;
    f.Open(path, 0, 1);
    ASSERT_EQ(f.LastError(), 0);
    EXPECT_EQ(f.Length(), 8000 * 3600);
    EXPECT_EQ(f.FormatDescription(), "MPEG 2.0 layer-3: 8000 Hz, 8 kbps, Mono");
    f.Close();
    expectSeeksExact(path, 40, 13, 2000);
}

} // namespace
