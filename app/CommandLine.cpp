#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QDir>
#include <QUrl>

#include <array>
#include <utility>

namespace {

using Command = CommandLine::Command;

const std::array<std::pair<Command, const char*>, 5> kCommands{{
    {Command::Record, "record"},
    {Command::Stop, "stop"},
    {Command::Pause, "pause"},
    {Command::Toggle, "toggle"},
    {Command::Status, "status"},
}};

void describe(QCommandLineParser& parser)
{
    parser.setApplicationDescription(QStringLiteral(
        "Tavrin, a sound recorder.\n"
        "A command or files given while Tavrin runs go to the running program (one per settings\n"
        "file); otherwise Tavrin starts with them. --record and --toggle start it when none runs."));
    // Qt's own help option would also offer --help-all with Qt's options, which are not read.
    parser.addOption({{QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show these options.")});
    parser.addVersionOption();
    parser.addOptions({
        {QStringLiteral("record"), QStringLiteral("Start a recording, or resume a paused one.")},
        {QStringLiteral("stop"), QStringLiteral("Stop the recording and the playback.")},
        {QStringLiteral("pause"), QStringLiteral("Pause the recording and the playback.")},
        {QStringLiteral("toggle"), QStringLiteral("Record when stopped, stop when recording.")},
        {QStringLiteral("status"),
         QStringLiteral("Print what the running program does: \"recording SECONDS FILE\", \"paused SECONDS "
                        "FILE\", \"playing FILE\", \"waiting WHAT\" or \"stopped\"; \"not running\" (exit "
                        "status 1) when none runs.")},
    });
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Audio files to open, each as the open command opens one."),
                                 QStringLiteral("[FILE...]"));
}

} // namespace

CommandLine ParseCommandLine(const QStringList& arguments)
{
    CommandLine result;
    QCommandLineParser parser;
    describe(parser);
    if (!parser.parse(arguments)) {
        result.error = parser.errorText();
        return result;
    }
    result.help = parser.isSet(QStringLiteral("help"));
    result.version = parser.isSet(QStringLiteral("version"));
    QStringList given;
    for (const auto& [command, name] : kCommands) {
        if (parser.isSet(QLatin1String(name))) {
            result.command = command;
            given << QStringLiteral("--") + QLatin1String(name);
        }
    }
    result.files = parser.positionalArguments();
    if (given.size() > 1) {
        result.error = QStringLiteral("Give one command at a time, not %1.").arg(given.join(QStringLiteral(" and ")));
        result.command = Command::None;
    } else if (result.command == Command::Status && !result.files.isEmpty()) {
        result.error = QStringLiteral("--status takes no files.");
        result.command = Command::None;
    }
    return result;
}

QString CommandLineHelp()
{
    QCommandLineParser parser;
    describe(parser);
    return parser.helpText();
}

QString CommandActionName(CommandLine::Command command)
{
    if (command == Command::Status)
        return {};
    for (const auto& [c, name] : kCommands) {
        if (c == command)
            return QLatin1String(name);
    }
    return {};
}

QStringList FileUris(const QStringList& files, const QString& currentFolder)
{
    QStringList uris;
    for (const QString& file : files) {
        if (file.startsWith(QLatin1String("file:"))) {
            uris << QUrl(file).toString(QUrl::FullyEncoded);
            continue;
        }
        const QString path = QDir::isAbsolutePath(file) ? file : QDir(currentFolder).filePath(file);
        uris << QUrl::fromLocalFile(QDir::cleanPath(path)).toString(QUrl::FullyEncoded);
    }
    return uris;
}
