// The steps of a recording: start, pause, resume, the cut into pieces, the time limit, the stop,
// the failures that end it, and the waiting for a clock time or for sound. The guards (disk
// room, sleep) and the targets are in app/RecordingGuards.cpp.
#include "app/RecordingSession.h"

#include "app/RecordingInput.h"
#include "app/RecordingTrigger.h"
#include "engine/BlockWriter.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioFile2LameEnc.h"
#include "platform/SleepGuard.h"
#include "platform/ThreadRules.h"
#include "settings/AutoStop.h"
#include "settings/OutputFormats.h"
#include "settings/TriggerSettings.h"

#include <QFile>
#include <QTimer>
#include <algorithm>
#include <exception>

namespace {

// A target holding this many frames or more is not overwritten without asking.
constexpr int kRewriteQuestionFrames = 8820;
// The recorder cuts its blocks every 200 ms.
constexpr int kBlockMs = 200;
// A clock time is looked at again at least this often (the wall clock may be set meanwhile).
constexpr qint64 kClockLookMs = 60 * 1000;
// The input's tick while watched: the meters and the time at the eye's rate.
constexpr int kWatchedTickMs = 80;
// Unwatched: twice a second, so that a time shown elsewhere (the tray's tool tip) still counts
// every second; a time limit or cut due sooner brings the tick forward, to no sooner than this.
constexpr int kUnwatchedTickMs = 500;
constexpr int kSoonestTickMs = 10;

SoundGate::Options gateOptions(const TRecordingSettings& settings, int rate)
{
    const TriggerOptions t = TriggerOptionsOf(settings);
    SoundGate::Options o;
    o.threshold = ThresholdOf(t.levelDb);
    o.prerollFrames = t.prerollSeconds * rate;
    o.holdFrames = t.silenceSeconds * rate;
    o.pauseOnSilence = t.pauseOnSilence;
    return o;
}

// Runs the steps of a sequence that must all happen; the first error is kept for the end.
class StepRunner {
public:
    template <typename F>
    void operator()(F&& step)
    {
        try {
            step();
        } catch (const std::exception& e) {
            if (first_.isEmpty())
                first_ = QString::fromUtf8(e.what());
        }
    }
    const QString& firstError() const { return first_; }

private:
    QString first_;
};

} // namespace

RecordingSession::RecordingSession(RecordingInput& input, TAudioFile2& target, TAudioFile2LameEnc& encoder,
                                   TRecordingSettings& settings, QObject* parent)
    : QObject(parent), input_(input), target_(target), encoder_(encoder), settings_(settings),
      probe_(std::make_unique<TAudioFile2>()), gate_(std::make_unique<SoundGate>()),
      clockTimer_(new QTimer(this)), clock_([] { return QDateTime::currentDateTime(); })
{
    connect(&input_, &RecordingInput::tick, this,
            [this](int samples, int left, int right) { inputTick(samples, left, right); });
    connect(&input_, &RecordingInput::lost, this, [this](const QString& text) { inputLost(text); });
    connect(gate_.get(), &SoundGate::changed, this, [this] { gateChanged(); });
    clockTimer_->setSingleShot(true);
    clockTimer_->setTimerType(Qt::PreciseTimer);
    connect(clockTimer_, &QTimer::timeout, this, [this] { clockTick(); });
    connect(&input_, &RecordingInput::notice, this, [this](const QString& text) {
        if (isRecording())
            report(text, MessageKind::Notice);
    });
}

RecordingSession::~RecordingSession() = default;

void RecordingSession::setAsk(Ask ask)
{
    ask_ = std::move(ask);
}

void RecordingSession::setSleepGuard(std::unique_ptr<SleepGuard> guard)
{
    sleepGuard_ = std::move(guard);
}

void RecordingSession::setWatched(bool watched)
{
    assertUiThread();
    if (watched == watched_)
        return;
    watched_ = watched;
    paceTicks(recordedMs());
}

void RecordingSession::paceTicks(qint64 recordedMs)
{
    qint64 ms = watched_ ? kWatchedTickMs : kUnwatchedTickMs;
    if (!watched_ && state_ == State::Recording) {
        // The time limit and the cut fall due at a whole second of recorded time: the tick that
        // acts on them comes then, as it would while watched.
        qint64 due = -1;
        if (settings_.TimeLimit > 0)
            due = qint64(settings_.TimeLimit) * 1000;
        if (SplitActive(settings_)) {
            const qint64 cut = (qint64(settings_.SplitOffset) + settings_.SplitLength) * 1000;
            due = due < 0 ? cut : std::min(due, cut);
        }
        if (due > recordedMs)
            ms = std::clamp<qint64>(due - recordedMs, kSoonestTickMs, ms);
    }
    input_.setTickInterval(int(ms));
}

void RecordingSession::setWallClock(WallClock clock)
{
    clock_ = std::move(clock);
    scheduleClock();
}

RecordingSession::Status RecordingSession::status() const
{
    Status s;
    s.state = state_;
    s.seconds = recordedMs() / 1000;
    if (state_ != State::Stopped)
        s.file = file_;
    s.waiting = waitingFor();
    return s;
}

QString RecordingSession::waitingFor() const
{
    if (state_ == State::Armed && waiting_ == Waiting::Clock)
        return ClockTimeText(startAt_.time());
    if ((state_ == State::Armed || state_ == State::Paused) && waiting_ == Waiting::Sound)
        return WaitingSound;
    return {};
}

qint64 RecordingSession::recordedMs() const
{
    qint64 frames = offset_;
    if (state_ == State::Recording || (state_ == State::Paused && waiting_ == Waiting::Sound)) {
        const auto count = static_cast<quint32>(input_.currentSamples());
        frames += stretchFrames(wraps_ + count + (count < lastCount_ ? qint64(1) << 32 : 0));
    } else if (state_ != State::Paused) {
        return lastMs_;
    }
    const int rate = input_.sampleRate();
    return (rate > 0 ? frames * 1000 / rate : 0) + qint64(settings_.SplitOffset) * 1000;
}

// Frames of the stretch since the input last started that are in the file or on their way
// there, from `captured`, the input's count since then: the gate's count tells what it held
// back (waiting for sound, after the silence) and what it gave on.
qint64 RecordingSession::stretchFrames(qint64 captured) const
{
    const SoundGate::Count c = gate_->count();
    const qint64 passed = c.passed - passedAtStart_;
    const qint64 withheld = (c.seen - seenAtStart_) - passed;
    if (withheld == 0 && gate_->mode() == SoundGate::Mode::Pass)
        return captured;   // everything went on, and what was captured since goes on too
    if (gate_->mode() != SoundGate::Mode::Pass)
        return passed;
    return std::max(passed, captured - withheld);
}

// ---- commands -------------------------------------------------------------------------------

void RecordingSession::record()
{
    assertUiThread();
    if (state_ == State::Armed) {
        // The command does not wait: what the time or the sound would do happens now.
        if (waiting_ == Waiting::Clock) {
            clockCame();
        } else {
            gate_->open();
            soundCame();
        }
        return;
    }
    if (state_ == State::Recording || state_ == State::Starting)
        return;
    if (failed_)
        finishFailed();
    if (state_ == State::Paused) {
        if (waiting_ == Waiting::Sound && captureRunning_) {
            gate_->open();
            gateChanged();
        } else {
            resume();
        }
        return;
    }
    // A folder that cannot take the recording says why at once; a new recording asks first
    // when the disk is nearly full, and No leaves everything as it was.
    const QString problem = saveFolderProblem();
    if (!problem.isEmpty()) {
        emit stopped(StopReason::Failed, problem);   // the command ended before it began
        report(problem, MessageKind::Error);
        return;
    }
    if (!diskRoomConfirmed())
        return;
    overflow_ = 0;
    secondOverflow_ = 0;
    const TriggerOptions t = TriggerOptionsOf(settings_);
    if (t.start.isValid())
        armForClock(t.start);
    else
        startNowOrOnSound(t);
}

void RecordingSession::pause()
{
    assertUiThread();
    if (state_ != State::Recording)
        return;
    // Every captured frame goes to the writer before the input stops; its count then says how
    // far the recording has come, so a resume goes on from there.
    input_.stop();
    captureRunning_ = false;
    offset_ += stretchFrames(unwrap(input_.currentSamples()));
    overflow_ += input_.overflowFrames();
    secondOverflow_ += input_.secondOverflowFrames();
    state_ = State::Paused;
    input_.setTicking(false);
    emit paused();
}

void RecordingSession::stop()
{
    assertUiThread();
    if (state_ == State::Armed)
        cancelWaiting(StopReason::Cancelled, true);
    else if (isRecording())
        finish(StopReason::User);
}

void RecordingSession::disarm()
{
    assertUiThread();
    if (state_ == State::Armed)
        cancelWaiting(StopReason::Cancelled, false);
}

void RecordingSession::toggle()
{
    assertUiThread();
    if (state_ == State::Stopped)
        record();
    else
        stop();
}

void RecordingSession::split()
{
    assertUiThread();
    if (state_ != State::Recording)
        return;
    // The input goes on capturing: the piece gets every block cut so far, the next piece starts
    // with the frames that follow, so nothing is lost or doubled at the cut.
    const qint64 pieceFrames = releaseFile();
    qint64 length = 0;
    if (!failed_) {
        length = target_.Length();
        try {
            target_.Close();
        } catch (const std::exception& e) {
            fail(QStringLiteral("Recording stopped: ") + QString::fromUtf8(e.what()), StopReason::WriteFailed);
        }
        targetOpen_ = false;
    }
    if (failed_) {   // the piece could not be written: the recording ends with it
        finishFailed();
        return;
    }
    emit pieceFinished(file_, length, false);
    settings_.SplitOffset += settings_.SplitLength;
    // The time goes on with the total: the frames of the finished piece now count through
    // SplitOffset.
    offset_ -= pieceFrames;
    startPiece();
}

// ---- the steps ------------------------------------------------------------------------------

void RecordingSession::ensureWriter()
{
    if (writer_)
        return;
    // Made at the first recording; the input hands its blocks through the gate to it from
    // then on.
    writer_ = std::make_unique<BlockWriter>();
    connect(writer_.get(), &BlockWriter::OnWriteError, this, [this](const QString& text) {
        fail(QStringLiteral("Recording stopped: ") + text, StopReason::WriteFailed);
    });
    gate_->setReceiver(writer_.get());
    input_.setBlockReceiver(gate_.get());
}

void RecordingSession::startPiece()
{
    ensureWriter();
    state_ = State::Starting;
    paceTicks(recordedMs());
    input_.setTicking(true);
    emit starting();
    try {
        ApplyOutputFormatTo(*probe_, target_, encoder_, settings_);
        file_ = createTarget();
        targetMade_ = true;
        pendingTarget_ = true;   // made here, nothing in it yet
        emit targetCreated(file_);   // its receivers may let pending events run

        // Something else may have filled the target meanwhile: not overwritten without asking.
        probe_->Open(file_, 0, 1);
        const int found = probe_->Length();
        probe_->Close();
        if (found >= kRewriteQuestionFrames && !(ask_ && ask_(QStringLiteral("Rewrite File?")))) {
            pendingTarget_ = false;   // not ours: left as it was
            finish(StopReason::Declined, {}, found);
            return;
        }

        target_.CreateNew(file_, 0);
        targetOpen_ = true;
        const int rate = target_.SampleRate();
        const int channels = target_.Channels();
        writer_->setFile(&target_);
        guard(true);
        if (captureRunning_ && input_.sampleRate() == rate && input_.channels() == channels) {
            // The next piece of a cut recording, or the sound an armed input waited for: the
            // input never stopped, and what it captured since the cut (or the pre-roll and the
            // sound) goes into this file with the next block.
            pendingTarget_ = false;
            state_ = State::Recording;
            emit started(file_);
            // The gate may have closed on silence while the file was made (its word came
            // while this piece was starting).
            if (gate_->mode() != SoundGate::Mode::Pass)
                gateChanged();
            return;
        }
        if (captureRunning_) {
            input_.stop();
            captureRunning_ = false;
        }
        input_.setFormat(rate, channels, kBlockMs);
        gate_->configure(gateOptions(settings_, rate), channels);
        gate_->setMode(SoundGate::Mode::Pass);
        QString reason;
        if (!startCapture(reason)) {
            abortStart(StopReason::NotStarted, reason, QStringLiteral("Recording could not start: ") + reason);
            return;
        }
        pendingTarget_ = false;
        state_ = State::Recording;
        emit started(file_);
    } catch (const std::exception& e) {
        const QString error = QString::fromUtf8(e.what());
        abortStart(StopReason::Failed, error, error);
    }
}

bool RecordingSession::startCapture(QString& reason)
{
    const SoundGate::Count c = gate_->count();
    seenAtStart_ = c.seen;
    passedAtStart_ = c.passed;
    const bool running = input_.start(reason);
    lastCount_ = 0;
    wraps_ = 0;
    captureRunning_ = running;
    return running;
}

void RecordingSession::resume()
{
    gate_->setMode(SoundGate::Mode::Pass);
    paceTicks(recordedMs());
    input_.setTicking(true);
    QString reason;
    if (!startCapture(reason)) {
        // What was recorded before the pause is kept.
        finish(StopReason::NotStarted, reason);
        report(QStringLiteral("Recording stopped: the input could not start again (") + reason + QStringLiteral(")"),
               MessageKind::Error);
        return;
    }
    state_ = State::Recording;
    emit resumed();
}

void RecordingSession::finish(StopReason reason, const QString& detail, qint64 foundFrames)
{
    StepRunner step;
    const bool wasCapturing = captureRunning_;
    step([&] { input_.stop(); });
    captureRunning_ = false;
    step([&] { releaseFile(); });
    if (writer_)
        writer_->discard();   // blocks of a capture that had no file to go to
    if (wasCapturing) {
        overflow_ += input_.overflowFrames();
        secondOverflow_ += input_.secondOverflowFrames();
    }
    qint64 length = foundFrames;
    if (targetOpen_) {
        length = target_.Length();
        step([&] { target_.Close(); });
        targetOpen_ = false;
    }
    const QString path = file_;
    const bool made = targetMade_;
    const bool stopTimeUsed = stopAt_.isValid();
    state_ = State::Stopped;
    targetMade_ = false;
    waiting_ = Waiting::Nothing;
    startAt_ = {};
    stopAt_ = {};
    clockTimer_->stop();
    gate_->setMode(SoundGate::Mode::Pass);
    guard(false);
    settings_.SplitOffset = 0;
    offset_ = 0;
    lastMs_ = 0;

    if (made)   // an armed session that never heard its sound made no file
        emit pieceFinished(path, length, true);
    emit stopped(reason, detail);
    if (stopTimeUsed)
        clearClockTimes(false, true);

    const qint64 lost = overflow_;
    const qint64 secondLost = secondOverflow_;
    overflow_ = 0;
    secondOverflow_ = 0;
    if (lost > 0) {
        const QString note = overflowText(lost, secondLost);
        if (failed_)
            failure_ += QStringLiteral("\n") + note;   // one message says it all
        else
            report(note, MessageKind::Notice);
    }
    // Errors of the steps of a recording that already failed are part of that failure.
    if (!step.firstError().isEmpty() && !failed_)
        report(step.firstError(), MessageKind::Error);
    // A start time set while this recording ran is waited for now.
    if (!failed_)
        triggerSettingsChanged();
}

void RecordingSession::abortStart(StopReason reason, const QString& detail, const QString& text)
{
    // The start ends here (no target, a folder that cannot be made, a file that cannot be
    // created, an input that does not start): nothing of it is left running, and a target made
    // for it, still empty, goes again.
    guard(false);
    StepRunner step;
    step([&] { input_.setTicking(false); });
    step([&] { input_.stop(); });   // blocks arriving now are not written
    captureRunning_ = false;
    if (writer_) {
        writer_->discard();
        writer_->release();
    }
    if (targetOpen_) {
        step([&] { target_.Close(); });
        targetOpen_ = false;
    }
    if (pendingTarget_) {
        QFile::remove(file_);
        pendingTarget_ = false;
    }
    state_ = State::Stopped;
    targetMade_ = false;
    waiting_ = Waiting::Nothing;
    const bool stopTimeUsed = stopAt_.isValid();
    stopAt_ = {};
    clockTimer_->stop();
    gate_->setMode(SoundGate::Mode::Pass);
    settings_.SplitOffset = 0;
    offset_ = 0;
    lastMs_ = 0;
    emit stopped(reason, detail);
    if (stopTimeUsed)
        clearClockTimes(false, true);
    report(text, MessageKind::Error);
}

qint64 RecordingSession::releaseFile()
{
    if (!writer_)
        return 0;
    const qint64 frames = writer_->release();
    if (!writer_->error().isEmpty())
        fail(QStringLiteral("Recording stopped: ") + writer_->error(), StopReason::WriteFailed);
    return frames;
}

void RecordingSession::fail(const QString& text, StopReason reason)
{
    if (failed_)
        return;   // one message per recording
    failed_ = true;
    failure_ = text;
    failureReason_ = reason;
    QTimer::singleShot(0, this, [this] { finishFailed(); });
}

void RecordingSession::finishFailed()
{
    if (!failed_)
        return;
    if (state_ == State::Armed && !captureRunning_)
        cancelWaiting(StopReason::Cancelled, false);
    else if (state_ != State::Stopped)
        finish(failureReason_);
    const QString text = failure_;
    failed_ = false;
    failure_.clear();
    report(text, MessageKind::Error);
}

void RecordingSession::report(const QString& text, MessageKind kind)
{
    emit message(text, kind);
}

QString RecordingSession::overflowText(qint64 frames, qint64 secondFrames) const
{
    const int rate = input_.sampleRate() > 0 ? input_.sampleRate() : 1;
    const qint64 ms = frames * 1000 / rate;
    QString text = QStringLiteral("The input overflowed during the recording: %1 frames (%2 ms) of sound were lost")
                       .arg(frames)
                       .arg(ms);
    if (secondFrames > 0)
        text += QStringLiteral(" (the first input %1, the second input %2)").arg(frames - secondFrames).arg(secondFrames);
    return text + QStringLiteral(".");
}

qint64 RecordingSession::unwrap(int currentSamples)
{
    const auto count = static_cast<quint32>(currentSamples);
    if (count < lastCount_)
        wraps_ += qint64(1) << 32;
    lastCount_ = count;
    return wraps_ + count;
}

// ---- the input's events -----------------------------------------------------------------------

void RecordingSession::inputTick(int currentSamples, int levelLeft, int levelRight)
{
    assertUiThread();
    if (captureRunning_ && waiting_ == Waiting::Sound) {
        // Armed, or paused for sound: the meters run, the time stands.
        unwrap(currentSamples);   // the input may run for days
        if (failed_) {
            finishFailed();
            return;
        }
        Tick tick;
        if (state_ != State::Armed) {
            tick.milliseconds = recordedMs();
            tick.pieceFrames = offset_ + stretchFrames(wraps_ + lastCount_);
            lastMs_ = tick.milliseconds;
        }
        tick.levelLeft = levelLeft;
        tick.levelRight = levelRight;
        tick.lostFrames = overflow_ + input_.overflowFrames();
        emit ticked(tick);
        paceTicks(lastMs_);
        return;
    }
    if (state_ != State::Recording)
        return;   // a late tick of an input that is stopped, paused or about to restart
    if (failed_) {
        finishFailed();
        return;
    }
    // Counted in 64 bits: the input runs on across the pieces of a cut recording, and its
    // 32-bit count would wrap on a recording of some days.
    const qint64 frames = stretchFrames(unwrap(currentSamples)) + offset_;
    const int rate = input_.sampleRate();
    Tick tick;
    tick.milliseconds = (rate > 0 ? frames * 1000 / rate : 0) + qint64(settings_.SplitOffset) * 1000;
    tick.pieceFrames = frames;
    tick.levelLeft = levelLeft;
    tick.levelRight = levelRight;
    tick.lostFrames = overflow_ + input_.overflowFrames();
    tick.secondLostFrames = secondOverflow_ + input_.secondOverflowFrames();
    lastMs_ = tick.milliseconds;
    emit ticked(tick);

    if (diskRanOut(tick.milliseconds))   // stopped before a write can fail
        return;
    // The automatic stop counts the whole recording, the cut the current piece; both on the
    // whole seconds a time display shows.
    const int elapsed = ElapsedSeconds(tick.milliseconds);
    if (LimitReached(elapsed, settings_))
        finish(StopReason::TimeLimit);
    else if (SplitDue(elapsed, settings_))
        split();
    if (state_ == State::Recording)
        paceTicks(lastMs_);
}

void RecordingSession::inputLost(const QString& text)
{
    assertUiThread();
    if (state_ == State::Stopped || (state_ == State::Armed && !captureRunning_))
        return;
    fail(QStringLiteral("Recording stopped: the input device was lost (") + text + QStringLiteral(")"),
         StopReason::DeviceLost);
}

// ---- waiting for a clock time or for sound ----------------------------------------------------

void RecordingSession::armForClock(const QTime& start)
{
    file_.clear();
    offset_ = 0;
    lastMs_ = 0;
    state_ = State::Armed;
    waiting_ = Waiting::Clock;
    startAt_ = NextClockTime(start, clock_());
    stopAt_ = {};
    guard(true);
    scheduleClock();
    emit waiting(waitingFor());
}

void RecordingSession::armForSound()
{
    ensureWriter();
    file_.clear();
    offset_ = 0;
    lastMs_ = 0;
    int rate = 0;
    int channels = 0;
    try {
        // The input captures in the format the file will have: the pre-roll goes in as it is.
        ApplyOutputFormatTo(*probe_, target_, encoder_, settings_);
        rate = target_.SampleRate();
        channels = target_.Channels();
        input_.setFormat(rate, channels, kBlockMs);
    } catch (const std::exception& e) {
        const QString error = QString::fromUtf8(e.what());
        abortStart(StopReason::Failed, error, error);
        return;
    }
    gate_->configure(gateOptions(settings_, rate), channels);
    gate_->setMode(SoundGate::Mode::Wait);
    state_ = State::Armed;
    waiting_ = Waiting::Sound;
    paceTicks(recordedMs());
    input_.setTicking(true);
    guard(true);
    emit waiting(waitingFor());
    QString reason;
    if (!startCapture(reason)) {
        abortStart(StopReason::NotStarted, reason, QStringLiteral("Recording could not start: ") + reason);
        return;
    }
    scheduleClock();
}

void RecordingSession::clockCame()
{
    waiting_ = Waiting::Nothing;
    startAt_ = {};
    clearClockTimes(true, false);   // a start time is used once
    startNowOrOnSound(TriggerOptionsOf(settings_));
}

void RecordingSession::startNowOrOnSound(const TriggerOptions& t)
{
    startStopClock(clock_());   // a stop time counts from here
    if (t.sound)
        armForSound();
    else
        startPiece();
    scheduleClock();
}

void RecordingSession::soundCame()
{
    waiting_ = Waiting::Nothing;
    startPiece();   // the input goes on; the gate has given the pre-roll and the sound on
}

void RecordingSession::gateChanged()
{
    if (state_ == State::Armed && waiting_ == Waiting::Sound) {
        if (gate_->mode() != SoundGate::Mode::Wait)
            soundCame();   // which looks at the gate again once the file is there
        return;
    }
    const SoundGate::Mode mode = gate_->mode();
    if (!captureRunning_ && state_ != State::Paused)
        return;   // a late word of a gate whose input has stopped
    if (isRecording() && mode == SoundGate::Mode::Closed) {
        finish(StopReason::Silence);
    } else if (state_ == State::Recording && mode == SoundGate::Mode::Wait) {
        // Paused until sound returns: the input goes on into the pre-roll.
        state_ = State::Paused;
        waiting_ = Waiting::Sound;
        emit paused();
        emit waiting(waitingFor());
    } else if (state_ == State::Paused && waiting_ == Waiting::Sound && mode == SoundGate::Mode::Pass) {
        state_ = State::Recording;
        waiting_ = Waiting::Nothing;
        emit resumed();
    }
}

void RecordingSession::cancelWaiting(StopReason reason, bool clearStart)
{
    StepRunner step;
    step([&] { input_.setTicking(false); });
    step([&] { input_.stop(); });
    captureRunning_ = false;
    if (writer_)
        writer_->discard();   // a pre-roll given on at the last moment has no file to go to
    gate_->setMode(SoundGate::Mode::Pass);
    const bool stopTimeUsed = stopAt_.isValid();
    state_ = State::Stopped;
    waiting_ = Waiting::Nothing;
    startAt_ = {};
    stopAt_ = {};
    clockTimer_->stop();
    guard(false);
    overflow_ = 0;   // nothing was recorded: nothing of it was lost
    offset_ = 0;
    lastMs_ = 0;
    emit stopped(reason, {});
    if (clearStart || stopTimeUsed)
        clearClockTimes(clearStart, clearStart || stopTimeUsed);
    if (!step.firstError().isEmpty())
        report(step.firstError(), MessageKind::Error);
}

void RecordingSession::clearClockTimes(bool start, bool stop)
{
    bool changed = false;
    if (start && !settings_.TriggerStart.isEmpty()) {
        settings_.TriggerStart.clear();
        changed = true;
    }
    if (stop && !settings_.TriggerStop.isEmpty()) {
        settings_.TriggerStop.clear();
        changed = true;
    }
    if (changed)
        emit clockTimesCleared();
}

void RecordingSession::triggerSettingsChanged()
{
    assertUiThread();
    const TriggerOptions t = TriggerOptionsOf(settings_);
    if (captureRunning_)
        gate_->configure(gateOptions(settings_, input_.sampleRate()), input_.channels());
    switch (state_) {
    case State::Stopped:
        if (t.start.isValid())
            armForClock(t.start);
        return;
    case State::Armed:
        if (waiting_ == Waiting::Clock) {
            if (!t.start.isValid()) {
                cancelWaiting(StopReason::Cancelled, false);
                return;
            }
            if (t.start != startAt_.time()) {
                startAt_ = NextClockTime(t.start, clock_());
                guard(true);
                emit waiting(waitingFor());
            }
        } else if (!t.sound) {
            cancelWaiting(StopReason::Cancelled, false);
            return;
        } else {
            startStopClock(clock_());
        }
        break;
    case State::Starting:
    case State::Recording:
    case State::Paused:
        startStopClock(clock_());
        break;
    }
    scheduleClock();
}

void RecordingSession::clockTick()
{
    assertUiThread();
    const QDateTime now = clock_();
    if (state_ == State::Armed && waiting_ == Waiting::Clock) {
        if (startAt_.isValid() && now >= startAt_)
            clockCame();
    } else if (state_ != State::Stopped && stopAt_.isValid() && now >= stopAt_) {
        if (state_ == State::Armed)
            cancelWaiting(StopReason::Cancelled, false);
        else
            finish(StopReason::ClockTime);
    }
    scheduleClock();
}

void RecordingSession::startStopClock(const QDateTime& from)
{
    const TriggerOptions t = TriggerOptionsOf(settings_);
    stopAt_ = t.stop.isValid() ? NextClockTime(t.stop, from) : QDateTime();
}

void RecordingSession::scheduleClock()
{
    QDateTime due;
    if (state_ == State::Armed && waiting_ == Waiting::Clock)
        due = startAt_;
    else if (state_ != State::Stopped)
        due = stopAt_;
    if (!due.isValid()) {
        clockTimer_->stop();
        return;
    }
    const qint64 ms = std::clamp<qint64>(clock_().msecsTo(due), 0, kClockLookMs);
    clockTimer_->start(int(ms));
}
