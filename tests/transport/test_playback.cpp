// Playback through the window's commands on the virtual output, seeking with the slider, and a
// playback and a recording running at the same time.
#include "TransportFixture.h"

#include "engine/TAudioPlayer2.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "engine/controls/TNCTSliderB2.h"
#include "engine/controls/TNCTTimeDisplay2.h"
#include "platform/MulDiv.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QPushButton>
#include <QTreeWidget>

using namespace transport_test;

namespace {

// The frame codes of what the virtual output played, in order.
std::vector<int> playedCodes(const VirtualBackend& backend)
{
    const std::vector<float> out = backend.output();
    std::vector<int> codes;
    if (backend.outputChannels() != 2)
        return codes;
    for (size_t i = 0; i + 1 < out.size(); i += 2)
        codes.push_back(frameCode(out.data() + i));
    return codes;
}

bool codesRunFrom(const std::vector<int>& codes, int first)
{
    for (size_t i = 0; i < codes.size(); ++i)
        if (codes[i] != ((first + int(i)) & 0xFFFF)) {
            ADD_FAILURE() << "played frame " << i << " is input frame " << codes[i];
            return false;
        }
    return true;
}

} // namespace

class PlaybackTest : public TransportTest {
protected:
    void SetUp() override
    {
        TransportTest::SetUp();
        QDir().mkpath(folder.path() + "music");
        song = folder.path() + "music/song.wav";
        writeCodedWav(song, 40000);   // 5 s
    }
    void open(const QString& path)
    {
        dialogs.answerNext(path);
        form->Open1->trigger();
    }
    void select(int row) { form->ListView1->setCurrentItem(form->ListView1->topLevelItem(row)); }

    QString song;
};

TEST_F(PlaybackTest, OpenedFileIsCurrentListedAndPlays)
{
    open(song);
    ASSERT_EQ(dialogs.count(), 1);
    EXPECT_EQ(dialogs.requests()[0].title, "Open file");
    EXPECT_EQ(dialogs.requests()[0].filter,
              "Wav files (*.wav)|*.wav|MPEG files (*.mp3;*.mp2;*.mp1;*.mpeg)|*.mp3;*.mp2;*.mp1;*.mpeg|"
              "Ogg Vorbis files (*.ogg)|*.ogg|AVI files (*.avi)|*.avi|G721 files (*.g721)|*.g721|"
              "MPPlus files (*.mpc;*.mp+)|*.mpc;*.mp+|WMA files (*.wma)|*.wma|"
              "FLAC files (*.flac)|*.flac|Opus files (*.opus)|*.opus");
    EXPECT_EQ(form->CurrentFile, song);
    EXPECT_EQ(form->FileLength, 40000);
    EXPECT_EQ(form->statusText(0), "Stop");
    ASSERT_EQ(form->ListView1->topLevelItemCount(), 1);
    EXPECT_EQ(form->ListView1->topLevelItem(0)->text(0), "song.wav");
    EXPECT_EQ(form->ListView1->topLevelItem(0)->text(2), "00:05");
    EXPECT_EQ(form->ListView1->topLevelItem(0)->text(3), folder.path() + "music/");

    form->Play1->trigger();
    EXPECT_TRUE(form->IsPlaying);
    EXPECT_EQ(form->statusText(0), "Playing...");
    EXPECT_EQ(form->statusText(1), song);
    EXPECT_EQ(form->NCTPlayButtonB1->State(), 1);
    run(6000);
    EXPECT_FALSE(form->IsPlaying);   // the end of the file stopped it
    EXPECT_EQ(form->statusText(0), "Stop");
    const std::vector<int> codes = playedCodes(backend);
    EXPECT_EQ(codes.size(), 40000u);
    EXPECT_TRUE(codesRunFrom(codes, 0));
}

// The slider's preview counts in the rate of the file it previews, not the rate the player was
// last set to (a 3.7 s file at 24 kHz after an 8 kHz playback read 11 s at its end).
TEST_F(PlaybackTest, SliderPreviewUsesTheRateOfTheFile)
{
    open(song);
    form->Play1->trigger();
    run(200);
    form->Stop1->trigger();
    const QString other = folder.path() + "music/other.wav";
    {
        TAudioFile2 file;
        file.setActive(true);
        file.SetFormatPCM(24000, 2, 16);
        file.CreateNew(other, 0);
        file.WriteArray(SampleArray(2, 88800));   // 3.7 s
        file.Close();
    }
    open(other);
    emit form->NCTSliderB1->OnValueChange(1000);
    EXPECT_EQ(form->NCTTimeDisplay1->Milliseconds(), 3700);
    EXPECT_EQ(form->NCTTimeDisplay1->text(), "0:00:03");
}

TEST_F(PlaybackTest, DoubleClickBelowTheRowsPlaysTheCurrentFile)
{
    open(song);
    form->PageControl1->setCurrentWidget(form->TabSheet2);
    pumpEvents();
    QWidget* area = form->ListView1->viewport();
    const QPointF below(area->width() / 2, area->height() - 3);
    ASSERT_EQ(form->ListView1->itemAt(below.toPoint()), nullptr);
    QMouseEvent click(QEvent::MouseButtonDblClick, below, area->mapToGlobal(below), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(area, &click);
    EXPECT_TRUE(form->IsPlaying);
    EXPECT_EQ(form->PlayFileName, song);
}

TEST_F(PlaybackTest, PlayPauseSliderPlayStartsAtTheSlider)
{
    open(song);
    form->Play1->trigger();
    run(1000);
    form->Pause1->trigger();
    EXPECT_EQ(form->statusText(0), "Pause");
    EXPECT_TRUE(form->PlayPaused);
    EXPECT_NEAR(form->PositionOffset, 8000, 400);

    // The user presses the slider, drags it to the middle and lets go.
    emit form->NCTSliderB1->OnMouseDown();
    EXPECT_FALSE(form->IsPlaying);   // the paused playback is dropped
    EXPECT_EQ(form->NCTPlayButtonB1->State(), 0);
    form->NCTSliderB1->setValue(500);
    emit form->NCTSliderB1->OnValueChange(500);
    EXPECT_EQ(form->NCTTimeDisplay1->Milliseconds(), 2500);   // the preview of the new place
    emit form->NCTSliderB1->OnMouseUp();
    EXPECT_FALSE(form->SeekDragging);

    backend.clearOutput();
    form->Play1->trigger();
    EXPECT_EQ(form->PositionOffset, MulDiv(500, 40000, 1000));
    run(1000);
    const std::vector<int> codes = playedCodes(backend);
    ASSERT_GE(codes.size(), 7000u);
    EXPECT_TRUE(codesRunFrom(codes, 20000));
    EXPECT_NEAR(form->NCTTimeDisplay1->Milliseconds(), 3500, 100);
    EXPECT_NEAR(form->NCTSliderB1->Value(), 700, 20);
}

TEST_F(PlaybackTest, PauseAndResumeContinueWithoutGap)
{
    open(song);
    form->Play1->trigger();
    run(1000);
    form->Pause1->trigger();
    run(1000);
    form->Play1->trigger();
    EXPECT_EQ(form->statusText(0), "Playing...");
    run(5000);
    EXPECT_FALSE(form->IsPlaying);
    const std::vector<int> codes = playedCodes(backend);
    EXPECT_EQ(codes.size(), 40000u);
    EXPECT_TRUE(codesRunFrom(codes, 0));
}

TEST_F(PlaybackTest, SeekWhilePlayingRestartsAtTheSlider)
{
    open(song);
    form->Play1->trigger();
    run(500);
    emit form->NCTSliderB1->OnMouseDown();
    EXPECT_TRUE(form->IsPlaying);
    form->NCTSliderB1->setValue(250);
    emit form->NCTSliderB1->OnValueChange(250);
    run(200);
    EXPECT_EQ(form->NCTSliderB1->Value(), 250);   // the ticks leave a held slider alone
    backend.clearOutput();
    emit form->NCTSliderB1->OnMouseUp();
    EXPECT_EQ(form->PositionOffset, 10000);
    run(500);
    const std::vector<int> codes = playedCodes(backend);
    ASSERT_FALSE(codes.empty());
    EXPECT_TRUE(codesRunFrom(codes, 10000));
}

TEST_F(PlaybackTest, EmptyFileShowsStopAndPlaysNothing)
{
    const QString empty = folder.path() + "music/empty.wav";
    writeCodedWav(empty, 0);
    open(empty);
    EXPECT_EQ(form->FileLength, 0);
    form->Play1->trigger();
    EXPECT_FALSE(form->IsPlaying);
    EXPECT_EQ(form->statusText(0), "Stop");
    run(500);
    EXPECT_TRUE(playedCodes(backend).empty());
}

TEST_F(PlaybackTest, NothingChosenPlaysNothing)
{
    dialogs.answerNext(QString());   // the open dialog is cancelled
    form->Open1->trigger();
    EXPECT_TRUE(form->CurrentFile.isEmpty());
    form->Play1->trigger();
    EXPECT_FALSE(form->IsPlaying);
    EXPECT_EQ(form->statusText(0), "Stop");
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(PlaybackTest, UnreadableFileLeavesThePlayerStopped)
{
    const QString bad = folder.path() + "music/bad.wav";
    QFile f(bad);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("RIFF this is no sound at all");
    f.close();
    form->CurrentFile = bad;
    form->Play1->trigger();
    EXPECT_FALSE(form->IsPlaying);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(PlaybackTest, SelectedRowTakesPrecedenceAndProtectsItsTags)
{
    const QString other = folder.path() + "music/other.wav";
    writeCodedWav(other, 16000, 30000);
    open(song);
    open(other);
    select(0);
    EXPECT_EQ(form->SelectedFile, song);
    EXPECT_TRUE(form->Play2->isEnabled());
    form->Play2->trigger();
    EXPECT_EQ(form->PlayFileName, song);
    select(1);
    EXPECT_TRUE(form->btnApply->isEnabled());
    select(0);
    EXPECT_FALSE(form->btnApply->isEnabled());   // the file that plays
    form->Stop1->trigger();
    EXPECT_TRUE(form->btnApply->isEnabled());
    select(1);
    select(0);
    EXPECT_TRUE(form->btnApply->isEnabled());
}

TEST_F(PlaybackTest, OtherRowChosenWhilePausedPlaysThatFile)
{
    const QString other = folder.path() + "music/other.wav";
    writeCodedWav(other, 16000, 30000);
    open(song);
    open(other);
    select(0);
    form->Play1->trigger();
    run(1000);
    form->Pause1->trigger();
    select(1);
    backend.clearOutput();
    form->Play1->trigger();
    EXPECT_EQ(form->PlayFileName, other);
    EXPECT_EQ(form->statusText(1), other);
    run(3000);
    EXPECT_FALSE(form->IsPlaying);
    const std::vector<int> codes = playedCodes(backend);
    EXPECT_EQ(codes.size(), 16000u);
    EXPECT_TRUE(codesRunFrom(codes, 30000));
}

TEST_F(PlaybackTest, MuteButtonActsOnOutputLineZero)
{
    const bool before = form->NCTPlayButtonB1->Mute();
    form->NCTPlayButtonB1->click(7);   // the switch changes, then reports
    EXPECT_NE(form->NCTPlayButtonB1->Mute(), before);
    EXPECT_EQ(backend.mixerLines(false, 0).at(0).switchValue, form->NCTPlayButtonB1->Mute());
    form->NCTPlayButtonB1->click(7);
    EXPECT_EQ(backend.mixerLines(false, 0).at(0).switchValue, before);
}

TEST_F(PlaybackTest, OpeningAFileWhilePlayingLeavesThePlaybackAlone)
{
    const QString other = folder.path() + "music/other.wav";
    writeCodedWav(other, 16000, 30000);
    open(song);
    form->Play1->trigger();
    run(1000);
    open(other);
    EXPECT_EQ(form->CurrentFile, other);
    EXPECT_EQ(form->FileLength, 16000);
    EXPECT_TRUE(form->IsPlaying);
    EXPECT_EQ(form->statusText(0), "Playing...");
    run(5000);
    EXPECT_FALSE(form->IsPlaying);
    const std::vector<int> codes = playedCodes(backend);
    EXPECT_EQ(codes.size(), 40000u);   // the whole song, undisturbed
    EXPECT_TRUE(codesRunFrom(codes, 0));
}

TEST_F(PlaybackTest, OpeningAFileWhilePausedPlaysTheOpenedFile)
{
    const QString other = folder.path() + "music/other.wav";
    writeCodedWav(other, 16000, 30000);
    open(song);
    form->Play1->trigger();
    run(1000);
    form->Pause1->trigger();
    backend.clearOutput();
    open(other);
    EXPECT_TRUE(form->IsPlaying);
    EXPECT_FALSE(form->PlayPaused);
    EXPECT_EQ(form->PlayFileName, other);
    run(3000);
    const std::vector<int> codes = playedCodes(backend);
    EXPECT_EQ(codes.size(), 16000u);
    EXPECT_TRUE(codesRunFrom(codes, 30000));
}

// ---- playback and recording together ---------------------------------------------------------

TEST_F(PlaybackTest, RecordingDuringPlaybackDisturbsNeither)
{
    const QByteArray before = [&] {
        QFile f(song);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    open(song);
    form->Play1->trigger();
    run(1000);
    form->Record1->trigger();
    ASSERT_TRUE(form->IsRecording);
    EXPECT_TRUE(form->IsPlaying);
    EXPECT_EQ(form->statusText(0), "Recording...");
    run(2000);
    // The recording owns the clock; the playback goes on undisturbed.
    EXPECT_NEAR(form->NCTTimeDisplay1->Milliseconds(), 2000, 80);
    EXPECT_TRUE(form->IsPlaying);

    form->Pause1->trigger();   // pauses both
    EXPECT_TRUE(form->PlayPaused);
    EXPECT_TRUE(form->RecordPaused);
    form->Play1->trigger();    // resumes only the playback
    EXPECT_EQ(form->statusText(0), "Pause");   // the recording is still paused
    run(1000);
    EXPECT_NEAR(form->NCTTimeDisplay1->Milliseconds(), 2000, 80);
    form->Record1->trigger();
    run(500);
    EXPECT_NEAR(form->NCTTimeDisplay1->Milliseconds(), 2500, 80);

    form->Stop1->trigger();
    EXPECT_FALSE(form->IsPlaying);
    EXPECT_FALSE(form->IsRecording);
    EXPECT_EQ(form->statusText(0), "Stop");

    const std::vector<int> codes = playedCodes(backend);
    EXPECT_EQ(codes.size(), 36000u);   // 1 + 2 + 1 + 0.5 seconds
    EXPECT_TRUE(codesRunFrom(codes, 0));
    QFile f(song);
    f.open(QIODevice::ReadOnly);
    EXPECT_EQ(f.readAll(), before);
    const FileFrames recorded = readFile(recording("Untitled1.wav"));
    EXPECT_EQ(recorded.frames(), 20000);
}

TEST_F(PlaybackTest, PlaybackEndingDuringRecordingLeavesTheRecordingAlone)
{
    open(song);
    form->Record1->trigger();
    run(1000);
    EXPECT_EQ(form->CurrentFile, recording("Untitled1.wav"));
    select(0);   // the song's row
    form->Play1->trigger();
    ASSERT_TRUE(form->IsPlaying);
    EXPECT_EQ(form->statusText(0), "Recording...");
    run(6000);
    EXPECT_FALSE(form->IsPlaying);
    EXPECT_TRUE(form->IsRecording);
    EXPECT_EQ(form->statusText(0), "Recording...");
    EXPECT_NEAR(form->NCTTimeDisplay1->Milliseconds(), 7000, 80);
    form->Stop1->trigger();
    EXPECT_EQ(readFile(recording("Untitled1.wav")).frames(), 7 * 8000);
    const std::vector<int> codes = playedCodes(backend);
    EXPECT_EQ(codes.size(), 40000u);
    EXPECT_TRUE(codesRunFrom(codes, 0));
}

TEST_F(PlaybackTest, RecordingStoppedDuringPlaybackHandsTheDisplayBack)
{
    open(song);
    form->Play1->trigger();
    form->Record1->trigger();
    run(1000);
    // Only the recording ends: its time limit.
    RecordingSettings.TimeLimit = 1;
    run(200);
    EXPECT_FALSE(form->IsRecording);
    EXPECT_TRUE(form->IsPlaying);
    EXPECT_EQ(form->statusText(0), "Playing...");
    EXPECT_EQ(form->NCTPlayButtonB1->State(), 1);
    run(200);
    EXPECT_NEAR(form->NCTTimeDisplay1->Milliseconds(), 1400, 100);
}
