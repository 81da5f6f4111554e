#pragma once
// One recording, from the record command to its finished files, without a window: its state,
// the target of each piece (the next free name of RecordingNames.h in the save folder), the output
// format applied at each fresh start, the capture, the hand-over of the blocks to the writer
// thread, pause and resume, the cut into pieces and the time limit, the disk and sleep guards,
// the stop, and the counting and reporting of what the input lost. The main window shows what
// it reports; a command from elsewhere (another process, a trigger) drives it the same way.
//
// Owns: the state, the block writer (made at the first start, its thread lives as long as the
// session), the frame count unwrapped past 2^32, the overflow count, the pending failure, the
// sleep guard, the spare reader that probes targets. Uses without owning: the input, the file
// component it writes through, the MP3 encoder, and the settings record (SavePath, SaveFormat,
// the formats, TimeLimit, SplitEnabled, SplitLength are read at the moments they count;
// SplitOffset is kept up to date as the pieces go by). Their owner keeps them alive while the
// session lives; the session's destructor touches none of them.
//
// Threads: every public method, every slot and every signal is on the UI thread (the thread
// that owns the session; asserted in debug builds). Signals are emitted synchronously from
// inside the call that causes them, so a receiver sees the session in the state it reports.
// Between the start of a piece and its end the target file belongs to the writer thread and
// nothing else touches it; the input's blocks reach the writer on the thread that cuts them.
//
// Errors never leave the session as exceptions: what cannot be done ends in message(text,
// Error) (and stopped() when something was running). Questions ("Rewrite File?", the disk
// room) go through the ask callback; without one the answer is No.
//
// States:   Stopped --record--> Starting --capture runs--> Recording <--pause/record--> Paused
//           Recording --cut--> Starting (next piece, capture goes on) --> Recording
//           Recording/Paused --stop, time limit, disk full, device lost, write failure--> Stopped
//           Armed: reserved for a recording that waits for a clock time or for sound, its input
//           capturing into a pre-roll; the record command then turns it into Recording with the
//           pre-roll first (see startPiece/startCapture: capture and writing are separate steps).
#include "settings/RecordingSettings.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class BlockWriter;
class RecordingInput;
class SleepGuard;
class TAudioFile2;
class TAudioFile2LameEnc;

// "12.3 MB".
QString MegabytesText(qint64 bytes);

class RecordingSession : public QObject {
    Q_OBJECT
public:
    enum class State { Stopped, Armed, Starting, Recording, Paused };
    enum class StopReason {
        User,           // the stop command (also the window's close)
        TimeLimit,      // the automatic stop
        DiskFull,       // the disk guard, before a write could fail
        DeviceLost,     // the input went away; everything captured before is in the file
        WriteFailed,    // the file refused a block; what was written is kept
        Declined,       // "Rewrite File?" answered No: the file found there is left as it was
        NotStarted,     // the input could not start (reason in the detail); a target made for
                        // the start is removed again, a paused recording is kept
        Failed,         // the target could not be made or opened (the message says why)
    };
    enum class MessageKind { Notice, Error };
    struct Tick {
        qint64 milliseconds = 0;   // recorded time of the whole recording, all pieces
        qint64 pieceFrames = 0;    // frames of the current piece
        int levelLeft = 0;
        int levelRight = 0;
        qint64 lostFrames = 0;     // frames the input lost so far in this recording
        qint64 secondLostFrames = 0;   // of them, the second input's
    };
    struct Status {
        State state = State::Stopped;
        qint64 seconds = 0;        // recorded time, whole seconds
        QString file;              // the current target; empty when stopped
    };
    using Ask = std::function<bool(const QString& question)>;

    RecordingSession(RecordingInput& input, TAudioFile2& target, TAudioFile2LameEnc& encoder,
                     TRecordingSettings& settings, QObject* parent = nullptr);
    ~RecordingSession() override;

    void setAsk(Ask ask);
    // The guard that keeps the computer awake (default: one on the process's buses, made at
    // the first recording).
    void setSleepGuard(std::unique_ptr<SleepGuard> guard);

    // ---- commands ---------------------------------------------------------------------------
    // Starts a fresh recording, or resumes a paused one. Nothing while one runs or starts.
    void record();
    void pause();                    // nothing unless recording
    void stop();                     // by the user; nothing unless recording or paused
    void toggle();                   // record when stopped, stop when recording or paused
    // Finishes the current piece and starts the next at once (the time limit and the cut of
    // the settings do it by themselves); nothing unless recording.
    void split();
    // The next free target in the save folder, made (the folder with it) as an empty file of
    // the chosen format; raises EngineError when the folder cannot be made.
    QString createTarget();

    // ---- what the session is doing -----------------------------------------------------------
    State state() const { return state_; }
    bool isRecording() const { return state_ == State::Recording || state_ == State::Paused; }
    bool isPaused() const { return state_ == State::Paused; }
    Status status() const;
    qint64 recordedMs() const;       // recorded time of the whole recording (0 when stopped)
    QString file() const { return file_; }
    BlockWriter* writer() const { return writer_.get(); }   // null before the first start

    // ---- the input's events (connected to the input; the window may hand them over itself) ---
    void inputTick(int currentSamples, int levelLeft, int levelRight);
    void inputLost(const QString& message);

signals:
    void starting();                                   // a fresh start or the next piece begins
    void targetCreated(const QString& path);           // the empty target exists (events may run)
    void started(const QString& path);                 // capturing into path
    void paused();
    void resumed();
    void pieceFinished(const QString& path, qint64 frames, bool last);   // the file is closed
    void stopped(RecordingSession::StopReason reason, const QString& detail);
    void message(const QString& text, RecordingSession::MessageKind kind);
    void ticked(const RecordingSession::Tick& tick);
    void diskRoom(qint64 secondsLeft, qint64 freeBytes);   // once a second of recording

private:
    void startPiece();
    bool startCapture(QString& reason);
    void resume();
    // Ends the recording: the input stopped, the file finished, pieceFinished and stopped
    // emitted, the overflow and the errors of the steps reported. foundFrames: the length of a
    // target that was never opened for writing (one "Rewrite File?" kept).
    void finish(StopReason reason, const QString& detail = {}, qint64 foundFrames = 0);
    void fail(const QString& text, StopReason reason);
    void finishFailed();
    qint64 releaseFile();
    qint64 unwrap(int currentSamples);
    void abortStart(StopReason reason, const QString& detail, const QString& text);
    QString saveFolderProblem() const;   // why SavePath cannot take a recording; empty if it can
    void guard(bool running);
    bool diskRoomConfirmed();
    bool diskRanOut(qint64 recordedMs);
    QString overflowText(qint64 frames, qint64 secondFrames = 0) const;
    void report(const QString& text, MessageKind kind);

    RecordingInput& input_;
    TAudioFile2& target_;
    TAudioFile2LameEnc& encoder_;
    TRecordingSettings& settings_;
    Ask ask_;
    std::unique_ptr<TAudioFile2> probe_;
    std::unique_ptr<BlockWriter> writer_;
    std::unique_ptr<SleepGuard> sleepGuard_;

    State state_ = State::Stopped;
    QString file_;
    bool targetOpen_ = false;        // target_ has the current piece open
    bool pendingTarget_ = false;     // file_ was made by this start and holds nothing yet
    bool captureRunning_ = false;    // the input has been started and not stopped
    qint64 offset_ = 0;              // frames of this piece recorded before the last resume
    qint64 overflow_ = 0;            // frames lost in earlier stretches of this recording
    qint64 secondOverflow_ = 0;      // of them, the second input's
    qint64 lastMs_ = 0;              // recorded time at the last tick
    quint32 lastCount_ = 0;          // the input's count wraps after 2^32 frames
    qint64 wraps_ = 0;
    qint64 diskCheckedSecond_ = -1;
    bool failed_ = false;            // a failure waits to end the recording and be reported
    QString failure_;
    StopReason failureReason_ = StopReason::WriteFailed;
};
