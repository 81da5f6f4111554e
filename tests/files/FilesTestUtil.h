#pragma once
// Helpers for the file tests: generated signals, measurements, whole-file reads and writes.
#include "engine/SampleArray.h"
#include "engine/TAudioFile2.h"

#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

namespace filetest {

// A stereo test signal: left at freq, right at 1.5 * freq (so a channel swap shows).
inline std::vector<float> tone(int frames, int channels, int rate, double freq, float amp = 0.5f)
{
    std::vector<float> v(static_cast<std::size_t>(frames) * static_cast<std::size_t>(channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            v[static_cast<std::size_t>(i) * channels + c] =
                amp * static_cast<float>(std::sin(2.0 * M_PI * freq * (1.0 + 0.5 * c) * i / rate));
    return v;
}

// Frequency of one channel by counting rising zero crossings over [from, to).
inline double frequency(const std::vector<float>& v, int channels, int channel, int rate, int from, int to)
{
    int crossings = 0;
    int first = -1, last = -1;
    for (int i = from + 1; i < to; ++i) {
        const float a = v[static_cast<std::size_t>(i - 1) * channels + channel];
        const float b = v[static_cast<std::size_t>(i) * channels + channel];
        if (a < 0.0f && b >= 0.0f) {
            if (first < 0)
                first = i;
            last = i;
            ++crossings;
        }
    }
    if (crossings < 2)
        return 0.0;
    return (crossings - 1) * static_cast<double>(rate) / (last - first);
}

inline double rms(const std::vector<float>& v, int channels, int channel, int from, int to)
{
    double sum = 0.0;
    for (int i = from; i < to; ++i) {
        const double x = v[static_cast<std::size_t>(i) * channels + channel];
        sum += x * x;
    }
    return to > from ? std::sqrt(sum / (to - from)) : 0.0;
}

// The lag (in frames, within +-maxLag) at which decoded best matches the original.
inline int bestLag(const std::vector<float>& original, const std::vector<float>& decoded, int channels,
                   int from, int to, int maxLag)
{
    int best = 0;
    double bestScore = -1e300;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double s = 0.0;
        for (int i = from; i < to; ++i) {
            const long j = i + lag;
            if (j < 0 || static_cast<std::size_t>(j) * channels >= decoded.size())
                continue;
            s += static_cast<double>(original[static_cast<std::size_t>(i) * channels])
                 * decoded[static_cast<std::size_t>(j) * channels];
        }
        if (s > bestScore) {
            bestScore = s;
            best = lag;
        }
    }
    return best;
}

// Writes interleaved samples in blocks of `block` frames; the file must have been formatted.
inline void writeAll(TAudioFile2& f, const QString& path, const std::vector<float>& data, int channels,
                     int block, bool close = true)
{
    f.CreateNew(path, 0);
    const int frames = static_cast<int>(data.size() / channels);
    for (int at = 0; at < frames; at += block) {
        const int n = std::min(block, frames - at);
        std::vector<float> part(data.begin() + static_cast<std::ptrdiff_t>(at) * channels,
                                data.begin() + static_cast<std::ptrdiff_t>(at + n) * channels);
        f.WriteArray(SampleArray(channels, std::move(part)));
    }
    if (close)
        f.Close();
}

// Reads from the current position to the end, in blocks of `block` frames.
inline std::vector<float> readAll(TAudioFile2& f, int block = 8820)
{
    std::vector<float> all;
    for (;;) {
        SampleArray a = f.ReadArray(block);
        if (a.isEmpty())
            break;
        all.insert(all.end(), a.samples().begin(), a.samples().end());
    }
    return all;
}

inline void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

inline QByteArray readBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// Reads the file from the start once and keeps `count` frames at each position.
inline std::vector<std::vector<float>> referenceSlices(const QString& path, std::vector<int> positions, int count)
{
    std::vector<int> order(positions.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return positions[a] < positions[b]; });
    std::vector<std::vector<float>> out(positions.size());
    TAudioFile2 r;
    r.Open(path, 0, 1);
    const int ch = r.Channels();
    std::vector<float> window;   // frames [windowStart, windowStart + size)
    long windowStart = 0;
    long readPos = 0;
    for (int idx : order) {
        const long want = positions[idx];
        while (readPos < want + count) {
            SampleArray a = r.ReadArray(65536);
            if (a.isEmpty())
                break;
            window.insert(window.end(), a.samples().begin(), a.samples().end());
            readPos += a.frames();
            // Keep only what a later (larger or equal) position can still need.
            const long drop = std::min<long>(want - windowStart, static_cast<long>(window.size()) / ch);
            if (drop > 0) {
                window.erase(window.begin(), window.begin() + drop * ch);
                windowStart += drop;
            }
        }
        const long from = std::min<long>((want - windowStart) * ch, static_cast<long>(window.size()));
        const long to = std::min<long>(from + static_cast<long>(count) * ch, static_cast<long>(window.size()));
        out[static_cast<std::size_t>(idx)].assign(window.begin() + from, window.begin() + std::max(from, to));
    }
    return out;
}

inline void expectSeeksExact(const QString& path, int positionsCount, unsigned seed, int count)
{
    int length = 0;
    {
        // The true length: some containers only estimate it until read through.
        TAudioFile2 all;
        all.Open(path, 0, 1);
        ASSERT_EQ(all.LastError(), 0);
        while (!all.ReadArray(65536).isEmpty()) {
        }
        length = all.Length();
    }
    TAudioFile2 f;
    f.Open(path, 0, 1);
    ASSERT_EQ(f.LastError(), 0);
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pick(0, length - 1);
    std::vector<int> positions = {0, 1, length - 1, length / 2, length - count / 2};
    while (static_cast<int>(positions.size()) < positionsCount)
        positions.push_back(pick(rng));
    // Nearby pairs exercise the short forward and backward moves.
    positions.push_back(positions[6] + 10);
    positions.push_back(positions[6] - 5000);
    for (int& p : positions)
        p = std::clamp(p, 0, length);
    const auto reference = referenceSlices(path, positions, count);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const int p = std::clamp(positions[i], 0, length);
        ASSERT_EQ(f.Seek(p, 3), p) << "position " << p;
        SampleArray a = f.ReadArray(count);
        const std::vector<float>& want = reference[i];
        ASSERT_EQ(a.samples().size(), want.size()) << "position " << p;
        for (std::size_t k = 0; k < want.size(); ++k)
            ASSERT_EQ(a.samples()[k], want[k]) << "position " << p << " sample " << k;
    }
    // Past the end: the position reached is the end, and nothing more comes.
    EXPECT_EQ(f.Seek(length + 1000, 3), length);
    EXPECT_TRUE(f.ReadArray(10).isEmpty());
}

} // namespace filetest
