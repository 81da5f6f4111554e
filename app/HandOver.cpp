#include "app/HandOver.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QThread>

#include <cstdio>

namespace {

using Command = CommandLine::Command;

// How often a program that is starting is asked again.
constexpr int kRetryMs = 100;

void print(FILE* to, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), to);
    if (!text.endsWith(u'\n'))
        std::fputc('\n', to);
    std::fflush(to);
}

QVariantMap platformData()
{
    QVariantMap data;
    if (const QString token = qEnvironmentVariable("XDG_ACTIVATION_TOKEN"); !token.isEmpty())
        data.insert(QStringLiteral("activation-token"), token);
    if (const QString id = qEnvironmentVariable("DESKTOP_STARTUP_ID"); !id.isEmpty())
        data.insert(QStringLiteral("desktop-startup-id"), id);
    return data;
}

} // namespace

QList<InstanceRequest> RequestsOf(const CommandLine& line, const QString& currentFolder)
{
    using Kind = InstanceRequest::Kind;
    const QVariantMap data = platformData();
    QList<InstanceRequest> requests;
    if (!line.files.isEmpty())
        requests.append({Kind::Open, FileUris(line.files, currentFolder), {}, data});
    if (line.command == Command::Status)
        requests.append({Kind::Status, {}, {}, {}});
    else if (line.command != Command::None)
        requests.append({Kind::Action, {}, CommandActionName(line.command), data});
    if (requests.isEmpty())
        requests.append({Kind::Activate, {}, {}, data});
    return requests;
}

std::optional<int> HandOver(const CommandLine& line, const QString& instanceName, int waitMs)
{
    if (!line.error.isEmpty()) {
        print(stderr, QStringLiteral("tavrin: %1\nTry 'tavrin --help'.").arg(line.error));
        return 2;
    }
    if (line.help) {
        print(stdout, CommandLineHelp());
        return 0;
    }
    if (line.version) {
        print(stdout, QCoreApplication::applicationName() + u' ' + QCoreApplication::applicationVersion());
        return 0;
    }
    const QDeadlineTimer patience(waitMs);
    for (const InstanceRequest& request : RequestsOf(line, QDir::currentPath())) {
        InstanceAnswer answer = SingleInstance::send(instanceName, request);
        while (answer.outcome == InstanceAnswer::Outcome::NotRunning && !patience.hasExpired()) {
            QThread::msleep(kRetryMs);
            answer = SingleInstance::send(instanceName, request);
        }
        switch (answer.outcome) {
        case InstanceAnswer::Outcome::Answered:
            if (request.kind == InstanceRequest::Kind::Status)
                print(stdout, answer.text);
            continue;
        case InstanceAnswer::Outcome::Failed:
            print(stderr, QStringLiteral("tavrin: the running program did not take the request: ") + answer.text);
            return 1;
        case InstanceAnswer::Outcome::NotRunning:
            break;
        }
        // None runs: the program starts here, unless the command wants a running one.
        if (line.command == Command::Stop || line.command == Command::Pause || line.command == Command::Status) {
            print(line.command == Command::Status ? stdout : stderr, QStringLiteral("not running"));
            return 1;
        }
        return std::nullopt;
    }
    return 0;
}
