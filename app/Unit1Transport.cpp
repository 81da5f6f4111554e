// Record / play / pause / stop: the two transport machines of the main window, the engine
// events that drive them, the periodic ticks, and seeking with the position slider.
//
// The player and the recorder are independent: a playback may run while a recording runs.
// Each keeps its own position offset. While a recording runs (also paused) it owns the time
// display, the meters, the picture, the state word in panel 0 and the look of the transport
// panel; the playback then moves only the position slider. AudioFile1 belongs to the playback
// while one runs, so the probes of a new recording use a spare reader then (ReaderFile).
//
// The recorder hands every block to the writer thread (RecordWriter) as soon as it is cut;
// AudioFile2 belongs to that thread while a recording writes into it and comes back with
// ReleaseRecordFile(), which returns once every block handed over is in the file.
#include "app/Unit1.h"
#include "engine/BlockWriter.h"
#include "engine/EngineError.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioPlayer2.h"
#include "engine/TAudioRecord2.h"
#include "engine/controls/TAudioVisualization2.h"
#include "engine/controls/TNCTAmpBar2.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "engine/controls/TNCTSliderB2.h"
#include "engine/controls/TNCTTimeDisplay2.h"
#include "platform/MulDiv.h"
#include "platform/ui/Guarded.h"
#include "platform/ui/MessageBoxes.h"
#include "settings/AutoStop.h"
#include <QAction>
#include <QFileInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <limits>
#include <exception>

namespace {

const QString kRecording = QStringLiteral("Recording...");
const QString kPlaying = QStringLiteral("Playing...");
const QString kPause = QStringLiteral("Pause");
const QString kStop = QStringLiteral("Stop");

// A target holding this many frames or more is not overwritten without asking.
constexpr int kRewriteQuestionFrames = 8820;

// Runs the steps of a sequence that must all happen; the first error is kept for the end.
class StepRunner {
public:
    template <typename F>
    void operator()(F&& step)
    {
        try {
            step();
        } catch (...) {
            if (!first_)
                first_ = std::current_exception();
        }
    }
    void rethrowFirst()
    {
        if (first_)
            std::rethrow_exception(first_);
    }

private:
    std::exception_ptr first_;
};

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
    if (IsRecording)
        return RecordPaused ? kPause : kRecording;
    if (IsPlaying)
        return PlayPaused ? kPause : kPlaying;
    return kStop;
}

void TForm1::ConnectTransportEvents()
{
    if (transportEventsConnected_)
        return;
    transportEventsConnected_ = true;
    connect(AudioRecord1, &TAudioRecord2::OnDeviceError, this,
            guarded([this](const QString& message) { AudioRecord1DeviceError(message); }));
    connect(AudioPlayer1, &TAudioPlayer2::OnDeviceError, this,
            guarded([this](const QString& message) { AudioPlayer1DeviceError(message); }));
    // The writer lives as long as the window; it goes before AudioFile2 (see Unit1.h).
    RecordWriter = std::make_unique<BlockWriter>();
    connect(RecordWriter.get(), &BlockWriter::OnWriteError, this,
            guarded([this](const QString& message) { RecordFailed(QStringLiteral("Recording stopped: ") + message); }));
    AudioRecord1->SetBlockReceiver(RecordWriter.get());
}

qint64 TForm1::ReleaseRecordFile()
{
    if (!RecordWriter)
        return 0;
    const qint64 frames = RecordWriter->release();
    if (!RecordWriter->error().isEmpty())
        RecordFailed(QStringLiteral("Recording stopped: ") + RecordWriter->error());
    return frames;
}

void TForm1::StartCapture()
{
    AudioRecord1->StartRecord();
    RecorderRestarted();
    captureRunning_ = AudioRecord1->LastError() == 0;
    if (!captureRunning_) {
        const QString reason = AudioRecord1->LastErrorText();
        StopRecording();
        setStatusText(2, reason);
    }
}

void TForm1::ResetTransportDisplay()
{
    NCTAmpBar1->setValue(0);
    NCTAmpBar2->setValue(0);
    NCTSliderB1->setValue(0);
    NCTPlayButtonB1->SetStateStop();
    setStatusText(0, kStop);
    NCTTimeDisplay1->setMilliseconds(0);
    NCTTimeDisplay1->setSeconds(0);
    NCTTimeDisplay1->setMinutes(0);
    NCTTimeDisplay1->setHours(0);
    AudioVisualization1->ShowArray(SampleArray());
    PositionOffset = 0;
    RecordOffset = 0;
}

// ---- recording ----------------------------------------------------------------------------

void TForm1::StartRecording()
{
    if (IsRecording && !RecordPaused)
        return;
    if (recordStarting_)   // a record command while the previous one makes its target
        return;
    if (recordFailed_)
        FinishFailedRecording();
    ConnectTransportEvents();
    // A new recording (not a resume, not the next piece of a cut one) asks first when the disk
    // is nearly full; No leaves everything as it was.
    if (!RecordPaused && RecordingSettings.SplitOffset == 0 && !DiskRoomConfirmed())
        return;

    ToolBtnOptions->setEnabled(false);
    ToolBtnOpen->setEnabled(false);
    Open1->setEnabled(false);
    Options2->setEnabled(false);
    NCTSliderB1->setEnabled(false);
    IsRecording = false;
    AudioRecord1->setTimerEnabled(true);
    setStatusText(0, kRecording);
    NCTPlayButtonB1->SetStateRecord();

    if (RecordPaused) {
        RecordPaused = false;
        IsRecording = true;
        StartCapture();
        return;
    }

    if (RecordingSettings.SplitOffset == 0)
        RecordOverflowFrames = 0;   // a new recording, not the next piece of a cut one
    recordStarting_ = true;
    try {
        ApplyOutputFormat();
        NewRecordingFile();
        setStatusText(0, kRecording);

        TAudioFile2& probe = ReaderFile();
        probe.Open(CurrentFile, 0, 1);
        if (probe.Length() < kRewriteQuestionFrames)
            IsRecording = true;
        probe.Close();

        if (!IsRecording) {
            if (AskConfirm(QStringLiteral("Rewrite File?"))) {
                IsRecording = true;
            } else {
                recordStarting_ = false;
                StopRecording();
                return;
            }
        }

        AudioFile2->CreateNew(CurrentFile, 0);
        pieceFrames_ = 0;
        const int fileRate = AudioFile2->SampleRate();
        const int fileChannels = AudioFile2->Channels();
        RecordWriter->setFile(AudioFile2.get());
        GuardRecording(true);
        const bool sameFormat = AudioRecord1->SampleRate() == fileRate && AudioRecord1->Channels() == fileChannels;
        if (captureRunning_ && sameFormat) {
            // The next piece of a cut recording: the recorder never stopped, and what it
            // captured since the cut goes into this file with the next block.
            recordStarting_ = false;
            return;
        }
        if (captureRunning_) {
            AudioRecord1->StopRecord();
            captureRunning_ = false;
        }
        AudioRecord1->SetFormat(fileRate, fileChannels);
        const int block = AudioRecord1->MillisecondsToSamples(200);
        if (!IsPlaying)
            BlockSamples = block;   // the playback keeps its own block size
        AudioRecord1->setArraySize(block);
        recordStarting_ = false;
        StartCapture();
    } catch (...) {
        // The record command ends here (no target, a folder that cannot be made, a file that
        // cannot be created): the window returns to its stopped look before the error is shown.
        recordStarting_ = false;
        GuardRecording(false);
        const bool wasWriting = IsRecording;
        IsRecording = false;
        RecordPaused = false;
        StepRunner step;
        step([&] { AudioRecord1->setTimerEnabled(false); });
        step([&] { AudioRecord1->StopRecord(); });   // blocks arriving now are not written
        captureRunning_ = false;
        if (RecordWriter) {
            RecordWriter->discard();
            RecordWriter->release();
        }
        if (wasWriting)
            step([&] { AudioFile2->Close(); });
        NCTSliderB1->setEnabled(true);
        ToolBtnOptions->setEnabled(true);
        ToolBtnOpen->setEnabled(true);
        Open1->setEnabled(true);
        Options2->setEnabled(true);
        RecordingSettings.SplitOffset = 0;
        if (IsPlaying)
            ShowPlaybackState();
        else
            ResetTransportDisplay();
        throw;
    }
}

void TForm1::PauseRecording()
{
    if (!IsRecording || RecordPaused)
        return;
    RecordPaused = true;
    // Every captured frame goes to the writer before the recorder stops; the recorder's own
    // count then says how far the recording has come, so a resume goes on from there.
    AudioRecord1->StopRecord();
    captureRunning_ = false;
    RecordOffset += RecorderFrames(AudioRecord1->CurrentSamples());
    RecordOverflowFrames += AudioRecord1->OverflowCount();
    setStatusText(0, kPause);
    NCTPlayButtonB1->SetStatePause();
    AudioRecord1->setTimerEnabled(false);
}

void TForm1::StopRecording()
{
    StepRunner step;
    NCTSliderB1->setEnabled(true);
    const bool wasCapturing = captureRunning_;
    step([&] { AudioRecord1->StopRecord(); });
    captureRunning_ = false;
    step([&] { ReleaseRecordFile(); });
    if (RecordWriter)
        RecordWriter->discard();   // blocks of a capture that had no file to go to
    if (wasCapturing)
        RecordOverflowFrames += AudioRecord1->OverflowCount();
    FileLength = AudioFile2->Length();
    step([&] { AudioFile2->Close(); });
    IsRecording = false;
    RecordPaused = false;
    GuardRecording(false);

    if (IsPlaying) {
        // The playback goes on and takes the display back.
        RecordOffset = 0;
        NCTAmpBar1->setValue(0);
        NCTAmpBar2->setValue(0);
        ShowPlaybackState();
    } else {
        ResetTransportDisplay();
    }

    step([&] { btnResetClick(); });
    step([&] { AddFileRow(RecordFileName); });
    btnApply->setEnabled(true);
    ToolBtnOptions->setEnabled(true);
    ToolBtnOpen->setEnabled(true);
    Open1->setEnabled(true);
    Options2->setEnabled(true);
    PageControl1->setCurrentWidget(TabSheet2);
    RecordingSettings.SplitOffset = 0;

    const qint64 lost = RecordOverflowFrames;
    RecordOverflowFrames = 0;
    if (lost > 0) {
        const QString note = OverflowText(lost);
        if (recordFailed_)
            recordFailure_ += QStringLiteral("\n") + note;   // one message says it all
        else
            ShowMessage(note);
    }
    step.rethrowFirst();
}

void TForm1::SplitRecording()
{
    // The recorder goes on capturing: the piece gets every block finished so far, the next
    // piece starts with the frames that follow, so nothing is lost or doubled at the cut.
    pieceFrames_ = ReleaseRecordFile();
    if (!recordFailed_) {
        FileLength = AudioFile2->Length();
        try {
            AudioFile2->Close();
        } catch (const std::exception& e) {
            RecordFailed(QStringLiteral("Recording stopped: ") + QString::fromUtf8(e.what()));
        }
    }
    if (recordFailed_) {   // the piece could not be written: the recording ends with it
        FinishFailedRecording();
        return;
    }
    IsRecording = false;
    RecordPaused = false;
    NCTPlayButtonB1->SetStateStop();
    AddFileRow(RecordFileName);
    RecordingSettings.SplitOffset += RecordingSettings.SplitLength;
    // The display goes on with the total time: the frames of the finished piece now count
    // through SplitOffset.
    RecordOffset -= pieceFrames_;
    StartRecording();
}

void TForm1::FinishFailedRecording()
{
    if (!recordFailed_)
        return;
    StepRunner step;
    if (IsRecording)
        step([&] { StopRecording(); });   // further errors of this end are part of the same failure
    const QString text = recordFailure_;
    recordFailed_ = false;
    recordFailure_.clear();
    ShowErrorReport(text);
}

QString TForm1::OverflowText(qint64 frames) const
{
    const int rate = AudioRecord1->SampleRate() > 0 ? AudioRecord1->SampleRate() : 1;
    const qint64 ms = frames * 1000 / rate;
    return QStringLiteral("The input overflowed during the recording: %1 frames (%2 ms) of sound were lost.")
        .arg(frames)
        .arg(ms);
}

void TForm1::RecordFailed(const QString& text)
{
    if (recordFailed_)
        return;   // one message per recording
    recordFailed_ = true;
    recordFailure_ = text;
    QTimer::singleShot(0, this, [this] { FinishFailedRecording(); });
}

// ---- playback -----------------------------------------------------------------------------

void TForm1::ShowPlaybackState()
{
    setStatusText(0, PlayPaused ? kPause : kPlaying);
    if (PlayPaused)
        NCTPlayButtonB1->SetStatePause();
    else
        NCTPlayButtonB1->SetStatePlay();
}

void TForm1::StartPlayback()
{
    if (IsPlaying && !PlayPaused)
        return;
    ConnectTransportEvents();
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
        setStatusText(0, kPause);
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
    if (IsPlaying)
        PausePlayback();
    if (IsRecording)
        PauseRecording();
}

void TForm1::Stop1Click()
{
    if (IsPlaying)
        StopPlayback();
    if (IsRecording)
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
            setStatusText(0, kStop);
    }
}

void TForm1::NCTSliderB1ValueChange(int Value)
{
    if (IsPlaying || IsRecording)
        return;
    const int t = AudioPlayer1->SamplesToMilliseconds(MulDiv(Value, FileLength, 1000));
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
    if (!IsPlaying || PlayPaused)
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

void TForm1::RecorderRestarted()
{
    recorderLastCount_ = 0;
    recorderWraps_ = 0;
}

qint64 TForm1::RecorderFrames(int currentSamples)
{
    const auto count = static_cast<quint32>(currentSamples);
    if (count < recorderLastCount_)
        recorderWraps_ += qint64(1) << 32;
    recorderLastCount_ = count;
    return recorderWraps_ + count;
}

void TForm1::AudioRecord1EndBlockRecord(int /*nBlock*/)
{
    // The block is already on its way into the file: the recorder handed it to the writer
    // thread when it was cut, whatever this thread was doing then.
}

void TForm1::AudioRecord1DeviceError(const QString& message)
{
    if (!IsRecording && !recordStarting_)
        return;
    RecordFailed(QStringLiteral("Recording stopped: the input device was lost (") + message + QStringLiteral(")"));
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
    if (!IsRecording || RecordPaused || recordStarting_)
        return;   // a late tick of a recorder that is stopped, paused or about to restart
    if (recordFailed_) {
        FinishFailedRecording();
        return;
    }
    // Counted in 64 bits: the recorder runs on across the pieces of a cut recording, and its
    // 32-bit count would wrap on a recording of some days.
    const qint64 frames = RecorderFrames(CurrentSamples) + RecordOffset;
    const int rate = AudioRecord1->SampleRate();
    const qint64 ms = (rate > 0 ? frames * 1000 / rate : 0) + qint64(RecordingSettings.SplitOffset) * 1000;
    const int position = int(std::clamp<qint64>(frames, 0, std::numeric_limits<int>::max()));
    NCTAmpBar1->setValue(LevelLeft);
    NCTAmpBar2->setValue(LevelRight);
    NCTTimeDisplay1->setMilliseconds(int(std::clamp<qint64>(ms, 0, std::numeric_limits<int>::max())));
    if (AudioVisualization1->Showing()) {
        SampleArray picture = AudioRecord1->GetCurrentArray(2 * AudioVisualization1->WindowArraySize());
        ShowPicture(picture);
    }
    if (!SeekDragging && !IsPlaying)
        NCTSliderB1->setValue(std::min(MulDiv(position, 1000, AudioFile1->Length()), 1000));

    const qint64 lost = RecordOverflowFrames + AudioRecord1->OverflowCount();
    if (lost > 0)
        setStatusText(2, QStringLiteral("Input overflow: %1 frames lost").arg(lost));

    if (DiskRoomRanOut(ms))   // stopped before a write can fail
        return;
    // The automatic stop counts the whole recording, the cut the current piece; both read the
    // whole seconds the display shows. After a stop nothing is cut (with a playback running the
    // display is not zeroed, so the test asks for a running recording as well).
    if (LimitReached(ElapsedSeconds(*NCTTimeDisplay1), RecordingSettings))
        StopRecording();
    if (IsRecording && SplitDue(ElapsedSeconds(*NCTTimeDisplay1), RecordingSettings))
        SplitRecording();
}
