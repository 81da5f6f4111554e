// The window's share of the guards of a long recording: the status-bar panel that shows how
// much recording time the disk of the save folder still holds. The guards themselves (the
// question at the record command, the stop before the disk is full, the desktop kept awake)
// are the recording session's (app/RecordingGuards.cpp).
#include "app/Unit1.h"
#include "app/PathText.h"
#include "app/RecordingSession.h"

#include <QLabel>
#include <QStatusBar>

#include <algorithm>

namespace {

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

void TForm1::SessionDiskRoom(qint64 secondsLeft, qint64 freeBytes)
{
    if (!DiskPanel) {
        DiskPanel = new QLabel(statusBar());
        DiskPanel->setObjectName(QStringLiteral("DiskPanel"));
        DiskPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        DiskPanel->setIndent(1);
        // As wide as its longest text and as high as the other panels, and painting its own
        // background: a new text repaints the panel alone, never lays out and repaints the
        // status bar (the room changes whenever anything else on that disk writes).
        DiskPanel->setAutoFillBackground(true);
        DiskPanel->setFixedSize(DiskPanel->fontMetrics().horizontalAdvance(
                                    tr("Места хватит на ") + recordingTime(9999 * 3600 + 59 * 60))
                                    + 2 * DiskPanel->frameWidth() + 8,
                                StatusPanel[0]->height());
        DiskPanel->hide();
        statusBar()->addPermanentWidget(DiskPanel);
    }
    const QString text = tr("Места хватит на ") + recordingTime(secondsLeft);
    if (DiskPanel->text() != text)
        DiskPanel->setText(text);
    const QString tip = tr("Свободно на диске: ") + MegabytesText(freeBytes);
    if (DiskPanel->toolTip() != tip)
        DiskPanel->setToolTip(tip);
    ShowDiskPanel(true);
}

void TForm1::ShowDiskPanel(bool shown)
{
    if (!DiskPanel || DiskPanel->isVisibleTo(this) == shown)
        return;
    // The status bar is narrower than its three panels at the window's usual width, and the
    // disk panel sits at its right end: the path panel gives up its room (down to the name of
    // the recording) so that the stream description stays in sight.
    QLabel* path = StatusPanel[1];
    QLabel* stream = StatusPanel[2];
    const int oldWidth = path->width();
    const int width = shown ? std::max(120, 320 - DiskPanel->width()) : 320;
    const QString pathText = path->text();
    const bool showsCurrent = !CurrentFile.isEmpty() && pathText == ShortenPath(CurrentFile, path->fontMetrics(), oldWidth);
    path->resize(width, path->height());
    stream->move(path->geometry().right() + 3, stream->y());
    if (showsCurrent)
        setStatusText(1, ShortenPath(CurrentFile, path->fontMetrics(), width));
    DiskPanel->setVisible(shown);
}
