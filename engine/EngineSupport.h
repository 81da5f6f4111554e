#pragma once
// Pieces shared by the recorder and the player: format conversions, the level meter, the
// history of recent frames for the signal picture, the mixer-line access behind the src*
// properties and the thread that serves a stream. Internal to the engine.
#include "engine/AudioBackend.h"
#include "engine/SampleArray.h"
#include "engine/ThreadRules.h"

#include <QString>
#include <QVariant>
#include <semaphore.h>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace engine {

// Error codes of LastError.
enum ErrorCode {
    NoError = 0,
    ErrorOpen = 1,      // the device could not be opened (busy, gone, format refused)
    ErrorStart = 2,     // the stream opened but did not start
    ErrorLost = 3,      // the device stopped delivering while running
    ErrorBackend = 4,   // no backend could be reached
};

// Frames <-> milliseconds with a 64-bit intermediate, truncated toward zero and kept inside
// the int range.
int millisecondsToFrames(int ms, int sampleRate);
int framesToMilliseconds(int frames, int sampleRate);

// Throws EngineError unless the format is one the engine handles.
void checkFormat(int sampleRate, int channels);

// Peak of the absolute sample value per side (channel 0 = left, channel 1 = right, mono:
// both from channel 0), as 0..32767, since the last take(). feed() from one thread, take()
// from another.
class PeakMeter {
public:
    void feed(const float* interleaved, int frames, int channels) noexcept;
    struct Levels { int left = 0; int right = 0; };
    Levels take() noexcept;
    void reset() noexcept;

private:
    std::atomic<int> left_{0};
    std::atomic<int> right_{0};
};

// The latest frames that went by, for GetCurrentArray. Thread-safe (not for the audio thread).
class FrameHistory {
public:
    void reset(int channels, int capacityFrames);
    void append(const float* interleaved, int frames);
    // Exactly `count` frames (at most the capacity), the newest last; zeros where fewer frames
    // have gone by. Count below 1 gives an empty array.
    SampleArray latest(int count) const;

private:
    mutable std::mutex m_;
    int channels_ = 1;
    int capacity_ = 0;
    std::vector<float> ring_;
    long long written_ = 0;   // frames appended since reset
};

// The mixer lines behind the src* properties of a component. The mixer is opened on first use
// and reopened when the device changes; srcIndex picks the line. Reading a line that does not
// exist gives a neutral value and writing one does nothing, so a device without a mixer (or
// with fewer lines) never breaks the program.
class MixerLines {
public:
    // `open` opens the mixer of a device.
    explicit MixerLines(std::function<std::unique_ptr<AudioMixer>(int device)> open);
    void setDevice(int device);   // forget the mixer when the device changes
    int lastIndex();
    int index() const { return index_; }
    void setIndex(int index) { index_ = index; }
    QString name();
    bool volumeEnabled();
    int volume();
    void setVolume(int value);
    bool balanceEnabled();
    int balance();
    void setBalance(int value);
    bool switchEnabled();
    bool switchValue();
    void setSwitchValue(bool on);
    int advancedLastIndex();
    QString advancedName(int i);
    QVariant advancedValue(int i);
    void setAdvancedValue(int i, const QVariant& value);

private:
    AudioMixer* mixer();
    bool lineValid();
    bool advancedValid(int i);

    std::function<std::unique_ptr<AudioMixer>(int)> open_;
    std::unique_ptr<AudioMixer> mixer_;
    int device_ = -1;
    int openedFor_ = -1;
    int index_ = 0;
};

// A thread that sleeps until it is woken and then runs `work`. wake() may come from a device
// thread: it neither allocates nor locks nor blocks (a flag and, when the flag was clear, one
// semaphore post). Wakes that come while `work` runs fold into one more run.
class WakeableThread {
public:
    WakeableThread();
    ~WakeableThread();
    WakeableThread(const WakeableThread&) = delete;
    WakeableThread& operator=(const WakeableThread&) = delete;

    // `name` (at most 15 characters) shows in the system's thread lists.
    void start(const char* name, std::function<void()> work);
    void wake() noexcept;
    void stop();          // joins: `work` runs no more once this returns
    bool running() const { return thread_.joinable(); }

private:
    void post() noexcept;

    std::thread thread_;
    std::atomic<bool> pending_{false};
    std::atomic<bool> stop_{false};
    sem_t semaphore_;
};

} // namespace engine
