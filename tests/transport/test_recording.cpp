// Recording through the window's commands on the virtual input: pause and resume, cutting
// into pieces with an automatic stop, the rewrite question, folder errors, write failures,
// a lost device and input overflows.
#include "TransportFixture.h"
#include "support/FileSizeLimit.h"

#include "engine/controls/TNCTAmpBar2.h"
#include "engine/controls/TNCTPlayButtonB2.h"
#include "engine/controls/TNCTSliderB2.h"
#include "engine/controls/TNCTTimeDisplay2.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <csignal>
#include <sys/resource.h>

using namespace transport_test;

QStringList TransportTest::rowCaptions() const
{
    QStringList names;
    for (int i = 0; i < form->ListView1->topLevelItemCount(); ++i)
        names << form->ListView1->topLevelItem(i)->text(0);
    return names;
}

int TransportTest::errorCount() const
{
    int n = 0;
    for (const MessageRecord& r : messages.shown())
        if (r.kind == MessageKind::Critical)
            ++n;
    return n;
}

namespace {

// Every frame of the files, in order, must be the next frame of the input: none lost, none
// doubled. Returns the number of frames checked.
qint64 expectContinuousCode(const std::vector<FileFrames>& files, qint64 first = 0)
{
    qint64 k = first;
    for (const FileFrames& f : files) {
        EXPECT_TRUE(f.opened);
        EXPECT_EQ(f.channels, 2);
        for (int i = 0; i < f.frames(); ++i, ++k) {
            const int code = frameCode(f.samples.data() + 2 * i);
            if (code != int(k & 0xFFFF)) {
                ADD_FAILURE() << "frame " << k << " holds input frame code " << code;
                return k;
            }
        }
    }
    return k - first;
}

} // namespace

TEST_F(TransportTest, RecordPauseRecordMakesOneFileAndOneRow)
{
    form->Record1->trigger();
    ASSERT_TRUE(form->IsRecording);
    EXPECT_EQ(form->statusText(0), "Recording...");
    EXPECT_FALSE(form->ToolBtnOpen->isEnabled());
    EXPECT_FALSE(form->NCTSliderB1->isEnabled());
    run(2000);
    EXPECT_NEAR(form->NCTTimeDisplay1->Milliseconds(), 2000, 80);

    form->Pause1->trigger();
    EXPECT_EQ(form->statusText(0), "Pause");
    EXPECT_TRUE(form->RecordPaused);
    run(3000);   // nothing is recorded, nothing is tested while paused
    EXPECT_NEAR(form->NCTTimeDisplay1->Milliseconds(), 2000, 80);

    form->Record1->trigger();
    EXPECT_EQ(form->statusText(0), "Recording...");
    EXPECT_EQ(form->NCTPlayButtonB1->State(), 3);
    run(1000);
    // The clock goes on from where it stood at the pause.
    EXPECT_NEAR(form->NCTTimeDisplay1->Milliseconds(), 3000, 80);

    form->Stop1->trigger();
    EXPECT_FALSE(form->IsRecording);
    EXPECT_EQ(form->statusText(0), "Stop");
    EXPECT_EQ(form->NCTTimeDisplay1->Milliseconds(), 0);
    EXPECT_TRUE(form->ToolBtnOpen->isEnabled());
    EXPECT_TRUE(form->NCTSliderB1->isEnabled());
    EXPECT_EQ(form->PageControl1->currentWidget(), form->TabSheet2);
    EXPECT_EQ(rowCaptions(), QStringList{"Untitled1.wav"});
    EXPECT_EQ(form->ListView1->topLevelItem(0)->text(3), RecordingSettings.SavePath);
    EXPECT_EQ(QDir(RecordingSettings.SavePath).entryList(QDir::Files), QStringList{"Untitled1.wav"});

    const FileFrames file = readFile(recording("Untitled1.wav"));
    EXPECT_EQ(file.frames(), 3 * 8000);
    EXPECT_EQ(file.frames(), backend.inputPosition());
    EXPECT_EQ(expectContinuousCode({file}), 3 * 8000);
    EXPECT_EQ(errorCount(), 0);
}

TEST_F(TransportTest, SplitPiecesWithTimeLimitLoseAndDoubleNothing)
{
    RecordingSettings.SplitEnabled = true;
    RecordingSettings.SplitLength = 60;
    RecordingSettings.TimeLimit = 150;
    QDir().mkpath(RecordingSettings.SavePath);
    writeCodedWav(recording("Untitled2.wav"), 100);   // taken: the pieces go round it

    form->Record1->trigger();
    run(61000);
    EXPECT_TRUE(form->IsRecording);
    EXPECT_EQ(form->CurrentFile, recording("Untitled3.wav"));
    EXPECT_EQ(rowCaptions(), QStringList{"Untitled1.wav"});
    // The display runs on across the cut.
    EXPECT_NEAR(form->NCTTimeDisplay1->Milliseconds(), 61000, 80);
    run(60000);
    EXPECT_EQ(rowCaptions(), (QStringList{"Untitled1.wav", "Untitled3.wav"}));
    EXPECT_NEAR(form->NCTTimeDisplay1->Milliseconds(), 121000, 80);
    run(30000);
    EXPECT_FALSE(form->IsRecording);   // stopped by the limit at 150 s
    EXPECT_EQ(RecordingSettings.SplitOffset, 0);
    EXPECT_EQ(form->NCTTimeDisplay1->Milliseconds(), 0);
    EXPECT_EQ(rowCaptions(), (QStringList{"Untitled1.wav", "Untitled3.wav", "Untitled4.wav"}));
    EXPECT_EQ(form->ListView1->topLevelItem(0)->text(2), "01:00");
    EXPECT_EQ(form->ListView1->topLevelItem(2)->text(2), "00:30");
    run(5000);
    EXPECT_FALSE(form->IsRecording);
    EXPECT_EQ(rowCaptions().size(), 3);

    const std::vector<FileFrames> pieces = {readFile(recording("Untitled1.wav")),
                                            readFile(recording("Untitled3.wav")),
                                            readFile(recording("Untitled4.wav"))};
    // Cut at 60 and 120 s of total time, stopped at 150 s.
    EXPECT_EQ(pieces[0].frames(), 60 * 8000);
    EXPECT_EQ(pieces[1].frames(), 60 * 8000);
    EXPECT_EQ(pieces[2].frames(), 30 * 8000);
    EXPECT_EQ(expectContinuousCode(pieces), backend.inputPosition());
    EXPECT_EQ(readFile(recording("Untitled2.wav")).frames(), 100);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(TransportTest, LimitStopsAtTheFirstTickThatShowsIt)
{
    RecordingSettings.TimeLimit = 10;
    form->Record1->trigger();
    run(9900);
    EXPECT_TRUE(form->IsRecording);
    run(200);
    EXPECT_FALSE(form->IsRecording);
    EXPECT_EQ(readFile(recording("Untitled1.wav")).frames(), 10 * 8000);
    // The limit stays for the next recording.
    form->Record1->trigger();
    run(10100);
    EXPECT_FALSE(form->IsRecording);
    EXPECT_EQ(rowCaptions(), (QStringList{"Untitled1.wav", "Untitled2.wav"}));
}

TEST_F(TransportTest, MinimisedWindowKeepsCutAndLimitAndShowsTheTimeAtOnceWhenSeen)
{
    RecordingSettings.SplitEnabled = true;
    RecordingSettings.SplitLength = 3;
    RecordingSettings.TimeLimit = 5;
    form->Record1->trigger();
    run(1300);   // the slow ticks of a minimised window fall between the blocks' ends
    form->showMinimized();
    pumpEvents();
    EXPECT_FALSE(form->Session->watched());
    run(2200);
    EXPECT_EQ(rowCaptions(), QStringList{"Untitled1.wav"});   // cut at 3 s, unseen
    form->NCTAmpBar1->setValue(0);
    form->showNormal();
    pumpEvents();
    EXPECT_TRUE(form->Session->watched());
    // Shown again: the time and the levels of now, before the next tick.
    EXPECT_NEAR(form->NCTTimeDisplay1->Milliseconds(), 3500, 200);
    EXPECT_GT(form->NCTAmpBar1->Value(), 0);
    form->showMinimized();
    pumpEvents();
    run(2000);
    EXPECT_FALSE(form->IsRecording);   // stopped by the limit at 5 s
    EXPECT_EQ(readFile(recording("Untitled1.wav")).frames(), 3 * 8000);
    EXPECT_EQ(readFile(recording("Untitled2.wav")).frames(), 2 * 8000);
    EXPECT_EQ(errorCount(), 0);
}

TEST_F(TransportTest, PausedRecordingIsNeitherStoppedNorCut)
{
    RecordingSettings.TimeLimit = 3;
    RecordingSettings.SplitEnabled = true;
    RecordingSettings.SplitLength = 2;
    form->Record1->trigger();
    run(1000);
    form->Pause1->trigger();
    run(10000);
    EXPECT_TRUE(form->IsRecording);
    EXPECT_EQ(rowCaptions().size(), 0);
    form->Record1->trigger();
    run(3000);
    EXPECT_FALSE(form->IsRecording);
    EXPECT_EQ(rowCaptions(), (QStringList{"Untitled1.wav", "Untitled2.wav"}));
    EXPECT_EQ(readFile(recording("Untitled1.wav")).frames(), 2 * 8000);
    EXPECT_EQ(readFile(recording("Untitled2.wav")).frames(), 1 * 8000);
}

TEST_F(TransportTest, StopAndPauseWhileNothingRunsDoNothing)
{
    form->Stop1->trigger();
    form->Pause1->trigger();
    EXPECT_FALSE(form->IsRecording);
    EXPECT_FALSE(form->IsPlaying);
    EXPECT_EQ(rowCaptions().size(), 0);
    EXPECT_EQ(messages.count(), 0);
}

// ---- the rewrite question ------------------------------------------------------------------

class RewriteQuestion : public TransportTest, public ::testing::WithParamInterface<int> {};

TEST_P(RewriteQuestion, AskedFrom8820FramesOn)
{
    const int frames = GetParam();
    // Another program fills the new target while the window lets its pending events run.
    const QString target = recording("Untitled1.wav");
    QTimer::singleShot(0, form, [&] { writeCodedWav(target, frames, 5000); });
    messages.answerNext(MessageAnswer::No);
    form->Record1->trigger();

    if (frames < 8820) {
        EXPECT_EQ(messages.count(), 0);
        EXPECT_TRUE(form->IsRecording);
        run(1000);
        form->Stop1->trigger();
        EXPECT_EQ(readFile(target).frames(), 8000);   // overwritten
    } else {
        ASSERT_EQ(messages.count(), 1);
        EXPECT_EQ(messages.last().kind, MessageKind::Question);
        EXPECT_EQ(messages.last().title, "Confirm");
        EXPECT_EQ(messages.last().text, "Rewrite File?");
        EXPECT_FALSE(form->IsRecording);
        EXPECT_EQ(form->statusText(0), "Stop");
        EXPECT_TRUE(form->ToolBtnOpen->isEnabled());
        EXPECT_EQ(rowCaptions(), QStringList{"Untitled1.wav"});
        const FileFrames kept = readFile(target);
        EXPECT_EQ(kept.frames(), frames);
        EXPECT_EQ(expectContinuousCode({kept}, 5000), frames);
        run(1000);
        EXPECT_FALSE(form->IsRecording);
    }
}

INSTANTIATE_TEST_SUITE_P(TargetLength, RewriteQuestion, ::testing::Values(8819, 8820));

TEST_F(TransportTest, RewriteAnsweredYesOverwrites)
{
    const QString target = recording("Untitled1.wav");
    QTimer::singleShot(0, form, [&] { writeCodedWav(target, 20000, 5000); });
    messages.answerNext(MessageAnswer::Yes);
    form->Record1->trigger();
    EXPECT_EQ(messages.count(), 1);
    EXPECT_TRUE(form->IsRecording);
    run(1000);
    form->Stop1->trigger();
    EXPECT_EQ(expectContinuousCode({readFile(target)}), 8000);
}

// ---- folder errors ---------------------------------------------------------------------------

TEST_F(TransportTest, FolderErrorEndsTheCommandAndRestoresTheControls)
{
    folder.write("blocker", "a file where a folder should be");
    RecordingSettings.SavePath = folder.path() + QStringLiteral("blocker/Recording/");
    form->Record1->trigger();

    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().kind, MessageKind::Critical);
    EXPECT_EQ(messages.last().title, "Tavrin");
    EXPECT_EQ(messages.last().text, "Cannot create " + RecordingSettings.SavePath + ": Not a directory.");
    EXPECT_FALSE(form->IsRecording);
    EXPECT_EQ(form->statusText(0), "Stop");
    EXPECT_EQ(form->NCTPlayButtonB1->State(), 0);
    EXPECT_TRUE(form->ToolBtnOpen->isEnabled());
    EXPECT_TRUE(form->ToolBtnOptions->isEnabled());
    EXPECT_TRUE(form->Open1->isEnabled());
    EXPECT_TRUE(form->Options2->isEnabled());
    EXPECT_TRUE(form->NCTSliderB1->isEnabled());
    EXPECT_EQ(rowCaptions().size(), 0);
    run(1000);
    EXPECT_EQ(messages.count(), 1);

    // With a folder that can be made, the next command records.
    RecordingSettings.SavePath = folder.path() + QStringLiteral("deep/new/folder/");
    form->Record1->trigger();
    EXPECT_TRUE(form->IsRecording);
    run(500);
    form->Stop1->trigger();
    EXPECT_TRUE(QFile::exists(recording("Untitled1.wav")));
}

TEST_F(TransportTest, EmptySaveFolderCannotBeCreated)
{
    RecordingSettings.SavePath.clear();
    form->Record1->trigger();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().text, "Unable to create directory.");
    EXPECT_FALSE(form->IsRecording);
    EXPECT_EQ(form->statusText(0), "Stop");
}

TEST_F(TransportTest, FolderErrorAtTheNextPieceKeepsTheFinishedPieces)
{
    RecordingSettings.SplitEnabled = true;
    RecordingSettings.SplitLength = 2;
    form->Record1->trigger();
    run(1000);
    RecordingSettings.SavePath.clear();   // the next piece cannot be made
    run(1500);
    EXPECT_FALSE(form->IsRecording);
    EXPECT_EQ(errorCount(), 1);
    EXPECT_EQ(rowCaptions(), QStringList{"Untitled1.wav"});
    EXPECT_EQ(form->statusText(0), "Stop");
    EXPECT_EQ(RecordingSettings.SplitOffset, 0);
    EXPECT_TRUE(form->ToolBtnOpen->isEnabled());
    run(1000);
    EXPECT_EQ(errorCount(), 1);
}

// ---- failures while recording ------------------------------------------------------------------

TEST_F(TransportTest, FullDiskEndsTheRecordingWithAPlayableFileAndOneMessage)
{
    form->Record1->trigger();
    ASSERT_TRUE(form->IsRecording);
    {
        FileSizeLimit limit(64 * 1024);   // about two seconds of 8 kHz stereo 16-bit
        run(5000);
    }
    run(200);
    EXPECT_FALSE(form->IsRecording);
    EXPECT_EQ(form->statusText(0), "Stop");
    EXPECT_TRUE(form->ToolBtnOpen->isEnabled());
    ASSERT_EQ(errorCount(), 1);
    EXPECT_TRUE(messages.last().text.startsWith("Recording stopped: ")) << messages.last().text.toStdString();
    EXPECT_EQ(rowCaptions(), QStringList{"Untitled1.wav"});

    const FileFrames file = readFile(recording("Untitled1.wav"));
    ASSERT_TRUE(file.opened);
    EXPECT_GT(file.frames(), 8000);
    EXPECT_LE(file.frames(), 64 * 1024 / 4);
    EXPECT_EQ(expectContinuousCode({file}), file.frames());

    // The next recording works again.
    form->Record1->trigger();
    run(500);
    form->Stop1->trigger();
    EXPECT_EQ(errorCount(), 1);
    EXPECT_EQ(rowCaptions().size(), 2);
}

TEST_F(TransportTest, LostDeviceEndsTheRecordingWithEverythingCaptured)
{
    form->Record1->trigger();
    run(2010);
    backend.loseDevice(true);
    run(200);
    EXPECT_FALSE(form->IsRecording);
    EXPECT_EQ(form->statusText(0), "Stop");
    ASSERT_EQ(errorCount(), 1);
    EXPECT_EQ(messages.last().text,
              "Recording stopped: the input device was lost (The device was unplugged)");
    EXPECT_EQ(rowCaptions(), QStringList{"Untitled1.wav"});
    const FileFrames file = readFile(recording("Untitled1.wav"));
    EXPECT_EQ(file.frames(), backend.inputPosition());
    EXPECT_EQ(expectContinuousCode({file}), backend.inputPosition());
}

TEST_F(TransportTest, RefusedDeviceSaysSoAndLeavesNoTarget)
{
    backend.refuseNextOpen(QStringLiteral("The device is busy"));
    form->Record1->trigger();
    EXPECT_FALSE(form->IsRecording);
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().kind, MessageKind::Critical);
    EXPECT_EQ(messages.last().text, "Recording could not start: The device is busy.");
    EXPECT_EQ(form->statusText(0), "Stop");
    EXPECT_EQ(form->statusText(2), "The device is busy");
    EXPECT_EQ(rowCaptions().size(), 0);
    EXPECT_EQ(QDir(RecordingSettings.SavePath).entryList(QDir::Files), QStringList{});
    EXPECT_TRUE(form->CurrentFile.isEmpty());
    EXPECT_TRUE(form->ToolBtnOpen->isEnabled());
}

TEST_F(TransportTest, InputOverflowsAreShownAndReportedAtStop)
{
    form->Record1->trigger();
    run(1000);
    backend.injectOverflow(800);
    run(1000);
    EXPECT_EQ(form->statusText(2), "Input overflow: 800 frames lost");
    form->Pause1->trigger();
    form->Record1->trigger();
    backend.injectOverflow(200);
    run(1000);
    EXPECT_EQ(form->statusText(2), "Input overflow: 1000 frames lost");
    form->Stop1->trigger();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().text,
              "The input overflowed during the recording: 1000 frames (125 ms) of sound were lost.");
    // The next recording starts its count afresh.
    form->Record1->trigger();
    run(500);
    form->Stop1->trigger();
    EXPECT_EQ(messages.count(), 1);
}

TEST_F(TransportTest, ClockCountsOnPastTheRecordersThirtyTwoBitCount)
{
    // A recording cut into pieces keeps its recorder running for days; its frame count (an int)
    // wraps on the way. The clock, the limit and the cut must not.
    form->Record1->trigger();
    run(500);
    const qint64 half = qint64(1) << 31;
    form->AudioRecord1Timer(int(half - 8000), 0, 0);
    EXPECT_EQ(form->NCTTimeDisplay1->Milliseconds(), (half - 8000) * 1000 / 8000);
    form->AudioRecord1Timer(int(quint32(half + 8000)), 0, 0);   // reads as negative
    EXPECT_EQ(form->NCTTimeDisplay1->Milliseconds(), (half + 8000) * 1000 / 8000);
    form->AudioRecord1Timer(800, 0, 0);   // past 2^32 frames
    EXPECT_EQ(form->NCTTimeDisplay1->Milliseconds(), ((qint64(1) << 32) + 800) * 1000 / 8000);
    EXPECT_TRUE(form->IsRecording);
    RecordingSettings.TimeLimit = 500000;   // 139 hours: reached at 149
    form->AudioRecord1Timer(1600, 0, 0);
    EXPECT_FALSE(form->IsRecording);
}
