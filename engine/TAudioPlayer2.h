#pragma once
// Plays queued blocks on the chosen output device, with a twelve-band equaliser and a volume.
// Device, format, timer, levels and mixer lines: AudioDeviceComponent.
//
// Events (Qt signals) always arrive on the thread that owns the object (the UI thread).
// OnEndArrayPlay is raised each time a queued block has been played; OnRequestOnLoadArray when
// the queue runs low; OnEndPlay once after an empty array was queued (the end of the stream)
// and everything before it has been played.
#include "engine/AudioBackend.h"
#include "engine/AudioDeviceComponent.h"
#include "engine/SampleArray.h"
#include <QObject>
#include <memory>
#include <vector>

class TAudioPlayer2 : public AudioDeviceComponent {
    Q_OBJECT
public:
    explicit TAudioPlayer2(QObject* parent = nullptr, AudioBackend* backend = nullptr);
    ~TAudioPlayer2() override;

    int Volume() const;                 // 0..65535, default 65535
    void setVolume(int value);

    void Play();                        // sets LastError (0 = running)
    void Stop();                        // stops output and drops what is queued
    void PlayArray(SampleArray& block); // queues a copy of the block; empty = end of stream
    int CurrentSamples() const;         // frames played since the last Play

    bool EqualizerEnabled() const;
    void setEqualizerEnabled(bool on);
    void SetEqualizer(const std::vector<float>& bands); // twelve gains in dB, band 1 first

    // The mute switch of the current output line.
    bool srcMuteEnabled();
    bool srcMute();
    void setSrcMute(bool on);

signals:
    void OnEndArrayPlay();
    void OnRequestOnLoadArray();
    void OnEndPlay();

private:
    struct Impl;
    Impl* d;
};
