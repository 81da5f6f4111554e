#pragma once
// What a start of the program does before it makes a window: --help, --version and a wrong
// command line are answered here, and a command or files go to the running program of the
// same settings file (platform/SingleInstance.h).
#include "app/CommandLine.h"
#include "platform/SingleInstance.h"

#include <QList>
#include <optional>

// The requests a command line makes of a running program, in order: its files (Open), then
// its command (Action or Status); a plain start asks to be shown (Activate).
QList<InstanceRequest> RequestsOf(const CommandLine& line, const QString& currentFolder);

// Needs the application object. Prints what there is to print and gives the exit status when
// this process is done: the help or version was shown, the command line was wrong, the running
// program took the requests, or there is none to take a command that needs one (--stop,
// --pause, --status: "not running", 1). nullopt when the program is to start here. waitMs:
// how long to keep asking a program that is starting (it holds the instance but does not
// listen yet).
std::optional<int> HandOver(const CommandLine& line, const QString& instanceName, int waitMs = 0);
