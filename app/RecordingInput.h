#pragma once
// Where a recording's frames come from. A RecordingSession records from one RecordingInput:
// a recorder (RecorderInput, over TAudioRecord2), or that recorder with a second one mixed in
// (TwoRecorderInput), which plugs in the same way. The session's sound gate (start on sound, the
// pre-roll, silence) takes the blocks of whichever input it records from.
//
// Threads: every method is called on the UI thread; tick and lost are emitted there. The
// blocks go to the block receiver on the thread that cuts them, in order, never through the UI
// thread; after stop() returns every captured frame has been handed to it.
#include "engine/InputMix.h"

#include <QObject>
#include <QString>
#include <memory>

class RecordBlockReceiver;
class TAudioRecord2;

class RecordingInput : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Takes every block from now on (null: none).
    virtual void setBlockReceiver(RecordBlockReceiver* receiver) = 0;
    // The format from the next start on, in blocks of blockMs milliseconds.
    virtual void setFormat(int sampleRate, int channels, int blockMs) = 0;
    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;
    // Starts (or resumes) capturing; false, with the reason, when it cannot.
    virtual bool start(QString& reason) = 0;
    // Stops capturing; every captured frame has gone to the receiver when it returns.
    virtual void stop() = 0;
    // Frames captured since the last start, as a count that wraps at 2^32 (read unsigned).
    virtual int currentSamples() const = 0;
    // Frames lost at the device since the last start (of every input).
    virtual qint64 overflowFrames() const = 0;
    // Of those, the frames of a second input.
    virtual qint64 secondOverflowFrames() const { return 0; }
    // The periodic tick on or off.
    virtual void setTicking(bool on) = 0;
    // Milliseconds between two ticks (from now on; a running tick restarts with it).
    virtual void setTickInterval(int ms) = 0;

signals:
    // Periodic, while ticking: the count of currentSamples() and the peak levels 0..32767.
    void tick(int currentSamples, int levelLeft, int levelRight);
    // The device stopped for good (unplugged, server gone); emitted after every frame captured
    // before has gone to the receiver.
    void lost(const QString& message);
    // Something the user should know that does not end the recording (a second input lost).
    void notice(const QString& message);
};

// A recorder as the input. forwardEvents: the recorder's OnTimer and OnDeviceError come out as
// tick and lost; false when the owner hands them to the session itself (the main window's
// handlers AudioRecord1Timer and AudioRecord1DeviceError).
class RecorderInput : public RecordingInput {
    Q_OBJECT
public:
    explicit RecorderInput(TAudioRecord2& recorder, bool forwardEvents = true, QObject* parent = nullptr);

    void setBlockReceiver(RecordBlockReceiver* receiver) override;
    void setFormat(int sampleRate, int channels, int blockMs) override;
    int sampleRate() const override;
    int channels() const override;
    bool start(QString& reason) override;
    void stop() override;
    int currentSamples() const override;
    qint64 overflowFrames() const override;
    void setTicking(bool on) override;
    void setTickInterval(int ms) override;

protected:
    TAudioRecord2& recorder_;
};

// Two recorders as one input: the first gives the timeline and the blocks' count; the second,
// when one is chosen, runs on its own clock and is brought onto the first's frames and mixed in
// (engine/InputMix.h: mixed into every channel, or split left and right). Without a second it is
// the first recorder alone, as RecorderInput. A second input that goes away leaves the
// recording running on the first, with silence in its place and one notice; the first lost
// ends it as before (lost). The second recorder's format follows the first's.
class TwoRecorderInput : public RecorderInput {
    Q_OBJECT
public:
    TwoRecorderInput(TAudioRecord2& first, TAudioRecord2& second, bool forwardEvents = true,
                     QObject* parent = nullptr);
    ~TwoRecorderInput() override;

    // From the next start on.
    void setSecondEnabled(bool on);
    bool secondEnabled() const { return secondEnabled_; }
    void setLayout(engine::InputLayout layout);
    engine::InputLayout layout() const { return layout_; }
    // The levels of the recording's channels, 0..32767, from the first input's (its tick) and
    // the second's latest.
    void fileLevels(int& left, int& right) const;
    // The mix of the running (or last) recording; null without a second input.
    const engine::InputMix* mix() const { return mix_.get(); }

    // The first recorder's format, count and rate are the input's (RecorderInput); blocks,
    // starts and losses take the second in.
    void setBlockReceiver(RecordBlockReceiver* receiver) override;
    void setFormat(int sampleRate, int channels, int blockMs) override;
    bool start(QString& reason) override;
    void stop() override;
    qint64 overflowFrames() const override;
    qint64 secondOverflowFrames() const override;
    void setTicking(bool on) override;
    void setTickInterval(int ms) override;

    // The second recorder's device error (connected by the constructor).
    void secondLost(const QString& message);

private:
    class FirstTap;
    class SecondTap;
    void routeBlocks();

    TAudioRecord2& first_;
    TAudioRecord2& second_;
    RecordBlockReceiver* receiver_ = nullptr;
    std::unique_ptr<FirstTap> firstTap_;
    std::unique_ptr<SecondTap> secondTap_;
    std::unique_ptr<engine::InputMix> mix_;
    bool secondEnabled_ = false;
    engine::InputLayout layout_ = engine::InputLayout::Mixed;
    bool withSecond_ = false;     // the last start took a second input
    bool running_ = false;        // started with a second input
    bool secondRunning_ = false;
    bool ticking_ = false;
    int secondLeft_ = 0;
    int secondRight_ = 0;
};
