// What a long recording needs from the main window: the desktop kept awake while it runs, and
// the room on the disk of the save folder, asked about at the record command, shown in the
// status bar while recording, and ending the recording by itself before the disk is full.
#include "app/Unit1.h"
#include "engine/TAudioFile2.h"
#include "platform/DiskSpace.h"
#include "platform/SleepGuard.h"
#include "platform/ui/MessageBoxes.h"
#include "settings/OutputFormats.h"

#include <QFileInfo>
#include <QLabel>
#include <QStatusBar>

namespace {

// Less room than this at the record command asks first.
constexpr qint64 kAskBelowSeconds = 10 * 60;

// What must stay free while recording, to finish the file: its last blocks (the recorder's
// and the encoder's), the header or tag written at the end (a WAV header, the LAME tag, the
// FLAC stream header, the last Ogg page) and the file system's own blocks.
qint64 reserveBytes(qint64 bytesPerSecond)
{
    return 512 * 1024 + 3 * bytesPerSecond;
}

QString megabytes(qint64 bytes)
{
    return QStringLiteral("%1 MB").arg(double(bytes) / 1e6, 0, 'f', 1);
}

// "2 ч 05 мин", "45 мин".
QString recordingTime(qint64 seconds)
{
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds % 3600 / 60;
    if (hours == 0)
        return TForm1::tr("%1 мин").arg(minutes);
    return TForm1::tr("%1 ч %2 мин").arg(hours).arg(minutes, 2, 10, QLatin1Char('0'));
}

} // namespace

void TForm1::GuardRecording(bool running)
{
    diskCheckedSecond_ = -1;
    if (!running) {
        if (sleepGuard_)
            sleepGuard_->release();
        if (DiskPanel)
            DiskPanel->hide();
        return;
    }
    // Made at the first recording: the program does not reach for the buses before that.
    if (!sleepGuard_)
        sleepGuard_ = std::make_unique<SleepGuard>();
    sleepGuard_->hold(tr("Идёт запись звука"));
}

bool TForm1::DiskRoomConfirmed()
{
    // The format as the record command will apply it (a settings dialog that was cancelled may
    // have left other values in the file components).
    TAudioFile2 scratch1, scratch2;
    ApplyOutputFormatTo(scratch1, scratch2, *Mp3LameEncoder, RecordingSettings);
    const qint64 rate = scratch2.BytesPerSecond();
    const qint64 free = FreeDiskBytes(RecordingSettings.SavePath);
    if (rate <= 0 || free < 0)
        return true;   // nothing to go by: the recording starts as always
    const qint64 seconds = std::max<qint64>(0, free - reserveBytes(rate)) / rate;
    if (seconds >= kAskBelowSeconds)
        return true;
    const QString room = seconds < 60 ? QStringLiteral("less than a minute")
                                      : QStringLiteral("about %1 minutes").arg(seconds / 60);
    return AskConfirm(QStringLiteral("The disk of %1 has room for %2 of recording in this format (%3 free). "
                                     "Record anyway?")
                          .arg(RecordingSettings.SavePath, room, megabytes(free)));
}

bool TForm1::DiskRoomRanOut(qint64 recordedMs)
{
    // Once a second of recording is enough: the reserve holds three seconds of the format.
    const qint64 second = recordedMs / 1000;
    if (second == diskCheckedSecond_)
        return false;
    diskCheckedSecond_ = second;
    const qint64 rate = AudioFile2->BytesPerSecond();
    const QString folder = QFileInfo(RecordFileName).absolutePath();
    const qint64 free = FreeDiskBytes(folder);
    if (rate <= 0 || free < 0)
        return false;
    const qint64 reserve = reserveBytes(rate);
    if (free <= reserve) {
        // A normal stop while the file can still be finished; one message says why.
        const QString file = RecordFileName;
        StopRecording();
        ShowMessage(QStringLiteral("Recording stopped: the disk of %1 is almost full (%2 free). "
                                   "The recording so far is kept in %3.")
                        .arg(folder, megabytes(free), file));
        return true;
    }
    // The time left at the rate the file really grows, once that can be told (FLAC takes less
    // than its upper bound).
    qint64 shownRate = rate;
    const int fileRate = AudioFile2->SampleRate();
    // (The writer thread has the file: its count, not the file's, is read here.)
    const double seconds = fileRate > 0 ? double(RecordWriter->framesWritten()) / fileRate : 0.0;
    if (seconds >= 10) {
        const qint64 size = QFileInfo(RecordFileName).size();
        if (size > 0)
            shownRate = std::max<qint64>(1, qint64(double(size) / seconds));
    }
    if (!DiskPanel) {
        DiskPanel = new QLabel(statusBar());
        DiskPanel->setObjectName(QStringLiteral("DiskPanel"));
        DiskPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(DiskPanel);
    }
    // Set only when they change: a new text lays the status bar out again.
    const QString text = tr("Места хватит на ") + recordingTime((free - reserve) / shownRate);
    if (DiskPanel->text() != text)
        DiskPanel->setText(text);
    const QString tip = tr("Свободно на диске: ") + megabytes(free);
    if (DiskPanel->toolTip() != tip)
        DiskPanel->setToolTip(tip);
    DiskPanel->show();
    return false;
}
