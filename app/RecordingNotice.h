#pragma once
// A desktop notification when a recording ends while the window is not the active window, or
// ends by itself (the time limit, the disk guard, a lost device, a failed write, ...): the
// file's name and length, with the actions "Воспроизвести" (plays the file in the window) and
// "Открыть папку" (opens its folder in the file manager). A recording that never began (an
// answer No, an input or a target that failed) says nothing here.
#include "app/RecordingSession.h"

#include <QObject>
#include <QString>

class DesktopNotifier;
class RemoteControl;
class TForm1;

class RecordingNotice : public QObject {
    Q_OBJECT
public:
    RecordingNotice(TForm1& form, DesktopNotifier& notifier, RemoteControl& remote, QObject* parent = nullptr);

private:
    void stopped(RecordingSession::StopReason reason);
    void play(const QString& path);

    TForm1& form_;
    DesktopNotifier& notifier_;
    RemoteControl& remote_;
    QString lastFile_;   // the last piece of the recording, once finished
};
