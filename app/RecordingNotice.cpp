#include "app/RecordingNotice.h"

#include "app/PathText.h"
#include "app/RemoteControl.h"
#include "app/Unit1.h"
#include "platform/DesktopNotifier.h"
#include "platform/ui/ShellOpen.h"

#include <QApplication>
#include <QTreeWidget>

namespace {

const QString kPlay = QStringLiteral("play");
const QString kOpenFolder = QStringLiteral("open-folder");

// The last row of the file list that shows `path`.
QTreeWidgetItem* rowOf(QTreeWidget& list, const QString& path)
{
    for (int i = list.topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* row = list.topLevelItem(i);
        if (row->text(3) + row->text(0) == path)
            return row;
    }
    return nullptr;
}

} // namespace

RecordingNotice::RecordingNotice(TForm1& form, DesktopNotifier& notifier, RemoteControl& remote, QObject* parent)
    : QObject(parent), form_(form), notifier_(notifier), remote_(remote)
{
    using S = RecordingSession;
    connect(form.Session.get(), &S::pieceFinished, this, [this](const QString& path, qint64, bool last) {
        if (last)
            lastFile_ = path;
    });
    connect(form.Session.get(), &S::stopped, this, [this](S::StopReason reason) { stopped(reason); });
    connect(&notifier, &DesktopNotifier::actionInvoked, this, [this](const QString& key, const QString& path) {
        if (key == kPlay)
            remote_.run([this, path] { play(path); });
        else if (key == kOpenFolder)
            ShellOpen(folderOf(path));
    });
}

void RecordingNotice::stopped(RecordingSession::StopReason reason)
{
    using R = RecordingSession::StopReason;
    const QString path = std::exchange(lastFile_, QString());
    if (path.isEmpty() || reason == R::Declined || reason == R::NotStarted || reason == R::Failed)
        return;
    if (reason == R::User && QApplication::activeWindow())
        return;   // stopped from the window, which the user looks at
    const QTreeWidgetItem* row = rowOf(*form_.ListView1, path);
    const QString length = row ? row->text(2) : QString();
    notifier_.notify(tr("Запись закончена"), length.isEmpty() ? nameOf(path) : nameOf(path) + QStringLiteral(", ") + length,
                     {{kPlay, tr("Воспроизвести")}, {kOpenFolder, tr("Открыть папку")}}, path);
}

void RecordingNotice::play(const QString& path)
{
    QTreeWidgetItem* row = rowOf(*form_.ListView1, path);
    if (!row)
        return;   // taken out of the list meanwhile
    if (form_.IsPlaying)
        form_.StopPlayback();
    form_.ListView1->setCurrentItem(row);   // the selection makes it the file to play
    form_.Play1Click();
}
