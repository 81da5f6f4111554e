#pragma once
// Commands from outside the window: another start of the program (platform/SingleInstance.h),
// the tray icon and the notifications. Each runs as the window's own command does (the record
// command is Record1Click, the stop command Stop1Click, the pause command Pause1Click, a file
// is opened as the open command opens one), so the window shows the same as for its own.
//
// While a modal dialog is open the window takes no commands: what comes then waits until it
// is closed, in the order it came. Files wait, besides, while the open command is disabled (a
// recording runs); the commands behind them do not.
#include "platform/SingleInstance.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>

class TForm1;

class RemoteControl : public QObject {
    Q_OBJECT
public:
    explicit RemoteControl(TForm1& form, QObject* parent = nullptr);

    void handle(const InstanceRequest& request);
    // record, stop, pause, toggle (the names of InstanceRequest::action); others do nothing.
    void action(const QString& name);
    void open(const QStringList& uris);
    // Shows the window, in front (platformData: the caller's activation token).
    void activate(const QVariantMap& platformData = {});
    // Runs `step` as a command of the window (when no modal dialog is open).
    void run(std::function<void()> step);

    // The program's state in one line: "recording <seconds> <file>", "paused <seconds> <file>",
    // "playing <file>", "waiting <what>" or "stopped".
    QString status() const;

private:
    struct Pending {
        std::function<void()> step;
        bool opensFile = false;
    };
    void queue(Pending pending);
    void runPending();

    TForm1& form_;
    std::deque<Pending> pending_;
    QTimer retry_;
    bool running_ = false;
};
