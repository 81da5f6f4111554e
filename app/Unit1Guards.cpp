// The window's share of the guards of a long recording: the status-bar panel that shows how
// much recording time the disk of the save folder still holds. The guards themselves (the
// question at the record command, the stop before the disk is full, the desktop kept awake)
// are the recording session's (app/RecordingGuards.cpp).
#include "app/Unit1.h"
#include "app/RecordingSession.h"

#include <QLabel>
#include <QStatusBar>

namespace {

// "2 ч 05 мин", "45 мин".
QString recordingTime(qint64 seconds)
{
    const qint64 hours = seconds / 3600;
    const qint64 minutes = seconds % 3600 / 60;
    if (hours == 0)
        return QStringLiteral("%1 мин").arg(minutes);
    return QStringLiteral("%1 ч %2 мин").arg(hours).arg(minutes, 2, 10, QLatin1Char('0'));
}

} // namespace

void TForm1::SessionDiskRoom(qint64 secondsLeft, qint64 freeBytes)
{
    if (!DiskPanel) {
        DiskPanel = new QLabel(statusBar());
        DiskPanel->setObjectName(QStringLiteral("DiskPanel"));
        DiskPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(DiskPanel);
    }
    // Set only when they change: a new text lays the status bar out again.
    const QString text = QStringLiteral("Места хватит на ") + recordingTime(secondsLeft);
    if (DiskPanel->text() != text)
        DiskPanel->setText(text);
    const QString tip = QStringLiteral("Свободно на диске: ") + MegabytesText(freeBytes);
    if (DiskPanel->toolTip() != tip)
        DiskPanel->setToolTip(tip);
    DiskPanel->show();
}
