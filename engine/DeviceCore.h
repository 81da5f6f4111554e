#pragma once
// The state and steps the recorder and the player share, behind AudioDeviceComponent: backend
// and device, format, the mixer lines, the timer, and the life of a stream with the thread that
// serves it. Internal to the engine.
//
// A running stream is served in one of two ways:
//  - on a hand-driven clock (the virtual backend in tests) the clock calls clockAdvanced()
//    after every step of virtual time, on the thread that advances it;
//  - otherwise a service thread sleeps until the device side wakes it (wakeService(), when a
//    block is complete, never more often) and then serves the stream and posts the events to
//    the owning thread; the owning thread's timer tick serves the stream too and raises the
//    events due (onNotify), so that levels and the picture are current at every tick.
// Either way serviceStep() moves the audio on and postNotify() hands over to the owning
// thread, where onNotify() raises the component's events.
#include "engine/AudioBackend.h"
#include "engine/EngineClock.h"
#include "engine/EngineSupport.h"

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class AudioDeviceComponent;
class QTimer;

namespace engine {

class DeviceCore : public ManualClock::Client {
public:
    // `input`: the component records (input devices and mixers) rather than plays.
    DeviceCore(AudioDeviceComponent* owner, AudioBackend* backend, bool input);
    ~DeviceCore() override;
    DeviceCore(const DeviceCore&) = delete;
    DeviceCore& operator=(const DeviceCore&) = delete;

    AudioDeviceComponent* const q;
    const bool input;

    AudioBackend& be();
    QList<AudioDeviceInfo> devices();
    int device();                        // the default device until one is chosen
    void setDevice(int index);
    // The running stream was moved by the user: its device becomes the current one. True when
    // that changed the device.
    bool followMove();
    MixerLines& mix();                   // the lines of the current device
    MixerLines& lines() { return mixer_; }

    // Settings and results (owning thread).
    int rate = 44100;
    int channels = 2;
    bool timerEnabled = false;
    int timerInterval = 80;
    int lastError = NoError;
    QString lastErrorText;
    int levelLeft = 0;
    int levelRight = 0;
    PeakMeter meter;                     // fed by serviceStep, emptied by every tick
    FrameHistory history;                // the latest frames, for GetCurrentArray

    // Frames between two ticks while the owning thread's timer serves the stream, else 0 (a
    // tick is coming).
    std::atomic<int> tickFrames{0};

    // The running stream (owning thread).
    bool running = false;
    int generation = 0;                  // counts starts and stops; stale posted work checks it

    void setTimerEnabled(bool on);
    void setTimerInterval(int ms);

    // Gives the history room for this format (kept as it is when the format did not change).
    void prepareHistory();
    // Opens the stream with `open` and starts it, served by the hand-driven clock or the service
    // thread, then the timer. On failure nothing stays running and LastError says why (ErrorOpen,
    // ErrorStart, ErrorBackend). Returns whether the stream runs.
    bool startStream(const std::function<std::unique_ptr<AudioStream>(AudioBackend&, int device)>& open,
                     const QString& notOpened);
    // Stops the timer, the stream and its serving; no device callback and no service step runs
    // once this returns.
    void stopStream();
    // The stream stopped for good: stops it, lets the component hand over what it still holds
    // (afterLoss), records ErrorLost and raises OnDeviceError. Owning thread.
    void handleLost();

    // Any thread: the device is gone; the owning thread handles it at its next turn.
    void noteLost(const QString& reason) noexcept;
    bool lossPending() const { return lost_.load(); }
    // Device thread: wake the service thread (no allocation, no lock, no wait).
    void wakeService() noexcept { service_.wake(); }
    // Queues one onNotify() on the owning thread (folded while one is waiting).
    void postNotify();

    // ManualClock::Client
    void clockAdvanced(qint64 nowNs) override;
    qint64 nextDeadlineNs() const override { return nextTickNs_; }

protected:
    virtual void serviceStep() = 0;      // any serving thread, never the device thread
    virtual int tickSamples() const = 0; // the count OnTimer reports
    virtual void onNotify() = 0;         // owning thread
    virtual void afterLoss() = 0;        // owning thread, the stream stopped

private:
    void startTimer();
    void stopTimer();
    void realTimeTick();
    void tickIfDue(qint64 nowNs);
    void emitTick(int samples, int left, int right);

    AudioBackend* backendArg_;
    AudioBackend* backend_ = nullptr;
    int deviceIndex_ = 0;
    bool deviceResolved_ = false;
    MixerLines mixer_;
    int historyRate_ = 0;
    int historyChannels_ = 0;

    std::unique_ptr<AudioStream> stream_;
    ManualClock* clock_ = nullptr;       // while running on a hand-driven clock
    WakeableThread service_;
    QTimer* timer_ = nullptr;
    qint64 nextTickNs_ = ManualClock::Never;

    std::atomic<bool> notifyQueued_{false};
    std::atomic<bool> lost_{false};
    std::mutex lostMutex_;
    QString lostReason_;
};

} // namespace engine
