#pragma once
// What the recorder and the player have in common: a device of the backend (DeviceIndex starts
// at the system's default), a format with its frames <-> milliseconds conversions, the periodic
// OnTimer with the peak levels, the latest frames for the signal picture, the lines of the
// device's mixer behind the src* properties, and the error of the last start.
//
// Events (Qt signals) always arrive on the thread that owns the object (the UI thread).
#include "engine/SampleArray.h"
#include "engine/ThreadRules.h"
#include <QObject>
#include <QString>
#include <QVariant>
#include <memory>
#include <source_location>

namespace engine {
class DeviceCore;
}

class AudioDeviceComponent : public QObject {
    Q_OBJECT
public:
    ~AudioDeviceComponent() override;

    // Devices of the component's side (inputs for the recorder, outputs for the player).
    int DeviceLastIndex();
    int DeviceIndex();
    void setDeviceIndex(int index);
    QString DeviceName();
    // What the system knows the device by (the sound server's name), else its shown name: the
    // key it is remembered by.
    QString DeviceKey();
    // While running: when the user moved the stream to another device (the desktop's sound
    // settings), DeviceIndex becomes that device. True when it changed.
    bool FollowMove();
    bool DeviceAvailable();

    // Format and conversions (frames <-> milliseconds, in the format last set).
    void SetFormat(int SampleRate, int Channels);
    int SampleRate() const;
    int Channels() const;
    int MillisecondsToSamples(int ms) const;
    int SamplesToMilliseconds(int samples) const;

    bool TimerEnabled() const;
    void setTimerEnabled(bool on);
    int TimerInterval() const;          // milliseconds, default 80
    void setTimerInterval(int ms);

    int LastError() const;              // of the last start; 0 = running
    QString LastErrorText() const;
    SampleArray GetCurrentArray(int Count); // the latest Count frames that went by, with their rate
    int LevelLeft() const;              // 0..32767, peak of the last timer period
    int LevelRight() const;

    // Mixer lines of the current device; srcIndex selects the line the others address.
    int srcLastIndex();
    void setSrcIndex(int index);
    int srcIndex() const;
    QString srcName();
    bool srcVolumeEnabled();
    int srcVolume();
    void setSrcVolume(int value);
    bool srcBalanceEnabled();
    int srcBalance();
    void setSrcBalance(int value);
    int srcAdvancedLastIndex();
    QString srcAdvancedName(int i);
    QVariant srcAdvancedValue(int i);
    void setSrcAdvancedValue(int i, const QVariant& value);

signals:
    void OnTimer(int CurrentSamples, int LevelLeft, int LevelRight);
    // The device stopped for good while running (unplugged, server gone).
    void OnDeviceError(const QString& message);

protected:
    explicit AudioDeviceComponent(QObject* parent);
    // The component's own part of the shared state; owned from here on.
    void attachCore(std::unique_ptr<engine::DeviceCore> core);
    engine::DeviceCore& core() const { return *core_; }
    // The shared state, for the methods that run only on the owning thread (engine/ThreadRules.h).
#if !defined(NDEBUG) || defined(TAVRIN_THREAD_CHECKS)
    engine::DeviceCore& owned(const char* where = std::source_location::current().function_name()) const
    {
        engine::expectOwnerThread(this, where);
        return *core_;
    }
#else
    engine::DeviceCore& owned() const { return *core_; }
#endif

private:
    std::unique_ptr<engine::DeviceCore> core_;
};
