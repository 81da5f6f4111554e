// Record / play / pause / stop: the two transport machines of the main window, the engine
// events that drive them, the periodic ticks, and seeking with the position slider.
//
// The player and the recorder are independent: a playback may run while a recording runs.
// Each keeps its own position offset. While a recording runs (also paused) it owns the time
// display, the meters, the picture, the state word in panel 0 and the look of the transport
// panel; the playback then moves only the position slider. AudioFile1 belongs to the playback
// while one runs, so loading a file then uses a spare reader (ReaderFile).
//
// The recording itself is the session's (app/RecordingSession.h): the record, pause and stop
// handlers hand it the command, the recorder's events go to it, and what it reports (a start,
// a pause, a finished piece, a stop, a tick, a message) is shown by the Session* handlers.
// While the window cannot be seen the ticks are not drawn; it shows the latest at once when it
// is seen again.
#include "app/Unit1.h"
#include "app/RecordingSession.h"
#include "app/WindowSight.h"
#include "engine/EngineError.h"
#include "engine/EngineSupport.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "engine/controls/TAudioVisualization2.h"
#include "engine/controls/TNCTAmpBar2.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "engine/controls/TNCTSliderB2.h"
#include "engine/controls/TNCTTimeDisplay2.h"
#include "platform/MulDiv.h"
#include "platform/ThreadRules.h"
#include "platform/ui/Guarded.h"
#include "platform/ui/MessageBoxes.h"
#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolButton>
#include <algorithm>
#include <limits>

namespace {

// The state words of panel 0: English in the program's own languages (a translation into
// another language may give its own).
const char* const kRecording = QT_TRANSLATE_NOOP("TForm1", "Recording...");
const char* const kPlaying = QT_TRANSLATE_NOOP("TForm1", "Playing...");
const char* const kPause = QT_TRANSLATE_NOOP("TForm1", "Pause");
const char* const kStop = QT_TRANSLATE_NOOP("TForm1", "Stop");
const char* const kWaiting = QT_TRANSLATE_NOOP("TForm1", "Waiting...");

} // namespace

// ---- helpers ------------------------------------------------------------------------------

TAudioFile2& TForm1::ReaderFile()
{
    if (!IsPlaying)
        return *AudioFile1;
    if (!probeFile_)
        probeFile_ = std::make_unique<TAudioFile2>();
    probeFile_->setActive(true);
    return *probeFile_;
}

QString TForm1::TransportWord() const
{
    if (waitingShown_ || soundPauseShown_)
        return tr(kWaiting);
    if (IsRecording)
        return tr(RecordPaused ? kPause : kRecording);
    if (IsPlaying)
        return tr(PlayPaused ? kPause : kPlaying);
    return tr(kStop);
}

void TForm1::ResetTransportDisplay()
{
    NCTAmpBar1->setValue(0);
    NCTAmpBar2->setValue(0);
    NCTSliderB1->setValue(0);
    NCTPlayButtonB1->SetStateStop();
    setStatusText(0, tr(kStop));
    NCTTimeDisplay1->setMilliseconds(0);
    NCTTimeDisplay1->setSeconds(0);
    NCTTimeDisplay1->setMinutes(0);
    NCTTimeDisplay1->setHours(0);
    AudioVisualization1->ShowArray(SampleArray());
    PositionOffset = 0;
}

// ---- recording: the session does it, the window shows what it reports ----------------------

void TForm1::StartRecording()
{
    assertUiThread();
    AwaitDevices();
    Session->record();
}

void TForm1::PauseRecording()
{
    assertUiThread();
    Session->pause();
}

void TForm1::StopRecording()
{
    assertUiThread();
    Session->stop();
}

void TForm1::SplitRecording()
{
    assertUiThread();
    Session->split();
}

void TForm1::ConnectSession()
{
    using S = RecordingSession;
    Session->setAsk([](const QString& question) { return AskConfirm(question); });
    // Each report is shown as a handler of its own: what the window cannot show is reported
    // and never reaches back into the session.
    connect(Session.get(), &S::starting, this, guarded([this] { SessionStarting(); }));
    connect(Session.get(), &S::targetCreated, this, guarded([this](const QString& path) { SessionTargetCreated(path); }));
    connect(Session.get(), &S::started, this, guarded([this](const QString& path) { SessionStarted(path); }));
    connect(Session.get(), &S::paused, this, guarded([this] { SessionPaused(); }));
    connect(Session.get(), &S::resumed, this, guarded([this] { SessionResumed(); }));
    connect(Session.get(), &S::pieceFinished, this, guarded([this](const QString& path, qint64 frames, bool last) {
                SessionPieceFinished(path, frames, last);
            }));
    connect(Session.get(), &S::stopped, this,
            guarded([this](S::StopReason reason, const QString& detail) { SessionStopped(reason, detail); }));
    connect(Session.get(), &S::message, this, guarded([](const QString& text, S::MessageKind kind) {
                if (kind == S::MessageKind::Error)
                    ShowErrorReport(text);
                else
                    ShowMessage(text);
            }));
    connect(Session.get(), &S::ticked, this, guarded([this](const S::Tick& tick) { SessionTicked(tick); }));
    connect(Session.get(), &S::diskRoom, this,
            guarded([this](qint64 seconds, qint64 free) { SessionDiskRoom(seconds, free); }));
    connect(Session.get(), &S::waiting, this, guarded([this](const QString& what) { SessionWaiting(what); }));
    connect(Session.get(), &S::clockTimesCleared, this, guarded([this] { SessionClockTimesCleared(); }));
}

void TForm1::ShowRecordingLook()
{
    ToolBtnOptions->setEnabled(false);
    ToolBtnOpen->setEnabled(false);
    Open1->setEnabled(false);
    Options2->setEnabled(false);
    NCTSliderB1->setEnabled(false);
    setStatusText(0, tr(kRecording));
    NCTPlayButtonB1->SetStateRecord();
}

void TForm1::SessionStarting()
{
    lastTick_ = {};
    RecordWriter = Session->writer();
    IsRecording = false;
    RecordPaused = false;
    EndWaitingLook();
    ShowRecordingLook();
    ShowThreshold();
}

void TForm1::SessionTargetCreated(const QString& path)
{
    RecordFileName = path;
    CurrentFile = RecordFileName;
    LoadCurrentFile();
    currentIsRecordTarget_ = true;
    setStatusText(0, tr(kRecording));
}

void TForm1::SessionStarted(const QString& /*path*/)
{
    IsRecording = true;
    RecordPaused = false;
    if (!IsPlaying)
        BlockSamples = AudioRecord1->MillisecondsToSamples(200);   // the playback keeps its own
}

void TForm1::SessionPaused()
{
    RecordPaused = true;
    setStatusText(0, tr(kPause));
    NCTPlayButtonB1->SetStatePause();
}

void TForm1::SessionResumed()
{
    IsRecording = true;
    RecordPaused = false;
    EndWaitingLook();
    ShowRecordingLook();
}

void TForm1::SessionPieceFinished(const QString& path, qint64 frames, bool last)
{
    FileLength = int(std::clamp<qint64>(frames, 0, std::numeric_limits<int>::max()));
    FileRate = AudioRecord1->SampleRate();   // the recorder captures at the file's rate
    if (!last) {
        NCTPlayButtonB1->SetStateStop();
        AddFileRow(path);
        return;
    }
    // The tag fields show the file just recorded (the current file); its row comes to the front.
    runGuarded([this] { btnResetClick(); });
    runGuarded([&] { AddFileRow(path); });
    btnApply->setEnabled(true);
    PageControl1->setCurrentWidget(TabSheet2);
}

void TForm1::SessionStopped(RecordingSession::StopReason reason, const QString& detail)
{
    lastTick_ = {};
    EndWaitingLook();
    ShowThreshold();
    IsRecording = false;
    RecordPaused = false;
    ShowDiskPanel(false);
    NCTSliderB1->setEnabled(true);
    if (IsPlaying) {
        // The playback goes on and takes the display back.
        NCTAmpBar1->setValue(0);
        NCTAmpBar2->setValue(0);
        ShowPlaybackState();
    } else {
        ResetTransportDisplay();
    }
    ToolBtnOptions->setEnabled(true);
    ToolBtnOpen->setEnabled(true);
    Open1->setEnabled(true);
    Options2->setEnabled(true);
    if (CurrentFile == RecordFileName && !QFileInfo::exists(CurrentFile)) {
        // The start made a target and took it back: it is no file to show.
        CurrentFile.clear();
        FileLength = 0;
        setStatusText(1, QString());
    }
    if (reason == RecordingSession::StopReason::NotStarted)
        setStatusText(2, detail);
}

void TForm1::SessionTicked(const RecordingSession::Tick& tick)
{
    lastTick_ = tick;
    if (Sight && !Sight->seen())
        return;   // shown when the window is seen again
    NCTAmpBar1->setValue(tick.levelLeft);
    NCTAmpBar2->setValue(tick.levelRight);
    NCTTimeDisplay1->setMilliseconds(int(std::clamp<qint64>(tick.milliseconds, 0, std::numeric_limits<int>::max())));
    if (AudioVisualization1->Showing()) {   // a picture nobody sees costs nothing
        SampleArray picture = AudioRecord1->GetCurrentArray(2 * AudioVisualization1->WindowArraySize());
        ShowPicture(picture);
    }
    const int position = int(std::clamp<qint64>(tick.pieceFrames, 0, std::numeric_limits<int>::max()));
    if (!SeekDragging && !IsPlaying)
        NCTSliderB1->setValue(std::min(MulDiv(position, 1000, AudioFile1->Length()), 1000));
    if (tick.secondLostFrames > 0)
        setStatusText(2, QStringLiteral("Input overflow: %1 frames lost (the second input %2)")
                             .arg(tick.lostFrames)
                             .arg(tick.secondLostFrames));
    else if (tick.lostFrames > 0)
        setStatusText(2, QStringLiteral("Input overflow: %1 frames lost").arg(tick.lostFrames));
}

void TForm1::WindowSeenChanged(bool seen)
{
    Session->setWatched(seen);
    if (!seen || Session->state() == RecordingSession::State::Stopped)
        return;
    // What went on unseen shows at once: the time now, the latest levels.
    RecordingSession::Tick tick = lastTick_;
    tick.milliseconds = Session->recordedMs();
    SessionTicked(tick);
}

// ---- playback -----------------------------------------------------------------------------

void TForm1::ShowPlaybackState()
{
    setStatusText(0, tr(PlayPaused ? kPause : kPlaying));
    if (PlayPaused)
        NCTPlayButtonB1->SetStatePause();
    else
        NCTPlayButtonB1->SetStatePlay();
}

void TForm1::StartPlayback()
{
    if (IsPlaying && !PlayPaused)
        return;
    AwaitDevices();
    const QString pausedFile = PlayFileName;
    PlayFileName = SelectedFile.isEmpty() ? CurrentFile : SelectedFile;
    // A recording target that became current meanwhile was not chosen for playing: the paused
    // playback goes on with its own file.
    if (PlayPaused && SelectedFile.isEmpty() && currentIsRecordTarget_)
        PlayFileName = pausedFile;
    const QFileInfo info(PlayFileName);
    if (PlayFileName.isEmpty() || !info.exists() || info.isDir()) {
        StopPlayback();
        return;
    }

    if (PlayPaused && PlayFileName != pausedFile) {
        // Another file was chosen while paused: it starts from its beginning.
        AudioPlayer1->Stop();
        AudioFile1->Close();
        IsPlaying = false;
        PlayPaused = false;
        PositionOffset = 0;
        NCTSliderB1->setValue(0);
    }

    if (PlayPaused) {
        AudioFile1->Seek(PositionOffset, 3);
    } else {
        if (!AudioFile1->Active())
            AudioFile1->setActive(true);
        AudioFile1->Open(PlayFileName, 0, 1);
        if (AudioFile1->LastError() != 0)
            return;
        PositionOffset = 0;
        if (AudioFile1->Length() < 1) {
            StopPlayback();
            return;
        }
        AudioPlayer1->SetFormat(AudioFile1->SampleRate(), AudioFile1->Channels());
        BlockSamples = AudioPlayer1->MillisecondsToSamples(200);
        PositionOffset = AudioFile1->Seek(MulDiv(NCTSliderB1->Value(), AudioFile1->Length(), 1000), 3);
    }

    AudioPlayer1->Play();
    if (AudioPlayer1->LastError() != 0) {
        AudioFile1->Close();
        return;
    }
    IsPlaying = true;
    PlayPaused = false;
    FeedPlayback();
    FeedPlayback();
    setStatusText(1, PlayFileName);
    if (!IsRecording)
        ShowPlaybackState();
}

void TForm1::FeedPlayback()
{
    if (!IsPlaying || PlayPaused)   // a late request of a paused player must not queue blocks
        return;
    SampleArray block;
    try {
        block = AudioFile1->ReadArray(BlockSamples);
    } catch (...) {
        // A file that cannot be read on ends its playback with one message, not one per block.
        StopPlayback();
        throw;
    }
    AudioPlayer1->PlayArray(block);
}

void TForm1::PausePlayback()
{
    if (!IsPlaying || PlayPaused)
        return;
    PlayPaused = true;
    PositionOffset += AudioPlayer1->CurrentSamples();
    AudioPlayer1->Stop();
    if (!IsRecording) {
        setStatusText(0, tr(kPause));
        NCTPlayButtonB1->SetStatePause();
        NCTAmpBar1->setValue(0);
        NCTAmpBar2->setValue(0);
    }
}

void TForm1::StopPlayback()
{
    AudioPlayer1->Stop();
    AudioFile1->Close();
    IsPlaying = false;
    PlayPaused = false;
    if (IsRecording) {
        // The recording keeps the display; only the playback's own marks go.
        NCTSliderB1->setValue(0);
        PositionOffset = 0;
    } else {
        ResetTransportDisplay();
    }
    btnApply->setEnabled(true);
}

// ---- commands -----------------------------------------------------------------------------

void TForm1::Record1Click()
{
    assertUiThread();
    StartRecording();
}

void TForm1::Play1Click()
{
    StartPlayback();
}

void TForm1::Play2Click()
{
    StartPlayback();
}

void TForm1::Pause1Click()
{
    assertUiThread();
    if (IsPlaying)
        PausePlayback();
    if (IsRecording)
        PauseRecording();
}

void TForm1::Stop1Click()
{
    assertUiThread();
    if (IsPlaying)
        StopPlayback();
    if (IsRecording || Session->isArmed())
        StopRecording();
}

void TForm1::NCTPlayButtonB1MouseClick(int Button)
{
    switch (Button) {
    case 1:
        StartPlayback();
        break;
    case 2:
        Pause1Click();
        break;
    case 3:
        Stop1Click();
        break;
    case 4:
        StartRecording();
        break;
    case 7:
        AudioPlayer1->setSrcIndex(0);
        AudioPlayer1->setSrcMute(NCTPlayButtonB1->Mute());
        break;
    default:
        break;
    }
}

void TForm1::NCTPlayButtonB1ChangeVolume(int Volume)
{
    AudioPlayer1->setVolume(Volume);
}

// ---- seeking ------------------------------------------------------------------------------

void TForm1::NCTSliderB1MouseDown()
{
    SeekDragging = true;
    if (PlayPaused) {
        // The paused playback is dropped; the next play command starts at the slider.
        PlayPaused = false;
        IsPlaying = false;
        AudioFile1->Close();
        NCTPlayButtonB1->SetStateStop();
        if (!IsRecording)
            setStatusText(0, tr(kStop));
    }
}

void TForm1::NCTSliderB1ValueChange(int Value)
{
    if (IsPlaying || IsRecording)
        return;
    // The time in the last file, at its own rate (the player may still be set to another's).
    const int frames = MulDiv(Value, FileLength, 1000);
    const int t = FileRate > 0 ? engine::framesToMilliseconds(frames, FileRate)
                               : AudioPlayer1->SamplesToMilliseconds(frames);
    if (t < 1000)
        NCTTimeDisplay1->setSeconds(0);
    if (t < 60000)
        NCTTimeDisplay1->setMinutes(0);
    NCTTimeDisplay1->setMilliseconds(t);
}

void TForm1::NCTSliderB1MouseUp()
{
    if (IsPlaying && !PlayPaused) {
        AudioPlayer1->Stop();
        PositionOffset = AudioFile1->Seek(MulDiv(NCTSliderB1->Value(), AudioFile1->Length(), 1000), 3);
        AudioPlayer1->Play();
        SeekDragging = false;
        FeedPlayback();
        FeedPlayback();
    } else {
        SeekDragging = false;
    }
}

// ---- engine events ------------------------------------------------------------------------

void TForm1::AudioPlayer1EndBlockPlay()
{
    FeedPlayback();
}

void TForm1::AudioPlayer1RequestOnLoadBlock()
{
    FeedPlayback();
}

void TForm1::AudioPlayer1EndPlay()
{
    if (!IsPlaying || PlayPaused)   // a late end of a playback already paused or stopped
        return;
    StopPlayback();
}

void TForm1::AudioPlayer1Timer(int CurrentSamples, int LevelLeft, int LevelRight)
{
    if (!IsPlaying || PlayPaused || (Sight && !Sight->seen()))
        return;
    const int position = CurrentSamples + PositionOffset;
    if (!IsRecording) {
        NCTAmpBar1->setValue(LevelLeft);
        NCTAmpBar2->setValue(LevelRight);
        NCTTimeDisplay1->setMilliseconds(AudioPlayer1->SamplesToMilliseconds(position));
        if (AudioVisualization1->Showing()) {   // a picture nobody sees costs nothing
            SampleArray picture = AudioPlayer1->GetCurrentArray(2 * AudioVisualization1->WindowArraySize());
            ShowPicture(picture);
        }
    }
    if (!SeekDragging)
        NCTSliderB1->setValue(std::min(MulDiv(position, 1000, AudioFile1->Length()), 1000));
}

void TForm1::AudioRecord1EndBlockRecord(int /*nBlock*/)
{
    // The block is already on its way into the file: the recorder handed it to the writer
    // thread when it was cut, whatever this thread was doing then.
}

void TForm1::AudioRecord1DeviceError(const QString& message)
{
    assertUiThread();
    Session->inputLost(message);
}

void TForm1::AudioPlayer1DeviceError(const QString& message)
{
    if (!IsPlaying)
        return;
    StopPlayback();
    throw EngineError(QStringLiteral("Playback stopped: the output device was lost (") + message
                      + QStringLiteral(")"));
}

void TForm1::AudioRecord1Timer(int CurrentSamples, int LevelLeft, int LevelRight)
{
    assertUiThread();
    RecordInput->fileLevels(LevelLeft, LevelRight);   // with a second input, the file's channels
    Session->inputTick(CurrentSamples, LevelLeft, LevelRight);
}
