#pragma once
// Where a recording's frames come from. A RecordingSession records from one RecordingInput:
// today a recorder (RecorderInput, over TAudioRecord2); a mix of two recorders is another
// RecordingInput and plugs in the same way. The session's sound gate (start on sound, the
// pre-roll, silence) takes the blocks of whichever input it records from.
//
// Threads: every method is called on the UI thread; tick and lost are emitted there. The
// blocks go to the block receiver on the thread that cuts them, in order, never through the UI
// thread; after stop() returns every captured frame has been handed to it.
#include <QObject>
#include <QString>

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
    // Frames lost at the device since the last start.
    virtual qint64 overflowFrames() const = 0;
    // The periodic tick on or off.
    virtual void setTicking(bool on) = 0;

signals:
    // Periodic, while ticking: the count of currentSamples() and the peak levels 0..32767.
    void tick(int currentSamples, int levelLeft, int levelRight);
    // The device stopped for good (unplugged, server gone); emitted after every frame captured
    // before has gone to the receiver.
    void lost(const QString& message);
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

private:
    TAudioRecord2& recorder_;
};
