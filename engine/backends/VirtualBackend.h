#pragma once
// A backend that needs no hardware: virtual input devices that generate a known signal,
// virtual output devices that keep (or discard) what they are given, and a mixer with a few
// in-memory lines per device.
//
// Clock modes:
//  - Manual: nothing moves until advance()/advanceFrames() is called; the device callbacks, the
//    engine components' service work and their OnTimer ticks then run synchronously on the
//    calling thread, so tests are deterministic and a minute of audio takes milliseconds.
//    Events still reach the components' owners as queued events (process them afterwards, or
//    use advanceAndProcess()).
//  - RealTime: a thread per stream delivers audio in chunks of periodMs() (20 ms) at the real
//    rate. The program uses this when there is no real device.
//  - FreeRunning: as fast as the consumer takes it (benchmarks); a capture stream waits for
//    room in the engine's queue, so nothing is lost.
//
// The virtual input's signal position is kept per backend and continues across streams: a
// recording stopped and resumed gets the frames that follow the last one delivered.
#include "engine/AudioBackend.h"
#include "engine/EngineClock.h"
#include <QList>
#include <QPair>
#include <functional>
#include <memory>
#include <vector>

class VirtualBackend : public AudioBackend, public ManualClock {
public:
    enum class ClockMode { Manual, RealTime, FreeRunning };

    // One line of a virtual mixer. Volume 0..65535, balance 0..100. `switchValue` is the
    // mute of an output line or the select of an input line.
    struct MixerLine {
        QString name;
        bool volumeEnabled = true;
        int volume = 49152;
        bool balanceEnabled = true;
        int balance = 50;
        bool switchEnabled = true;
        bool switchValue = false;
        QList<QPair<QString, QVariant>> advanced;   // bool QVariant = switch, int = level
    };

    // One channel of the virtual input's signal.
    struct Signal {
        enum Kind { Silence, Sine, Counter };
        Kind kind = Silence;
        double frequency = 1000.0;  // Hz, for Sine
        double level = 0.5;         // linear peak 0..1, for Sine
    };
    // A signal given as a function of the frame number and the channel (device thread).
    using Generator = std::function<float(qint64 frame, int channel)>;

    // By default: one input and one output device (default index 0), three mixer lines per
    // device, a 1 kHz sine at level 0.5 on every input channel, output kept in Manual mode and
    // discarded otherwise.
    explicit VirtualBackend(ClockMode mode = ClockMode::Manual);
    ~VirtualBackend() override;
    ClockMode clockMode() const { return mode_; }

    // --- devices ---------------------------------------------------------------------------
    // Each of these tells the device watches (DeviceListsChanged).
    void setInputDevices(const QList<AudioDeviceInfo>& devices, int defaultIndex = 0);
    void setOutputDevices(const QList<AudioDeviceInfo>& devices, int defaultIndex = 0);
    void setDeviceAvailable(bool input, int device, bool available);

    // --- mixer -----------------------------------------------------------------------------
    // Gives every device of that side `count` default lines (0 = a mixer without lines).
    void setMixerLineCount(bool input, int count);
    void setMixerLines(bool input, int device, const QList<MixerLine>& lines);
    QList<MixerLine> mixerLines(bool input, int device) const;
    static QList<MixerLine> defaultMixerLines(bool input, int count);

    // --- the input signal ------------------------------------------------------------------
    void setInputSine(double frequency, double level);               // every channel
    void setInputSignal(int channel, const Signal& signal);
    void setInputCounter();                                           // every channel
    void setInputSilence();
    void setInputGenerator(Generator generator);                     // overrides the above
    // The same a chunk at a time (device thread): `frames` interleaved frames of `channels`
    // from frame `first` into `out`; one call per chunk instead of one per sample.
    using BlockGenerator = std::function<void(qint64 first, int frames, int channels, float* out)>;
    void setInputBlockGenerator(BlockGenerator generator);           // overrides the above
    // One input device's own signal, counted from that device's first frame on (and on across
    // its streams); it takes the place of the signal above for that device.
    void setInputDeviceGenerator(int device, BlockGenerator generator);
    // One input device's clock runs `ratio` times its nominal rate (1.001: 0.1 % fast), as two
    // cards do, each on its own crystal.
    void setInputClockRatio(int device, double ratio);
    // Frames the virtual input has delivered so far (over all its streams, plus injected gaps).
    qint64 inputPosition() const;
    // The sample counter signal: frame k carries counterValue(k, channel); exact in float.
    // Channel 0 carries (k mod 2^24) / 2^24, odd channels its negative, the others 0.5 of it.
    static float counterValue(qint64 frame, int channel);
    // The frame number (mod 2^24) carried by a sample of channel 0 of the counter signal.
    static qint64 counterFrame(float channel0Value);

    // --- the output ------------------------------------------------------------------------
    void setKeepOutput(bool keep);
    // The real audio frames rendered so far (interleaved, in the channel count of the stream
    // that rendered them), the silence of underruns left out.
    std::vector<float> output() const;
    int outputChannels() const;
    qint64 outputFrames() const;        // real frames rendered (kept or not)
    qint64 renderedFrames() const;      // all frames the output devices pulled, silence included
    void clearOutput();

    // --- clock -----------------------------------------------------------------------------
    int periodMs() const;
    void setPeriodMs(int ms);           // callback chunk, 1..1000 ms, default 20
    // Manual mode only (ignored otherwise); call on the thread that owns the components.
    void advance(int ms);
    void advanceNs(qint64 ns);
    // Advances until the first running stream (at its rate) has received `frames` more
    // frames; with no stream running, advances frames at 48 kHz.
    void advanceFrames(qint64 frames);
    // Advances `ms` in steps of `stepMs`, letting the queued events run after each step, as a
    // live program would.
    void advanceAndProcess(int ms, int stepMs = 10);
    qint64 nowNs() const;

    // --- faults ----------------------------------------------------------------------------
    // The next openCapture/openPlayback (on either side) throws EngineError with this text.
    void refuseNextOpen(const QString& reason = QStringLiteral("The device is busy"));
    // Every running stream of that side stops for good and reports deviceLost(reason).
    void loseDevice(bool input, const QString& reason = QStringLiteral("The device was unplugged"));
    // The same for the streams of one input device.
    void loseInputDevice(int device, const QString& reason = QStringLiteral("The device was unplugged"));
    // The next delivery of every running capture stream first reports a drop of `frames`
    // frames, which the signal skips (the counter shows the gap).
    void injectOverflow(int frames);
    int openStreamCount() const;        // capture and playback streams open now

    // --- AudioBackend ----------------------------------------------------------------------
    QString name() const override;
    QList<AudioDeviceInfo> inputDevices() override;
    QList<AudioDeviceInfo> outputDevices() override;
    int defaultInputDevice() override;
    int defaultOutputDevice() override;
    std::unique_ptr<AudioStream> openCapture(int device, int sampleRate, int channels,
                                             CaptureSink* sink) override;
    std::unique_ptr<AudioStream> openPlayback(int device, int sampleRate, int channels,
                                              PlaybackSource* source) override;
    std::unique_ptr<AudioMixer> openMixer(int device, bool input) override;
    std::shared_ptr<void> watchDevices(std::function<void(int)> notify) override;

    // --- ManualClock -----------------------------------------------------------------------
    bool isManualClock() const override { return mode_ == ClockMode::Manual; }
    qint64 clockNowNs() const override { return nowNs(); }
    void addClockClient(Client* client) override;
    void removeClockClient(Client* client) override;

    struct State;
    class Stream;

private:
    void loseStreams(bool input, int device, const QString& reason);

    ClockMode mode_;
    std::shared_ptr<State> s_;
};
