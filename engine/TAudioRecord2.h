#pragma once
// Captures from the chosen input device in blocks of ArraySize frames.
//
// Events (Qt signals) always arrive on the thread that owns the object (the UI thread).
// Nothing captured is lost: every block reaches OnEndArrayRecord in order, GetArray hands the
// blocks over first-in first-out, and StopRecord raises OnEndArrayRecord synchronously for
// every block still waiting, the partial last block included, before it returns.
#include "engine/AudioBackend.h"
#include "engine/SampleArray.h"
#include <QObject>
#include <QVariant>
#include <memory>

class TAudioRecord2 : public QObject {
    Q_OBJECT
public:
    // backend: nullptr means systemAudioBackend(), resolved on first use.
    explicit TAudioRecord2(QObject* parent = nullptr, AudioBackend* backend = nullptr);
    ~TAudioRecord2() override;

    // Devices (input devices of the backend). DeviceIndex starts at the system's default.
    int DeviceLastIndex();
    int DeviceIndex();
    void setDeviceIndex(int index);
    QString DeviceName();
    bool DeviceAvailable();

    // Capture format and conversions (frames <-> milliseconds, in the format last set).
    void SetFormat(int SampleRate, int Channels);
    int SampleRate() const;
    int Channels() const;
    int MillisecondsToSamples(int ms) const;
    int SamplesToMilliseconds(int samples) const;

    int ArraySize() const;
    void setArraySize(int frames);
    bool TimerEnabled() const;
    void setTimerEnabled(bool on);
    int TimerInterval() const;          // milliseconds, default 80
    void setTimerInterval(int ms);

    void StartRecord();                 // starts or resumes; sets LastError (0 = running)
    void StopRecord();                  // hands over every captured frame before returning
    int LastError() const;
    QString LastErrorText() const;
    SampleArray GetArray();             // oldest block not yet taken; empty when none
    SampleArray GetCurrentArray(int Count); // the latest Count frames captured
    int CurrentSamples() const;         // frames captured since the last StartRecord
    qint64 OverflowCount() const;       // frames the device reported lost, since StartRecord
    int LevelLeft() const;              // 0..32767, peak of the last timer period
    int LevelRight() const;

    // Record filter, applied to the captured signal before blocks and levels.
    bool NotchFilter() const;
    void setNotchFilter(bool on);
    float NotchFrequency() const;
    void setNotchFrequency(float hz);
    bool HighPassFilter() const;
    void setHighPassFilter(bool on);
    float HighPassFrequency() const;
    void setHighPassFrequency(float hz);
    bool LowPassFilter() const;
    void setLowPassFilter(bool on);
    float LowPassFrequency() const;
    void setLowPassFrequency(float hz);

    // Input mixer lines of the current device; srcIndex selects the line the others address.
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
    bool srcSelectEnabled();
    bool srcSelect();
    void setSrcSelect(bool on);
    int srcAdvancedLastIndex();
    QString srcAdvancedName(int i);
    QVariant srcAdvancedValue(int i);
    void setSrcAdvancedValue(int i, const QVariant& value);

signals:
    void OnEndArrayRecord(int nBlock);
    void OnTimer(int CurrentSamples, int LevelLeft, int LevelRight);
    void OnGainChange(int newVolume);
    // The device stopped delivering (unplugged, server gone). Raised after every frame
    // captured so far has been handed over through OnEndArrayRecord.
    void OnDeviceError(const QString& message);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
