#pragma once
// Plays queued blocks on the chosen output device, with a twelve-band equaliser and a volume.
//
// Events (Qt signals) always arrive on the thread that owns the object (the UI thread).
// OnEndArrayPlay is raised each time a queued block has been played; OnRequestOnLoadArray when
// the queue runs low; OnEndPlay once after an empty array was queued (the end of the stream)
// and everything before it has been played.
#include "engine/AudioBackend.h"
#include "engine/SampleArray.h"
#include <QObject>
#include <QVariant>
#include <memory>
#include <vector>

class TAudioPlayer2 : public QObject {
    Q_OBJECT
public:
    explicit TAudioPlayer2(QObject* parent = nullptr, AudioBackend* backend = nullptr);
    ~TAudioPlayer2() override;

    int DeviceLastIndex();
    int DeviceIndex();
    void setDeviceIndex(int index);
    QString DeviceName();
    bool DeviceAvailable();

    void SetFormat(int SampleRate, int Channels);
    int SampleRate() const;
    int Channels() const;
    int MillisecondsToSamples(int ms) const;
    int SamplesToMilliseconds(int samples) const;

    bool TimerEnabled() const;
    void setTimerEnabled(bool on);
    int TimerInterval() const;
    void setTimerInterval(int ms);

    int Volume() const;                 // 0..65535, default 65535
    void setVolume(int value);

    void Play();                        // sets LastError (0 = running)
    void Stop();                        // stops output and drops what is queued
    int LastError() const;
    QString LastErrorText() const;
    void PlayArray(SampleArray& block); // queues a copy of the block; empty = end of stream
    int CurrentSamples() const;         // frames played since the last Play
    SampleArray GetCurrentArray(int Count); // the latest Count frames played
    int LevelLeft() const;
    int LevelRight() const;

    bool EqualizerEnabled() const;
    void setEqualizerEnabled(bool on);
    void SetEqualizer(const std::vector<float>& bands); // twelve gains in dB, band 1 first

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
    bool srcMuteEnabled();
    bool srcMute();
    void setSrcMute(bool on);
    int srcAdvancedLastIndex();
    QString srcAdvancedName(int i);
    QVariant srcAdvancedValue(int i);
    void setSrcAdvancedValue(int i, const QVariant& value);

signals:
    void OnEndArrayPlay();
    void OnTimer(int CurrentSamples, int LevelLeft, int LevelRight);
    void OnRequestOnLoadArray();
    void OnEndPlay();
    void OnDeviceError(const QString& message);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
