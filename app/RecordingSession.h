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
//           Recording/Paused --stop, time limit, disk full, device lost, write failure,
//                              silence, stop time--> Stopped
//           Stopped --record, with a start time or start on sound--> Armed
//           Armed (a clock time) --the time comes--> Armed (sound) or Starting
//           Armed (sound: the input captures into the pre-roll) --sound--> Starting, the
//                              pre-roll first in the file, contiguous with what follows
//           Armed --record--> what the time or the sound would have done, at once
//           Armed --stop, stop time, device lost--> Stopped, without a file
//           Recording --silence, to pause--> Paused (the input goes on, waiting for sound)
//                              --sound--> Recording, into the same file
// The sound and the silence are judged by a SoundGate (app/RecordingTrigger.h) between the
// input and the writer: whatever input the session records from, what reaches the file is a
// run of its frames, each piece of a paused recording a run of its own.
//
// Clock times: a start time (settings TriggerStart) is used once: when it comes, or when the
// record command does not wait for it, it is cleared from the settings; the stop command
// that cancels its waiting clears it too. A stop time (TriggerStop) counts from the start of
// a recording (or the arming on sound); it ends the recording or the waiting once and is
// cleared when what it was set for ends. clockTimesCleared() says when the settings changed.
#include "settings/RecordingSettings.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class BlockWriter;
class QTimer;
class RecordingInput;
class SleepGuard;
class SoundGate;
struct TriggerOptions;
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
        Silence,        // the input stayed below the threshold for the hold time
        ClockTime,      // the stop time came
        Cancelled,      // a waiting ended before anything was recorded (no file)
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
        // What an armed session waits for: "sound", or the clock time of its start
        // ("HH:MM:SS"); empty when it waits for nothing.
        QString waiting;
    };
    using Ask = std::function<bool(const QString& question)>;
    using WallClock = std::function<QDateTime()>;
    static inline const QString WaitingSound = QStringLiteral("sound");

    RecordingSession(RecordingInput& input, TAudioFile2& target, TAudioFile2LameEnc& encoder,
                     TRecordingSettings& settings, QObject* parent = nullptr);
    ~RecordingSession() override;

    void setAsk(Ask ask);
    // The guard that keeps the computer awake (default: one on the process's buses, made at
    // the first recording).
    void setSleepGuard(std::unique_ptr<SleepGuard> guard);
    // The local time the clock times are read on (default: the system's).
    void setWallClock(WallClock clock);

    // ---- commands ---------------------------------------------------------------------------
    // Starts a fresh recording, or resumes a paused one; with a start time or start on sound
    // in the settings, arms instead. Armed, or paused waiting for sound, it does at once what
    // the time or the sound would have done. Nothing while one runs or starts.
    void record();
    void pause();                    // nothing unless recording
    // By the user: ends a recording, or cancels a waiting (the start time cleared with it).
    void stop();
    void toggle();                   // record when stopped, stop when running or armed
    // Ends a waiting without touching the clock times (the program closes; a start time
    // waits for the next run). Nothing unless armed.
    void disarm();
    // The trigger settings changed: the level, hold and pre-roll apply from now on, a changed
    // stop time too; a start time arms a stopped session (and moves or ends the waiting of
    // an armed one).
    void triggerSettingsChanged();
    // The clock has moved on: a start or stop time that has come acts (a timer calls it; the
    // wall clock given above is read).
    void clockTick();
    // Finishes the current piece and starts the next at once (the time limit and the cut of
    // the settings do it by themselves); nothing unless recording.
    void split();
    // The next free target in the save folder, made (the folder with it) as an empty file of
    // the chosen format; raises EngineError when the folder cannot be made.
    QString createTarget();

    // Someone looks at what the ticks show (the levels and the time in a window on the
    // screen): the input ticks at the eye's rate. Unwatched (the window hidden or minimised),
    // it ticks only as often as the recording's own work needs: the time limit and the cut
    // still come at their second, the disk guard looks once a second. Watched until told.
    void setWatched(bool watched);
    bool watched() const { return watched_; }

    // ---- what the session is doing -----------------------------------------------------------
    State state() const { return state_; }
    bool isRecording() const { return state_ == State::Recording || state_ == State::Paused; }
    bool isPaused() const { return state_ == State::Paused; }
    bool isArmed() const { return state_ == State::Armed; }
    QDateTime startsAt() const { return startAt_; }   // armed for a clock time: when
    QDateTime wallClock() const { return clock_(); }
    // What it waits for, as Status::waiting says.
    QString waitingFor() const;
    // The threshold in dBFS when the level decides something (start on sound, silence);
    // otherwise 1 (above every level).
    int watchedLevelDb() const;
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
    // The session waits (armed, or paused for sound) for `what`, as Status::waiting says.
    void waiting(const QString& what);
    void clockTimesCleared();                          // TriggerStart or TriggerStop emptied
    void diskRoom(qint64 secondsLeft, qint64 freeBytes);   // once a second of recording

private:
    void ensureWriter();
    void armForClock(const QTime& start);
    void armForSound();
    void clockCame();
    void startNowOrOnSound(const TriggerOptions& t);
    void soundCame();
    void gateChanged();
    void cancelWaiting(StopReason reason, bool clearTimes);
    void clearClockTimes(bool start, bool stop);
    void scheduleClock();
    void startStopClock(const QDateTime& from);
    void applyGateOptions();
    qint64 stretchFrames(qint64 captured) const;
    QString awakeReason() const;
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
    // Sets the input's tick interval for what is watched and what falls due next, from the
    // recorded time `recordedMs`.
    void paceTicks(qint64 recordedMs);
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
    std::unique_ptr<SoundGate> gate_;
    QTimer* clockTimer_ = nullptr;
    WallClock clock_;

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

    // Waiting and the gate.
    enum class Waiting { Nothing, Clock, Sound };
    Waiting waiting_ = Waiting::Nothing;   // armed: for what; paused for sound: Sound
    QDateTime startAt_;              // armed for the clock: when
    QDateTime stopAt_;               // a stop time in effect: when
    bool targetMade_ = false;        // this recording has a file (an armed one has none yet)
    qint64 seenAtStart_ = 0;         // the gate's count at the last start of the input
    qint64 passedAtStart_ = 0;
    QString awakeReason_;            // what the sleep guard holds for
    bool watched_ = true;
};
