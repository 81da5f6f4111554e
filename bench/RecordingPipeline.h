#pragma once
// The recording road of the program, without its window: a virtual input, the recorder cutting
// 200 ms blocks with the record filter on, and every block handed to TAudioFile2::WriteArray in
// the block event, on the thread that owns the components (the program writes on a thread of
// its own instead: the same work). Shared by the benchmarks and the endurance tests.
#include "engine/TAudioFile2.h"
#include "engine/TAudioFile2LameEnc.h"
#include "engine/TAudioRecord2.h"
#include "engine/backends/VirtualBackend.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QString>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

namespace benchsupport {

// A ten-second loop of music-like stereo audio: a few partials with moving amplitudes and a
// little noise. The virtual input plays it frame by frame; the same frames go to the WAV the
// outside tools are timed on, so both sides encode the same audio.
class SignalTable {
public:
    explicit SignalTable(int sampleRate = 44100, int seconds = 10)
        : frames_(static_cast<std::size_t>(sampleRate) * seconds), data_(frames_ * 2)
    {
        std::uint32_t noise = 12345;
        const double partials[] = {110.0, 220.5, 331.0, 440.0, 659.3, 987.8, 1760.0, 3520.0};
        for (std::size_t i = 0; i < frames_; ++i) {
            const double t = static_cast<double>(i) / sampleRate;
            double l = 0, r = 0;
            for (int k = 0; k < 8; ++k) {
                const double env = 0.5 + 0.5 * std::sin(2 * M_PI * (0.13 + 0.07 * k) * t + k);
                const double s = std::sin(2 * M_PI * partials[k] * t) * env / (k + 2);
                l += s;
                r += (k % 2 ? 0.7 : 1.0) * s;
            }
            noise = noise * 1664525u + 1013904223u;
            const double n = (static_cast<double>(noise >> 8) / 16777216.0 - 0.5) * 0.02;
            data_[2 * i] = static_cast<float>(0.5 * l + n);
            data_[2 * i + 1] = static_cast<float>(0.5 * r - n);
        }
    }
    float at(qint64 frame, int channel) const
    {
        return data_[2 * static_cast<std::size_t>(frame % static_cast<qint64>(frames_)) + (channel & 1)];
    }
    // `frames` frames from `first` into `out`, interleaved, `channels` to a frame.
    void fill(qint64 first, int frames, int channels, float* out) const
    {
        const auto n = static_cast<qint64>(frames_);
        std::size_t i = static_cast<std::size_t>(first % n);
        if (channels == 2) {   // the table's own layout: at most two copies
            while (frames > 0) {
                const std::size_t run = std::min(static_cast<std::size_t>(frames), frames_ - i);
                std::memcpy(out, data_.data() + 2 * i, run * 2 * sizeof(float));
                out += 2 * run;
                frames -= static_cast<int>(run);
                i = 0;
            }
            return;
        }
        for (int f = 0; f < frames; ++f) {
            for (int c = 0; c < channels; ++c)
                *out++ = data_[2 * i + (c & 1)];
            if (++i == frames_)
                i = 0;
        }
    }
    // `frames` frames from `first`, interleaved stereo.
    SampleArray block(qint64 first, int frames) const
    {
        SampleArray a(2, frames);
        float* p = a.data();
        for (int i = 0; i < frames; ++i) {
            p[2 * i] = at(first + i, 0);
            p[2 * i + 1] = at(first + i, 1);
        }
        return a;
    }

private:
    std::size_t frames_;
    std::vector<float> data_;
};

// Keeps a free-running virtual input at most `aheadFrames` ahead of what the owner thread has
// written. Without it the input outruns the encoder, and the recorder's queue of finished
// blocks (unbounded, so that nothing is lost) grows without end: a benchmark would measure
// that queue, not the recording road. The check runs on the device thread, before every chunk.
class Pacer {
public:
    explicit Pacer(qint64 aheadFrames = 2 * 44100) : ahead_(aheadFrames) {}
    // Before the input hands out frames up to `frame`.
    void wait(qint64 frame) const
    {
        while (frame > written_.load(std::memory_order_acquire) + ahead_ && !released_.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        if (released_.load())   // about ten times real time until the stream is stopped
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void setWritten(qint64 frames) { written_.store(frames, std::memory_order_release); }
    // No more waiting for the owner thread (which is about to stop the stream and wait for the
    // device thread), but no running away either.
    void release() { released_.store(true); }

private:
    qint64 ahead_;
    std::atomic<qint64> written_{0};
    std::atomic<bool> released_{false};
};

// The test signal played by a paced free-running input.
inline void playPaced(VirtualBackend& backend, const SignalTable& table, const Pacer& pacer)
{
    backend.setInputBlockGenerator([&table, &pacer](qint64 first, int frames, int channels, float* out) {
        pacer.wait(first + frames);
        table.fill(first, frames, channels, out);
    });
}

enum class Format { None, Wav, Mp3, Wma };

inline Format formatFromName(const QString& name)
{
    if (name == QLatin1String("wav")) return Format::Wav;
    if (name == QLatin1String("mp3")) return Format::Mp3;
    if (name == QLatin1String("wma")) return Format::Wma;
    return Format::None;
}

// Sets the output format as the program does for 44.1 kHz stereo: WAV 16 bit, MP3 128 kbit/s
// through the encoder object, WMA profile 38 (44.1 kHz, 128 kbit/s, stereo).
inline void applyFormat(TAudioFile2& file, TAudioFile2LameEnc& lame, Format format)
{
    file.setActive(true);
    lame.setSampleRate(44100);
    lame.setBitrate(128);
    switch (format) {
    case Format::Wav: file.SetFormatPCM(44100, 2, 16); break;
    case Format::Mp3: file.SetFormatMP3(44100, 128, 2); break;
    case Format::Wma: file.SetFormatWMA(38); break;
    case Format::None: break;
    }
    file.SetMP3Encoder(lame.DefaultInterface());
}

// One recording as the program runs it. Call start(), run the owner thread's event loop, then
// stop(). `onBlock` (optional) runs after every block written, with the frames recorded so far.
class Recording {
public:
    // `filters`: the record filter's three stages on (notch 50 Hz, high-pass 60 Hz, low-pass
    // 15 kHz), or all three off as a new program has them.
    Recording(VirtualBackend& backend, Format format, const QString& path, bool filters = true)
        : format_(format), recorder_(nullptr, &backend)
    {
        recorder_.setNotchFilter(filters);
        recorder_.setNotchFrequency(50.0f);
        recorder_.setHighPassFilter(filters);
        recorder_.setHighPassFrequency(60.0f);
        recorder_.setLowPassFilter(filters);
        recorder_.setLowPassFrequency(15000.0f);
        if (format_ != Format::None) {
            applyFormat(file_, lame_, format_);
            file_.CreateNew(path, 0);
        }
        QObject::connect(&recorder_, &TAudioRecord2::OnEndArrayRecord, [this](int) {
            if (!running_)
                return;
            SampleArray block = recorder_.GetArray();
            frames_ += block.frames();
            if (format_ != Format::None)
                file_.WriteArray(block);
            if (onBlock)
                onBlock(frames_);
        });
    }

    void start()
    {
        const int rate = format_ == Format::None ? 44100 : file_.SampleRate();
        const int channels = format_ == Format::None ? 2 : file_.Channels();
        recorder_.SetFormat(rate, channels);
        recorder_.setArraySize(recorder_.MillisecondsToSamples(200));
        recorder_.setTimerEnabled(true);
        running_ = true;
        recorder_.StartRecord();
    }

    // Stops capture (the last blocks arrive inside StopRecord) and completes the file.
    void stop()
    {
        recorder_.StopRecord();
        running_ = false;
        if (format_ != Format::None) {
            length_ = file_.Length();
            file_.Close();
        }
    }

    int lastError() const { return recorder_.LastError(); }
    qint64 frames() const { return frames_; }
    int fileLength() const { return length_; }
    qint64 overflow() const { return recorder_.OverflowCount(); }
    TAudioRecord2& recorder() { return recorder_; }

    std::function<void(qint64 frames)> onBlock;

private:
    Format format_;
    TAudioRecord2 recorder_;
    TAudioFile2 file_;
    TAudioFile2LameEnc lame_;
    bool running_ = false;
    qint64 frames_ = 0;
    int length_ = 0;
};

} // namespace benchsupport
