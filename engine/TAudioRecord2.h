#pragma once
// Captures from the chosen input device in blocks of ArraySize frames. Device, format, timer,
// levels and mixer lines: AudioDeviceComponent. OnDeviceError comes after every frame captured
// so far has been handed over through OnEndArrayRecord.
//
// Events (Qt signals) always arrive on the thread that owns the object (the UI thread).
// Nothing captured is lost: every block reaches OnEndArrayRecord in order, GetArray hands the
// blocks over first-in first-out, and StopRecord raises OnEndArrayRecord synchronously for
// every block still waiting, the partial last block included, before it returns.
#include "engine/AudioBackend.h"
#include "engine/AudioDeviceComponent.h"
#include "engine/RecordBlockReceiver.h"
#include "engine/SampleArray.h"
#include <QObject>
#include <memory>

class TAudioRecord2 : public AudioDeviceComponent {
    Q_OBJECT
public:
    // backend: nullptr means systemAudioBackend(), resolved on first use.
    explicit TAudioRecord2(QObject* parent = nullptr, AudioBackend* backend = nullptr);
    ~TAudioRecord2() override;

    int ArraySize() const;
    void setArraySize(int frames);

    void StartRecord();                 // starts or resumes; sets LastError (0 = running)
    void StopRecord();                  // hands over every captured frame before returning
    SampleArray GetArray();             // oldest block not yet taken; empty when none
    int CurrentSamples() const;         // frames captured since the last StartRecord
    qint64 OverflowCount() const;       // frames the device reported lost, since StartRecord
    // Where the device is now, in frames since StartRecord: every frame it delivered or lost,
    // and those it holds back (its stream's latency), moved on by the time since its last
    // delivery. Any thread; two recorders compare theirs
    // to know which of their frames were captured at the same moment.
    qint64 CapturePosition() const;

    // With a receiver every block goes to it as soon as it is cut (the blocks waiting for
    // GetArray first); OnEndArrayRecord still announces each one. nullptr: GetArray again.
    void SetBlockReceiver(RecordBlockReceiver* receiver);

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

    // The capture-select switch of the current input line.
    bool srcSelectEnabled();
    bool srcSelect();
    void setSrcSelect(bool on);

signals:
    void OnEndArrayRecord(int nBlock);
    void OnGainChange(int newVolume);

private:
    struct Impl;
    Impl* d;
};
