// What a recording needs around its steps: the targets in the save folder, the room on its
// disk (asked about at the record command, watched once a second while recording, ending the
// recording by itself before the disk is full) and the desktop kept awake while it runs.
#include "app/RecordingSession.h"

#include "engine/BlockWriter.h"
#include "engine/EngineError.h"
#include "engine/TAudioFile2.h"
#include "engine/TAudioFile2LameEnc.h"
#include "platform/DiskSpace.h"
#include "platform/SleepGuard.h"
#include "settings/OutputFormats.h"
#include "settings/RecordingNames.h"
#include "settings/TriggerSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <system_error>
#include <fcntl.h>
#include <unistd.h>

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

// Why `folder` (a folder to record into, existing or not) cannot be made or written: the
// system's words for the nearest part of its path that exists ("Not a directory", "Permission
// denied", "Read-only file system"); empty when nothing is in the way.
QString folderObstacle(const QString& folder)
{
    QFileInfo info(QDir::cleanPath(folder));
    while (!info.exists()) {
        const QFileInfo up(info.absolutePath());
        if (up.absoluteFilePath() == info.absoluteFilePath())
            return {};
        info = up;
    }
    if (!info.isDir())
        return QString::fromStdString(std::generic_category().message(ENOTDIR));
    if (::faccessat(AT_FDCWD, QFile::encodeName(info.absoluteFilePath()).constData(), W_OK | X_OK, AT_EACCESS) != 0)
        return QString::fromStdString(std::generic_category().message(errno));
    return {};
}

QString withReason(const QString& text, const QString& reason)
{
    return reason.isEmpty() ? text : text + QStringLiteral(": ") + reason;
}

} // namespace

QString MegabytesText(qint64 bytes)
{
    return QStringLiteral("%1 MB").arg(double(bytes) / 1e6, 0, 'f', 1);
}

QString RecordingSession::createTarget()
{
    const QString folder = settings_.SavePath;
    const QString name =
        NextRecordingPath(folder, settings_.NameTemplate, settings_.SaveFormat, clock_());
    if (folder.isEmpty())
        throw EngineError(QStringLiteral("Unable to create directory"));
    if (!QDir().mkpath(folder))
        throw EngineError(withReason(QStringLiteral("Cannot create ") + folder, folderObstacle(folder)));
    // An empty file of the chosen format (the writing component is idle between pieces).
    target_.setActive(true);
    target_.CreateNew(name, 0);
    target_.Close();
    return name;
}

QString RecordingSession::saveFolderProblem() const
{
    const QString folder = settings_.SavePath;
    if (folder.isEmpty())
        return QStringLiteral("Unable to create directory");
    const QString reason = folderObstacle(folder);
    if (reason.isEmpty())
        return {};
    const QFileInfo info(folder);
    return withReason((info.isDir() ? QStringLiteral("Cannot write to ") : QStringLiteral("Cannot create ")) + folder,
                      reason);
}

void RecordingSession::guard(bool running)
{
    diskCheckedSecond_ = -1;
    if (!running) {
        if (sleepGuard_)
            sleepGuard_->release();
        return;
    }
    // Made at the first recording: the program does not reach for the buses before that.
    if (!sleepGuard_)
        sleepGuard_ = std::make_unique<SleepGuard>();
    // The desktop is told what the program is doing: a new reason is a new request.
    const QString reason = awakeReason();
    if (sleepGuard_->wanted() && reason != awakeReason_)
        sleepGuard_->release();
    awakeReason_ = reason;
    sleepGuard_->hold(reason);
}

QString RecordingSession::awakeReason() const
{
    if (state_ == State::Armed && waiting_ == Waiting::Clock)
        return tr("Запись начнётся в %1").arg(ClockTimeText(startAt_.time()));
    if (state_ == State::Armed)
        return tr("Ожидание звука для начала записи");
    return tr("Идёт запись звука");
}

bool RecordingSession::diskRoomConfirmed()
{
    // The format as the start will apply it (a settings dialog that was cancelled may have left
    // other values in the file components).
    TAudioFile2 scratch1, scratch2;
    ApplyOutputFormatTo(scratch1, scratch2, encoder_, settings_);
    const qint64 rate = scratch2.BytesPerSecond();
    const qint64 free = FreeDiskBytes(settings_.SavePath);
    if (rate <= 0 || free < 0)
        return true;   // nothing to go by: the recording starts as always
    const qint64 seconds = std::max<qint64>(0, free - reserveBytes(rate)) / rate;
    if (seconds >= kAskBelowSeconds)
        return true;
    const QString room = seconds < 60 ? QStringLiteral("less than a minute")
                                      : QStringLiteral("about %1 minutes").arg(seconds / 60);
    return ask_ && ask_(QStringLiteral("The disk of %1 has room for %2 of recording in this format (%3 free). "
                                       "Record anyway?")
                            .arg(settings_.SavePath, room, MegabytesText(free)));
}

bool RecordingSession::diskRanOut(qint64 recordedMs)
{
    // Once a second of recording is enough: the reserve holds three seconds of the format.
    const qint64 second = recordedMs / 1000;
    if (second == diskCheckedSecond_)
        return false;
    diskCheckedSecond_ = second;
    const qint64 rate = target_.BytesPerSecond();
    const QString folder = QFileInfo(file_).absolutePath();
    const qint64 free = FreeDiskBytes(folder);
    if (rate <= 0 || free < 0)
        return false;
    const qint64 reserve = reserveBytes(rate);
    if (free <= reserve) {
        // A normal stop while the file can still be finished; one message says why.
        const QString file = file_;
        finish(StopReason::DiskFull);
        report(QStringLiteral("Recording stopped: the disk of %1 is almost full (%2 free). "
                              "The recording so far is kept in %3.")
                   .arg(folder, MegabytesText(free), file),
               MessageKind::Notice);
        return true;
    }
    // The time left at the rate the file really grows, once that can be told (FLAC takes less
    // than its upper bound).
    qint64 shownRate = rate;
    const int fileRate = target_.SampleRate();
    // (The writer thread has the file: its count, not the file's, is read here.)
    const double seconds = fileRate > 0 ? double(writer_->framesWritten()) / fileRate : 0.0;
    if (seconds >= 10) {
        const qint64 size = QFileInfo(file_).size();
        if (size > 0)
            shownRate = std::max<qint64>(1, qint64(double(size) / seconds));
    }
    emit diskRoom((free - reserve) / shownRate, free);
    return false;
}
