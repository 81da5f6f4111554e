#pragma once
// The program's command line:
//
//   tavrin [--record | --stop | --pause | --toggle | --status] [FILE...]
//   tavrin --help | --version
//
// A command and files go to the running program of the same settings file
// (platform/SingleInstance.h); with none running the program starts with them. Without
// arguments it starts as it always did.
#include <QString>
#include <QStringList>

struct CommandLine {
    enum class Command { None, Record, Stop, Pause, Toggle, Status };
    Command command = Command::None;
    QStringList files;   // as given, in order
    bool help = false;
    bool version = false;
    QString error;       // what is wrong with the arguments (English); empty when nothing is
};

// The arguments, the program's own name first. Needs no application object.
CommandLine ParseCommandLine(const QStringList& arguments);

// The text --help prints (the application object must exist: it names the program).
QString CommandLineHelp();

// The name the running program knows the command by ("record", "stop", "pause", "toggle");
// empty for None and Status.
QString CommandActionName(CommandLine::Command command);

// The files as file URIs: a relative path taken from `currentFolder`, a file: URI as given.
QStringList FileUris(const QStringList& files, const QString& currentFolder);
